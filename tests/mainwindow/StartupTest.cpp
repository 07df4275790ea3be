#include "MainWindowFixture.h"
#include "mainwindow/ServiciosQt.h"

#include <QApplication>
#include <QFontInfo>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

using namespace zarvento;
using namespace zarvento::test;

namespace {

TEST_F(MainWindowTest, LoadDoesTheFirstActivationBeforeTheWindowIsShown) {
    configurarCorrecta();
    ultimoRespaldo(reloj.now().date());
    writeFile(dir / "programa/Bitacora.log", "linea de la vez anterior\r\n");
    QDir::setCurrent(dir / "host");

    ASSERT_TRUE(cargar());
    EXPECT_EQ(QDir::currentPath(), dir / "programa");
    EXPECT_FALSE(bitacora().contains("vez anterior"));
    EXPECT_TRUE(bitacora().contains("Configuración revisada"));
    EXPECT_EQ(log().value(0), linea("Revisando configuración"));
    EXPECT_EQ(textoDe("lblTitulo"), "Zarvento (v. 5.0.0)");
    EXPECT_EQ(ventana->windowTitle(), "Zarvento");
    EXPECT_TRUE(ventana->windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(ventana->isVisible());
    // The start-at-log-on entry names the running executable.
    EXPECT_TRUE(QString::fromUtf8(readFile(dir / "autostart/zarvento.desktop"))
                    .contains("Exec=" + dir / "programa/zarvento"));
    // So does the applications menu entry, whose icon is there.
    const QString menu = QString::fromUtf8(readFile(dir / "datos/applications/zarvento.desktop"));
    EXPECT_TRUE(menu.contains("\nName=Zarvento\n"));
    EXPECT_TRUE(menu.contains("\nExec=" + dir / "programa/zarvento\n"));
    const QString icono = dir / "datos/icons/hicolor/scalable/apps/zarvento.svg";
    EXPECT_TRUE(menu.contains("\nIcon=" + icono + "\n"));
    EXPECT_TRUE(readFile(icono).startsWith("<svg"));
    EXPECT_FALSE(ventana->windowIcon().isNull());
    // Shown, the window comes up minimised; the title label keeps the design caption.
    ventana->show();
    EXPECT_TRUE(ventana->isMinimized());
    ventana->Timer1_Timer();
    EXPECT_NE(ventana->windowTitle(), "Zarvento");
    EXPECT_EQ(textoDe("lblTitulo"), "Zarvento (v. 5.0.0)");
}

// The start goes on when its entries cannot be written, and the log file says why.
TEST_F(MainWindowTest, StartUpFilesThatCannotBeWrittenAreLogged) {
    configurarCorrecta();
    writeFile(dir / "autostart", "un archivo donde iría la carpeta");
    writeFile(dir / "datos", "otro");
    ASSERT_TRUE(cargar());
    EXPECT_TRUE(bitacora().contains("Entrada de inicio no grabada: no se puede escribir " +
                                    dir / "autostart/zarvento.desktop"));
    EXPECT_TRUE(bitacora().contains("Entrada del menú no grabada: no se puede escribir " +
                                    dir / "datos/applications/zarvento.desktop"));
}

TEST_F(MainWindowTest, ControlsSitAtTheirDesignPositions) {
    configurarCorrecta();
    ASSERT_TRUE(cargar());
    const double escala = ventana->logicalDpiX() / 96.0;
    EXPECT_EQ(ventana->size(), QSize(qRound(733 * escala), qRound(526 * escala)));
    EXPECT_EQ(boton("cmdConfigurar")->text(), "&Ajustes");
    EXPECT_EQ(boton("cmdAccion")->text(), "&Respaldar");
    EXPECT_EQ(boton("cmdCerrar")->text(), "x");
    EXPECT_TRUE(boton("cmdCerrar")->font().bold());
    EXPECT_EQ(boton("cmdMin")->text(), "-");
    EXPECT_EQ(boton("cmdAccion")->geometry(), QRect(qRound(624 * escala), qRound(464 * escala),
                                                    qRound(89 * escala), qRound(41 * escala)));
    // The border: 25 twips in from the top and left, reaching the right and bottom edges.
    const QRect borde = control<QWidget>("shpBorde")->geometry();
    EXPECT_EQ(borde.topLeft(), QPoint(qRound(25 * escala / 15), qRound(25 * escala / 15)));
    EXPECT_EQ(borde.right() + 1, ventana->width());
    EXPECT_EQ(borde.bottom() + 1, ventana->height());
    EXPECT_EQ(Timer1()->interval(), 1000);

    // The log box: read-only, monospace, scrolled to its last line.
    auto* caja = control<QPlainTextEdit>("txtLog");
    EXPECT_TRUE(caja->isReadOnly());
    EXPECT_TRUE(caja->font().fixedPitch() || QFontInfo(caja->font()).fixedPitch());
    for (int i = 0; i < 200; ++i)
        dynamic_cast<LogBox*>(caja)->appendLine(QString::number(i));
    EXPECT_EQ(caja->verticalScrollBar()->value(), caja->verticalScrollBar()->maximum());
    EXPECT_GT(caja->verticalScrollBar()->maximum(), 0);

    // The notice label shows both lines of the FTP progress and hides again.
    auto* aviso = dynamic_cast<NoticeLabel*>(control<QLabel>("lblAviso"));
    ventana->show();
    aviso->showNotice("carta.txt   1 de 2\r\nBytes copiados 255 de 1,024");
    EXPECT_EQ(textoDe("lblAviso"), "carta.txt   1 de 2\nBytes copiados 255 de 1,024");
    EXPECT_TRUE(control<QLabel>("lblAviso")->isVisibleTo(ventana.get()));
    aviso->hideNotice();
    EXPECT_FALSE(control<QLabel>("lblAviso")->isVisibleTo(ventana.get()));
}

TEST_F(MainWindowTest, MissingHostInstallationEndsTheLoadAfterItsMessages) {
    guardar(ajustes::kRutaHost, dir / "otra");
    dialogos.answers = {MessageAnswer::Ok, MessageAnswer::No};
    EXPECT_FALSE(cargar());
    ASSERT_EQ(dialogos.messages.size(), 2u);
    EXPECT_EQ(dialogos.messages[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(dialogos.messages[0].text.contains(dir / "otra"));
    EXPECT_EQ(dialogos.messages[1].title, "Editar INI");
    EXPECT_TRUE(dialogos.opened.isEmpty());
    // No review was made and no run can start.
    EXPECT_TRUE(log().isEmpty());
    EXPECT_FALSE(QFile::exists(rutas()));
    ventana->cmdAccion_Click();
    EXPECT_TRUE(log().isEmpty());

    dialogos.answers = {MessageAnswer::Ok, MessageAnswer::Yes};
    EXPECT_FALSE(cargar());
    EXPECT_EQ(dialogos.opened, QStringList{ini()});
}

TEST_F(MainWindowTest, MinimiseAndRestoreCentresTheWindow) {
    configurarCorrecta();
    ASSERT_TRUE(cargar());
    ventana->show();
    ventana->setWindowState(Qt::WindowNoState);
    const QPoint centro = ventana->screen()->availableGeometry().center();
    EXPECT_LE((ventana->frameGeometry().center() - centro).manhattanLength(), 2);

    ventana->move(0, 0);
    boton("cmdMin")->click();
    EXPECT_TRUE(ventana->isMinimized());
    ventana->setWindowState(Qt::WindowNoState);
    EXPECT_LE((ventana->frameGeometry().center() - centro).manhattanLength(), 2);
}

} // namespace

namespace {

TEST(ServiciosQt, EventPumpSkipsCallsThatComeTooSoon) {
    QtEventPump bomba;
    int entregados = 0;
    QTimer::singleShot(0, [&] { ++entregados; });
    bomba.pump();
    EXPECT_EQ(entregados, 1);
    QTimer::singleShot(0, [&] { ++entregados; });
    bomba.pump();
    EXPECT_EQ(entregados, 1);
    QTest::qSleep(QtEventPump::kIntervalo + 5);
    bomba.pump();
    EXPECT_EQ(entregados, 2);
}

TEST(ServiciosQt, MessageBoxShowsTheRequest) {
    QtDialogService dialogos;
    QMessageBox* caja = nullptr;
    QString texto;
    QTimer::singleShot(0, [&] {
        caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(caja, nullptr);
        texto = caja->text();
        EXPECT_EQ(caja->windowTitle(), "Editar INI");
        EXPECT_EQ(caja->icon(), QMessageBox::Question);
        EXPECT_EQ(caja->defaultButton(), caja->button(QMessageBox::No));
        caja->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(dialogos.showMessage({"Editar INI", "uno\rdos\r\ntres", MessageIcon::Question,
                                    MessageButtons::YesNo, MessageAnswer::No}),
              MessageAnswer::Yes);
    EXPECT_EQ(texto, "uno\ndos\ntres");

    // Closed without an answer, a yes/no box means No.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(dialogos.showMessage({"Atención", "¿Seguro?", MessageIcon::Question,
                                    MessageButtons::YesNo, MessageAnswer::No}),
              MessageAnswer::No);
}

} // namespace
