#include "SettingsWindowFixture.h"
#include "settingswindow/PosicionVentana.h"

#include <QApplication>

using namespace zarvento;
using zarvento::test::SettingsWindowTest;

namespace {

void esperarEventos() {
    QApplication::processEvents();
    QApplication::processEvents();
}

} // namespace

TEST_F(SettingsWindowTest, EnablingGroupsFollowTheirCheckBoxesAndKeepValues) {
    guardar(ajustes::kRespaldosVariados, "S");
    guardar(ajustes::kCiclo, "S");
    guardar(ajustes::kDiaPrimero, "S");
    guardar(ajustes::kRespaldoEnFTP, "N");
    abrir();
    const std::vector<QWidget*> ciclo{control<QWidget>("fraOpcion0"), opt(0), opt(1),
                                      control<QWidget>("lblEtiq0"), chk(1)};
    const std::vector<QWidget*> ftp{control<QWidget>("fraOpcion1"),
                                    control<QWidget>("lblEtiq1"),
                                    control<QWidget>("lblEtiq2"),
                                    control<QWidget>("lblEtiq3"),
                                    txt(0),
                                    txt(1),
                                    txt(2),
                                    boton("cmdVerNoVer")};
    const auto todos = [](const std::vector<QWidget*>& grupo, bool activo) {
        for (const QWidget* c : grupo)
            EXPECT_EQ(c->isEnabled(), activo) << c->objectName().toStdString();
    };
    todos(ciclo, true);
    todos(ftp, false); // as loaded

    chk(0)->click();
    todos(ciclo, false);
    EXPECT_TRUE(opt(0)->isChecked());
    EXPECT_TRUE(chk(1)->isChecked());
    chk(0)->click();
    todos(ciclo, true);

    chk(2)->click();
    todos(ftp, true);
    txt(0)->setText("ftp.ejemplo.com");
    chk(2)->click();
    todos(ftp, false);
    EXPECT_EQ(txt(0)->text(), "ftp.ejemplo.com");

    // The other check boxes govern nothing.
    for (int i : {1, 3, 4})
        chk(i)->click();
    todos(ciclo, true);
    todos(ftp, false);
}

TEST_F(SettingsWindowTest, VerDatosTogglesTheMaskOfTheThreeFtpBoxes) {
    guardar(ajustes::kRespaldoEnFTP, "S");
    abrir();
    QPushButton* verNoVer = boton("cmdVerNoVer");
    for (const auto& [modo, texto] : {std::pair{QLineEdit::Normal, "Ocultar datos"},
                                      std::pair{QLineEdit::Password, "Ver datos"},
                                      std::pair{QLineEdit::Normal, "Ocultar datos"}}) {
        verNoVer->click();
        EXPECT_EQ(verNoVer->text(), texto);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(txt(i)->echoMode(), modo);
    }
}

TEST_F(SettingsWindowTest, ExaminarAddsTheChosenFolderUnlessTheListHasIt) {
    abrir();
    dialogos.folders = {"  /datos/Ventas  ", "/DATOS/ventas", "/datos/ventas/", ""};
    QPushButton* examinar = boton("cmdExaminar");
    examinar->click();
    EXPECT_EQ(lista(4)->toPlainText(), "/datos/Ventas");
    examinar->click(); // same folder in other letters: refused with a beep
    EXPECT_EQ(lista(4)->toPlainText(), "/datos/Ventas");
    EXPECT_EQ(dialogos.beeps, 1);
    examinar->click(); // a trailing separator makes another text
    EXPECT_EQ(lista(4)->toPlainText(), "/datos/Ventas\n/datos/ventas/");
    examinar->click(); // cancelled
    EXPECT_EQ(lista(4)->toPlainText(), "/datos/Ventas\n/datos/ventas/");
    EXPECT_EQ(dialogos.beeps, 1);
    EXPECT_EQ(lista(5)->toPlainText(), "");

    lista(5)->setPlainText("/var/lib/mysql/a\n");
    dialogos.folders = {"/var/lib/mysql/b"};
    boton("Command1")->click();
    EXPECT_EQ(lista(5)->toPlainText(), "/var/lib/mysql/a\n\n/var/lib/mysql/b");
}

TEST_F(SettingsWindowTest, TimeBoxesTakeTwoDigitsAndSelectTheirTextOnFocus) {
    abrirVisible();
    QLineEdit* horas = txt(6);
    horas->setFocus();
    horas->clear();
    QTest::keyClicks(horas, "1a:2 3");
    EXPECT_EQ(horas->text(), "12");
    QTest::keyClick(horas, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), txt(7));
    esperarEventos();
    EXPECT_EQ(txt(7)->selectedText(), "00");

    QTest::mouseClick(horas, Qt::LeftButton, {}, QPoint(4, horas->height() / 2));
    esperarEventos();
    EXPECT_EQ(QApplication::focusWidget(), horas);
    EXPECT_EQ(horas->selectedText(), "12");
    EXPECT_EQ(dialogos.beeps, 0);
}

TEST_F(SettingsWindowTest, AnInvalidTimeKeepsTheFocusWithABeep) {
    abrirVisible();
    QLineEdit* horas = txt(6);
    QLineEdit* minutos = txt(7);
    minutos->setFocus();
    minutos->setText("75");

    QTest::keyClick(minutos, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), minutos);
    QTest::keyClick(minutos, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), minutos);
    EXPECT_EQ(dialogos.beeps, 2);

    // A click elsewhere neither takes the focus nor acts on the control clicked.
    const bool marcada = chk(4)->isChecked();
    QTest::mouseClick(chk(4), Qt::LeftButton, {}, QPoint(6, chk(4)->height() / 2));
    EXPECT_EQ(QApplication::focusWidget(), minutos);
    EXPECT_EQ(chk(4)->isChecked(), marcada);
    QTest::mouseClick(boton("cmdGrabar"), Qt::LeftButton);
    QTest::keyClick(minutos, Qt::Key_G, Qt::AltModifier);
    esperarEventos();
    EXPECT_EQ(QApplication::focusWidget(), minutos);
    EXPECT_EQ(dialogos.beeps, 5);
    EXPECT_FALSE(huboCambios);
    EXPECT_TRUE(ventana->isVisible());
    EXPECT_EQ(leido(ajustes::kHoraDelRespaldo), "");

    // Both boxes make the time, whichever one is left; an empty box is not a time.
    minutos->setText("5");
    horas->setText("7");
    QTest::keyClick(minutos, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), horas);
    horas->clear();
    QTest::keyClick(horas, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), horas);
    EXPECT_EQ(dialogos.beeps, 6);
    horas->setText("23");
    QTest::mouseClick(chk(4), Qt::LeftButton, {}, QPoint(6, chk(4)->height() / 2));
    EXPECT_EQ(QApplication::focusWidget(), chk(4));
    EXPECT_NE(chk(4)->isChecked(), marcada);
}

TEST_F(SettingsWindowTest, SaveRefusesAnInvalidTimeEvenWithoutTheFocusInItsBox) {
    abrir();
    txt(6)->setText("24");
    boton("cmdGrabar")->click();
    EXPECT_EQ(dialogos.beeps, 1);
    EXPECT_FALSE(huboCambios);
    EXPECT_EQ(leido(ajustes::kHoraDelRespaldo), "");
}

TEST(PosicionVentana, AFrameOffEveryScreenIsCentredOnTheFirst) {
    const QList<QRect> pantallas{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    const QSize tamano(1047, 582);
    // Enough of the frame shows on one screen or the other: kept as it is.
    for (const QPoint esquina :
         {QPoint(100, 50), QPoint(2500, 300), QPoint(-900, 500), QPoint(1900, 900)})
        EXPECT_EQ(PosicionVentana::enPantalla({esquina, tamano}, pantallas), esquina);
    // Off every screen, or showing only a sliver.
    for (const QPoint esquina :
         {QPoint(6000, 6000), QPoint(-5000, 100), QPoint(1915, 1075), QPoint(100, -578)})
        EXPECT_EQ(PosicionVentana::enPantalla({esquina, tamano}, pantallas), QPoint(436, 249));
    // A frame larger than the screen keeps its title bar on it.
    EXPECT_EQ(PosicionVentana::enPantalla({{9000, 9000}, QSize(1047, 582)}, {{0, 0, 800, 600}}),
              QPoint(0, 9));
}
