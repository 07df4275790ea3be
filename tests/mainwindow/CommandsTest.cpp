#include "MainWindowFixture.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTextBlock>
#include <cstdio>
#include <cstdlib>

using namespace zarvento;
using namespace zarvento::test;

namespace {

class CommandsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        configurarCorrecta("23:00");
        ultimoRespaldo(reloj.now().date());
    }

    // Opens the settings window and, once it is up, does what the user does in it.
    void ajustes(const std::function<void(QDialog&)>& usuario) {
        bool relojParado = false;
        QTimer::singleShot(0, [&] {
            auto* dialogo = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialogo, nullptr);
            relojParado = !Timer1()->isActive();
            usuario(*dialogo);
        });
        boton("cmdConfigurar")->click();
        EXPECT_TRUE(relojParado);
        EXPECT_TRUE(Timer1()->isActive());
    }
};

TEST_F(CommandsTest, CloseAsksAndEndsOnlyOnYes) {
    ASSERT_TRUE(cargar());
    ventana->show();
    dialogos.answers = {MessageAnswer::No};
    boton("cmdCerrar")->click();
    ASSERT_EQ(dialogos.messages.size(), 1u);
    const MessageRequest& pregunta = dialogos.messages[0];
    EXPECT_EQ(pregunta.title, "Atención");
    EXPECT_EQ(pregunta.text, "Confirme si desea cerrar este programa:\n\n"
                             "(en caso de cerrarlo el respaldo no se efectuará)");
    EXPECT_EQ(pregunta.icon, MessageIcon::Question);
    EXPECT_EQ(pregunta.buttons, MessageButtons::YesNo);
    EXPECT_EQ(pregunta.defaultButton, MessageAnswer::No);
    EXPECT_EQ(terminado, 0);
    EXPECT_TRUE(ventana->isVisible());
    EXPECT_TRUE(Timer1()->isActive());

    dialogos.answers = {MessageAnswer::Yes};
    boton("cmdCerrar")->click();
    EXPECT_EQ(terminado, 1);

    // Closed by the window system: no question.
    ASSERT_TRUE(cargar());
    ventana->show();
    ventana->close();
    EXPECT_EQ(terminado, 2);
    EXPECT_EQ(dialogos.messages.size(), 2u);
}

// The mouse goes to whatever control lies topmost at the point, as it does for a person.
TEST_F(CommandsTest, CaptionButtonsTakeMouseClicksAtTheirCentres) {
    ASSERT_TRUE(cargar());
    ventana->setWindowState(Qt::WindowNoState);
    ventana->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(ventana.get()));
    const auto clicEnElCentro = [this](const char* nombre) {
        QPushButton* b = boton(nombre);
        QTest::mouseClick(ventana->windowHandle(), Qt::LeftButton, {},
                          b->mapTo(ventana.get(), b->rect().center()));
    };
    dialogos.answers = {MessageAnswer::No};
    clicEnElCentro("cmdCerrar");
    EXPECT_EQ(dialogos.messages.size(), 1u);
    clicEnElCentro("cmdMin");
    EXPECT_TRUE(ventana->isMinimized());
}

TEST_F(CommandsTest, ClosingInTheMiddleOfARunEndsTheProgramAtOnce) {
    for (int i = 0; i < 20; ++i)
        writeFile(dir / QString("documentos/archivo%1.txt").arg(i), "contenido");
    EXPECT_EXIT(
        {
            ventana = std::make_unique<frmPrincipal>(componentes, reloj, bomba);
            if (!ventana->Form_Load())
                std::_Exit(2);
            dialogos.answers = {MessageAnswer::Yes};
            bomba.onPump = [&] {
                if (bomba.calls > 1) {
                    std::fputs("la copia siguió\n", stderr);
                    std::_Exit(3);
                }
                std::fputs("cerrando a mitad del respaldo\n", stderr);
                boton("cmdCerrar")->click();
            };
            boton("cmdAccion")->click();
            std::_Exit(4);
        },
        ::testing::ExitedWithCode(0), "cerrando a mitad del respaldo");
}

TEST_F(CommandsTest, SavedSettingsAreReviewedAgain) {
    ASSERT_TRUE(cargar());
    ventana->show();
    writeFile(dir / "programa/Bitacora.log", {});
    ajustes([](QDialog& dialogo) { dialogo.findChild<QPushButton*>("cmdGrabar")->click(); });
    const QString archivo = bitacora();
    EXPECT_TRUE(archivo.contains("Entrando a ajustes del programa"));
    EXPECT_TRUE(archivo.contains("Se hicieron cambios en los ajustes"));
    EXPECT_LT(archivo.indexOf("Se hicieron cambios"), archivo.indexOf("Revisando configuración"));
    EXPECT_EQ(log().first(), linea("Revisando configuración"));
    EXPECT_EQ(vecesEnLog(linea("Revisando configuración")), 1);
    EXPECT_EQ(leido(ajustes::kHoraDelRespaldo), "23:00");
}

TEST_F(CommandsTest, SettingsLeftWithoutSavingAreNotReviewed) {
    ASSERT_TRUE(cargar());
    ventana->show();
    writeFile(dir / "programa/Bitacora.log", {});
    control<QPlainTextEdit>("txtLog")->appendPlainText("marca");
    ajustes([](QDialog& dialogo) { dialogo.reject(); });
    EXPECT_TRUE(bitacora().contains("Entrando a ajustes del programa"));
    EXPECT_FALSE(bitacora().contains("Se hicieron cambios"));
    EXPECT_EQ(log().last(), "marca");

    // The timer runs again after the settings window even when the hour is not valid.
    guardar(ajustes::kHoraDelRespaldo, "SIN DEFINIR");
    ventana->RevisarConfiguracion();
    EXPECT_FALSE(Timer1()->isActive());
    ajustes([](QDialog& dialogo) { dialogo.reject(); });
}

TEST_F(MainWindowTest, TheLogBoxKeepsItsLastLinesOnly) {
    CajaBitacora caja(nullptr);
    QStringList full;
    for (int n = 1; n <= CajaBitacora::kLineas; ++n)
        full.append(QString::number(n));
    caja.appendLine(full.join('\n'));
    for (int n = CajaBitacora::kLineas + 1; n <= CajaBitacora::kLineas + 5; ++n)
        caja.appendLine(QString::number(n));
    EXPECT_EQ(caja.blockCount(), CajaBitacora::kLineas);
    EXPECT_EQ(caja.document()->firstBlock().text(), "6");
    EXPECT_EQ(caja.document()->lastBlock().text(), QString::number(CajaBitacora::kLineas + 5));
}

} // namespace
