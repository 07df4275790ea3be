#include "MainWindowFixture.h"
#include "mainwindow/BandejaPrincipal.h"
#include "mainwindow/frmRestaurar.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QTest>

using namespace zarvento;
using namespace zarvento::test;

namespace {

class RestoreWindowTest : public MainWindowTest {
protected:
    // Today's run made, the restore window opened from the tray with its target folder chosen.
    void abrirTrasUnRespaldo(QPointer<frmRestaurar>& restaurar) {
        configurarCorrecta();
        ASSERT_TRUE(cargar());
        ventana->cmdAccion_Click();
        ventana->bandeja().accion("Restaurar…")->trigger();
        restaurar = ventana->findChild<frmRestaurar*>();
        ASSERT_TRUE(restaurar);
        restaurar->txtCarpeta->setText(dir / "restaurado");
    }
};

// Today's copy restored from the tray's "Restaurar…" with clicks: the copies and the routes
// listed, the folder chosen with "Examinar", the files back with their times.
TEST_F(RestoreWindowTest, RestoresTheChosenCopyIntoTheFolderChosen) {
    configurarCorrecta();
    setModified(dir / "documentos/carta.txt", 1700000000);
    ASSERT_TRUE(cargar());
    ventana->cmdAccion_Click();
    ASSERT_TRUE(log().contains(linea("Respaldo finalizado")));

    ventana->bandeja().accion("Restaurar…")->trigger();
    auto* restaurar = ventana->findChild<frmRestaurar*>();
    ASSERT_NE(restaurar, nullptr);
    ASSERT_EQ(restaurar->lstCopias->count(), 1);
    EXPECT_TRUE(restaurar->lstCopias->item(0)->text().startsWith("Mon   07/Dec/2026 08:00:00  "
                                                                 "Respaldo finalizado  1 rutas"));
    ASSERT_EQ(restaurar->lstRutas->count(), 1);
    EXPECT_EQ(restaurar->lstRutas->item(0)->checkState(), Qt::Checked);
    EXPECT_FALSE(restaurar->chkBase->isEnabled()); // the copy holds no database
    EXPECT_FALSE(restaurar->cmdRestaurar->isEnabled());

    dialogos.folders = {dir / "restaurado"};
    QTest::mouseClick(restaurar->cmdExaminar, Qt::LeftButton);
    EXPECT_EQ(restaurar->txtCarpeta->text(), dir / "restaurado");
    // The window keeps its events running, with its commands held, while it restores.
    bool pendiente = true;
    bomba.onPump = [&] { pendiente = pendiente && restaurar->cmdRestaurar->isEnabled(); };
    QTest::mouseClick(restaurar->cmdRestaurar, Qt::LeftButton);
    EXPECT_FALSE(pendiente);

    EXPECT_EQ(readFile(dir / "restaurado/documentos/sub/nota.txt"), "dos");
    EXPECT_EQ(QFileInfo(dir / "restaurado/documentos/carta.txt").lastModified().toSecsSinceEpoch(),
              1700000000);
    EXPECT_TRUE(restaurar->txtResumen->toPlainText().contains("Archivos restaurados: 2 ("));
    EXPECT_EQ(restaurar->barProgreso->value(), restaurar->barProgreso->maximum());
    EXPECT_TRUE(restaurar->cmdRestaurar->isEnabled());
}

// Closing the window while it restores asks first; agreed, the restore stops before its next
// file, says so, leaves no part of a file behind, and the window closes once it stopped.
TEST_F(RestoreWindowTest, ClosingItDuringARestoreCancelsItOnceAgreed) {
    QPointer<frmRestaurar> restaurar;
    ASSERT_NO_FATAL_FAILURE(abrirTrasUnRespaldo(restaurar));
    QString resumen;
    bomba.onPump = [&] {
        if (!restaurar || !restaurar->cmdCancelar->isEnabled())
            return;
        dialogos.answers = {MessageAnswer::No, MessageAnswer::Yes};
        restaurar->close(); // declined: the restore goes on
        EXPECT_TRUE(restaurar->cmdCancelar->isEnabled());
        restaurar->close();
        resumen = restaurar->txtResumen->toPlainText();
    };
    QTest::mouseClick(restaurar->cmdRestaurar, Qt::LeftButton);

    EXPECT_EQ(dialogos.messages.size(), 2u);
    EXPECT_TRUE(resumen.contains("Cancelando")) << resumen.toStdString();
    EXPECT_EQ(treeOf(dir / "restaurado").filter(".txt"), QStringList());
    ASSERT_TRUE(restaurar);
    EXPECT_TRUE(restaurar->txtResumen->toPlainText().contains("Archivos restaurados: 0 (0 bytes)"));
    EXPECT_TRUE(restaurar->txtResumen->toPlainText().contains("; cancelada"));
    EXPECT_FALSE(restaurar->isVisible());
}

// Closing the program while it restores asks the same; agreed, the program ends only once the
// restore stopped, never in the middle of a file or a database load.
TEST_F(RestoreWindowTest, ClosingTheProgramDuringARestoreEndsItOnceTheRestoreStopped) {
    QPointer<frmRestaurar> restaurar;
    ASSERT_NO_FATAL_FAILURE(abrirTrasUnRespaldo(restaurar));
    int terminadoAlCerrar = -1;
    bomba.onPump = [&] {
        if (terminadoAlCerrar >= 0 || !restaurar || !restaurar->cmdCancelar->isEnabled())
            return;
        dialogos.answers = {MessageAnswer::Yes};
        ventana->close();
        terminadoAlCerrar = terminado;
    };
    QTest::mouseClick(restaurar->cmdRestaurar, Qt::LeftButton);

    EXPECT_EQ(terminadoAlCerrar, 0);
    ASSERT_TRUE(restaurar);
    EXPECT_TRUE(restaurar->txtResumen->toPlainText().contains("; cancelada"));
    EXPECT_EQ(terminado, 1);
}

} // namespace
