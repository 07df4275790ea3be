#include "SettingsWindowFixture.h"
#include "host/DeAcceso.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <sys/stat.h>

using namespace zarvento;
using zarvento::test::SettingsWindowTest;

namespace {

const char* const kClavesFTP[] = {ajustes::kFTPservidor, ajustes::kFTPusuario,
                                  ajustes::kFTPpassword};

} // namespace

TEST_F(SettingsWindowTest, GrabarWritesEveryRowAndLeavesTheFtpKeysWhileFtpIsOff) {
    for (const char* clave : kClavesFTP)
        guardar(clave, "sin tocar");
    guardar(ajustes::kCiclo, "S");
    abrir();
    chk(0)->setChecked(false);
    opt(1)->setChecked(true); // saved although its group is disabled
    chk(1)->setChecked(true);
    chk(3)->setChecked(true);
    chk(7)->setChecked(false);
    txt(3)->setText("/mnt/respaldos");
    txt(6)->setText("7");
    txt(7)->setText("5");
    lista(4)->setPlainText("  /datos/uno  \n\n   \n\t/datos/dos\n");
    boton("cmdGrabar")->click();

    EXPECT_TRUE(huboCambios);
    EXPECT_EQ(ventana->result(), QDialog::Accepted);
    EXPECT_EQ(leido(ajustes::kRespaldosVariados), "N");
    EXPECT_EQ(leido(ajustes::kCiclo), "M");
    EXPECT_EQ(leido(ajustes::kDiaPrimero), "S");
    EXPECT_EQ(leido(ajustes::kRespaldoEnFTP), "N");
    for (const char* clave : kClavesFTP)
        EXPECT_EQ(leido(clave), "sin tocar") << clave;
    EXPECT_EQ(leido(ajustes::kRutaDestino), "/mnt/respaldos");
    EXPECT_EQ(leido(ajustes::kRespaldoDiferencial), "S");
    EXPECT_EQ(leido(ajustes::kIncluirSubdirectorios), "N");
    EXPECT_EQ(leido(ajustes::kHoraDelRespaldo), "07:05");
    EXPECT_EQ(leido(ajustes::kComprobarCopias), "N");
    EXPECT_EQ(test::readFile(archivos.pbArchivoRutas), "/datos/uno\r\n/datos/dos\r\n");
    EXPECT_EQ(test::readFile(archivos.pbArchivoDATAs), "");
    EXPECT_FALSE(posicion("Arriba").isEmpty());
    EXPECT_FALSE(posicion("Izquierda").isEmpty());
    // The keys are written in the catalogue's order.
    const QString ini = QString::fromUtf8(test::readFile(archivos.pbArchivoIni));
    qsizetype anterior = -1;
    for (const char* clave :
         {ajustes::kRespaldosVariados, ajustes::kDiaPrimero, ajustes::kRespaldoEnFTP,
          ajustes::kRutaDestino, ajustes::kRespaldoDiferencial, ajustes::kIncluirSubdirectorios,
          ajustes::kHoraDelRespaldo}) {
        const qsizetype donde = ini.indexOf(QString::fromUtf8(clave) + '=');
        EXPECT_GT(donde, anterior) << clave;
        anterior = donde;
    }
}

TEST_F(SettingsWindowTest, FtpKeysAreWrittenScrambledWhileFtpIsOnEvenWhenEmpty) {
    abrir();
    chk(2)->setChecked(true);
    txt(0)->setText("ftp.ejemplo.com");
    txt(2)->setText("contraseña");
    txt(6)->setText("23");
    txt(7)->setText("00");
    boton("cmdGrabar")->click();

    const QStringList claros{"ftp.ejemplo.com", "", "contraseña"};
    for (int i = 0; i < 3; ++i) {
        const QString guardado = leido(kClavesFTP[i]);
        EXPECT_FALSE(guardado.isEmpty()) << kClavesFTP[i];
        EXPECT_NE(guardado, claros[i]);
        EXPECT_EQ(DeAcceso().DesEncripta(guardado, 3), claros[i]);
    }
    EXPECT_EQ(leido(ajustes::kRespaldoEnFTP), "S");
    EXPECT_EQ(leido(ajustes::kHoraDelRespaldo), "23:00");
    // The file that holds them is its owner's only.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(archivos.pbArchivoIni).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(SettingsWindowTest, RouteListsKeepEveryLine) {
    test::writeFile(archivos.pbArchivoDATAs, "/var/lib/mysql/vieja\r\n");
    QStringList rutas;
    QByteArray esperado;
    for (int i = 0; i < 300; ++i) {
        rutas.append(QStringLiteral("/datos/carpeta %1").arg(i));
        esperado += rutas.last().toUtf8() + "\r\n";
    }
    abrir();
    lista(4)->setPlainText(rutas.join('\n'));
    lista(5)->setPlainText(" \n  \n");
    boton("cmdGrabar")->click();
    EXPECT_EQ(test::readFile(archivos.pbArchivoRutas), esperado);
    EXPECT_EQ(test::readFile(archivos.pbArchivoDATAs), QByteArray());

    abrir();
    EXPECT_EQ(lista(4)->toPlainText(), rutas.join('\n'));
}

TEST_F(SettingsWindowTest, AReopenedWindowShowsWhatWasSaved) {
    abrir();
    chk(0)->setChecked(true);
    opt(0)->setChecked(true);
    chk(1)->setChecked(false);
    chk(2)->setChecked(true);
    txt(0)->setText("ftp.ejemplo.com");
    txt(1)->setText("usuario ñ");
    txt(2)->setText("clave=;[x]");
    txt(3)->setText("/respaldos/año");
    chk(3)->setChecked(false);
    chk(4)->setChecked(true);
    txt(6)->setText("6");
    txt(7)->setText("45");
    lista(4)->setPlainText("/datos/uno\n/datos/dos");
    lista(5)->setPlainText("/var/lib/mysql/ventas");
    boton("cmdGrabar")->click();
    ASSERT_TRUE(huboCambios);

    abrir();
    EXPECT_TRUE(chk(0)->isChecked());
    EXPECT_TRUE(opt(0)->isChecked());
    EXPECT_FALSE(chk(1)->isChecked());
    EXPECT_TRUE(chk(2)->isChecked());
    EXPECT_EQ(txt(0)->text(), "ftp.ejemplo.com");
    EXPECT_EQ(txt(1)->text(), "usuario ñ");
    EXPECT_EQ(txt(2)->text(), "clave=;[x]");
    EXPECT_EQ(txt(3)->text(), "/respaldos/año");
    EXPECT_FALSE(chk(3)->isChecked());
    EXPECT_TRUE(chk(4)->isChecked());
    EXPECT_EQ(txt(6)->text(), "06");
    EXPECT_EQ(txt(7)->text(), "45");
    EXPECT_EQ(lista(4)->toPlainText(), "/datos/uno\n/datos/dos");
    EXPECT_EQ(lista(5)->toPlainText(), "/var/lib/mysql/ventas");
}

TEST_F(SettingsWindowTest, AFailedWriteIsReportedAndKeepsTheWindowOpenWithItsEdits) {
    test::writeFile(archivos.pbArchivoRutas, "/datos/viejo\r\n");
    // A folder where the data list should be: that file cannot be written.
    archivos.pbArchivoDATAs = dir / "no se puede";
    ASSERT_TRUE(QDir().mkpath(archivos.pbArchivoDATAs));
    abrir();
    ventana->show();
    lista(5)->setPlainText("/var/lib/mysql/ventas");
    boton("cmdGrabar")->click();

    ASSERT_EQ(dialogos.messages.size(), 1u);
    EXPECT_EQ(dialogos.messages[0].title, "Atención");
    EXPECT_EQ(dialogos.messages[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(dialogos.messages[0].text.contains(archivos.pbArchivoDATAs));
    EXPECT_FALSE(huboCambios);
    EXPECT_TRUE(ventana->isVisible());
    EXPECT_EQ(lista(5)->toPlainText(), "/var/lib/mysql/ventas");

    // A settings file that cannot be written stops before the route lists are touched.
    archivos.pbArchivoIni = dir / "carpeta.ini";
    ASSERT_TRUE(QDir().mkpath(archivos.pbArchivoIni));
    archivos.pbArchivoDATAs = dir / "RutasDATAaRespaldar.txt";
    abrir();
    ventana->show();
    lista(4)->setPlainText("/datos/nuevo");
    boton("cmdGrabar")->click();
    ASSERT_EQ(dialogos.messages.size(), 2u);
    EXPECT_TRUE(dialogos.messages[1].text.contains(archivos.pbArchivoIni));
    EXPECT_EQ(test::readFile(archivos.pbArchivoRutas), "/datos/viejo\r\n");
    EXPECT_FALSE(huboCambios);
    EXPECT_TRUE(ventana->isVisible());
}

TEST_F(SettingsWindowTest, ClosingWithoutSavingWritesOnlyThePosition) {
    guardar(ajustes::kRespaldosVariados, "S");
    test::writeFile(archivos.pbArchivoRutas, "/datos/uno\r\n");
    const QByteArray antes = test::readFile(archivos.pbArchivoIni);
    abrir();
    ventana->show();
    chk(0)->setChecked(false);
    txt(3)->setText("/otro");
    lista(4)->setPlainText("");
    ventana->close();

    EXPECT_FALSE(huboCambios);
    EXPECT_EQ(test::readFile(archivos.pbArchivoRutas), "/datos/uno\r\n");
    EXPECT_EQ(leido(ajustes::kRespaldosVariados), "S");
    EXPECT_EQ(leido(ajustes::kRutaDestino), "");
    const QByteArray despues = test::readFile(archivos.pbArchivoIni);
    EXPECT_TRUE(despues.startsWith(antes));
    EXPECT_EQ(despues.mid(antes.size()),
              QStringLiteral("[Configuración frmConfiguracion]\r\nArriba=%1\r\nIzquierda=%2\r\n")
                  .arg(posicion("Arriba"), posicion("Izquierda"))
                  .toUtf8());
}

TEST_F(SettingsWindowTest, ThePositionIsKeptInTwipsAndBroughtBackOnScreen) {
    const QString seccion = "Configuración frmConfiguracion";
    const double escala = 1440.0 / abrir().logicalDpiX();
    LibORVX().EscribeIni(seccion, "Arriba", "1500", archivos.pbArchivoIni);
    LibORVX().EscribeIni(seccion, "Izquierda", "3000", archivos.pbArchivoIni);
    abrir();
    EXPECT_EQ(ventana->pos(), QPoint(qRound(3000 / escala), qRound(1500 / escala)));
    ventana->move(ventana->x() + 7, ventana->y() + 3);
    ventana->reject();
    EXPECT_EQ(posicion("Arriba"),
              QString::number(float((qRound(1500 / escala) + 3) * escala), 'g', 7));
    EXPECT_EQ(posicion("Izquierda"),
              QString::number(float((qRound(3000 / escala) + 7) * escala), 'g', 7));

    // Absent keys centre the window (on the screen, without a parent); a position off every
    // screen is corrected.
    QFile::remove(archivos.pbArchivoIni);
    EXPECT_LE((abrir().frameGeometry().center() -
               QGuiApplication::primaryScreen()->availableGeometry().center())
                  .manhattanLength(),
              2);
    QWidget principal;
    principal.setGeometry(150, 120, 500, 350);
    frmConfiguracion sobrePrincipal(componentes, archivos, huboCambios, &principal);
    EXPECT_LE(
        (sobrePrincipal.frameGeometry().center() - principal.geometry().center()).manhattanLength(),
        2);
    LibORVX().EscribeIni(seccion, "Arriba", "-90000", archivos.pbArchivoIni);
    LibORVX().EscribeIni(seccion, "Izquierda", "900000.5", archivos.pbArchivoIni);
    abrir();
    const QRect pantalla = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(pantalla.contains(ventana->pos())) << ventana->x() << "," << ventana->y();
}

TEST_F(SettingsWindowTest, DatabaseGroupRoundTripsAndIsSavedOnlyWhileChecked) {
    guardar(ajustes::kCopiaConsistente, "S");
    guardar(ajustes::kBaseServidor, "/run/mysqld/mysqld.sock");
    guardar(ajustes::kBaseUsuario, "respaldo");
    const QString guardada = DeAcceso().Encripta("clave #1", 3);
    guardar(ajustes::kBasePassword, guardada);
    abrirVisible();
    EXPECT_TRUE(chk(5)->isChecked());
    EXPECT_EQ((QStringList{txt(8)->text(), txt(9)->text(), txt(10)->text(), txt(11)->text()}),
              (QStringList{"/run/mysqld/mysqld.sock", "respaldo", "clave #1", "30"}));

    QPushButton* ver = boton("cmdVerNoVerBase");
    QTest::mouseClick(ver, Qt::LeftButton, {}, ver->rect().center());
    EXPECT_EQ(ver->text(), "Ocultar datos");
    for (int i : {8, 9, 10})
        EXPECT_EQ(txt(i)->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(txt(0)->echoMode(), QLineEdit::Password);

    // Unchecked, the group greys out but keeps its values, and its keys stay as stored.
    QTest::mouseClick(chk(5), Qt::LeftButton, {}, chk(5)->rect().center());
    for (const char* nombre : {"fraOpcion4", "lblEtiq12", "lblEtiq14", "txtDato8", "txtDato10",
                               "lblEtiq15", "txtDato11", "cmdVerNoVerBase"})
        EXPECT_FALSE(control<QWidget>(nombre)->isEnabled()) << nombre;
    EXPECT_EQ(txt(9)->text(), "respaldo");
    boton("cmdGrabar")->click();
    EXPECT_EQ(leido(ajustes::kCopiaConsistente), "N");
    EXPECT_EQ(leido(ajustes::kBaseServidor), "/run/mysqld/mysqld.sock");
    EXPECT_EQ(leido(ajustes::kBasePassword), guardada);

    abrir();
    EXPECT_FALSE(chk(5)->isChecked());
    EXPECT_EQ(txt(8)->text(), "");
    chk(5)->click();
    txt(8)->setText("127.0.0.1:3307");
    txt(10)->setText("nueva");
    // The dump's time limit must be a number of minutes.
    txt(11)->setText("");
    boton("cmdGrabar")->click();
    ASSERT_EQ(dialogos.messages.size(), 1u);
    EXPECT_TRUE(dialogos.messages[0].text.contains("tiempo máximo"));
    EXPECT_EQ(leido(ajustes::kCopiaConsistente), "N");
    txt(11)->setText("45");
    boton("cmdGrabar")->click();
    EXPECT_EQ(leido(ajustes::kBaseTiempoMaximo), "45");
    EXPECT_EQ(leido(ajustes::kCopiaConsistente), "S");
    EXPECT_EQ(leido(ajustes::kBaseServidor), "127.0.0.1:3307");
    EXPECT_EQ(leido(ajustes::kBaseUsuario), "DATO SIN DEFINIR");
    EXPECT_NE(leido(ajustes::kBasePassword), "nueva");
    EXPECT_EQ(DeAcceso().DesEncripta(leido(ajustes::kBasePassword), 3), "nueva");
}

TEST_F(SettingsWindowTest, SharingBetweenCopiesIsOnUntilUncheckedBesideTheCycleOptions) {
    abrir(); // no key yet: its default
    EXPECT_TRUE(chk(6)->isChecked());
    EXPECT_EQ(chk(6)->parentWidget(), opt(0)->parentWidget());
    chk(0)->setChecked(false);
    EXPECT_FALSE(chk(6)->isEnabled());
    chk(6)->setChecked(false);
    txt(6)->setText("7");
    txt(7)->setText("5");
    boton("cmdGrabar")->click();
    EXPECT_EQ(leido(ajustes::kCompartirArchivos), "N");
}
