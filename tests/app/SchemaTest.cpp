#include "ProgramaDePrueba.h"
#include "TestSupport.h"
#include "app/CatalogoDeAjustes.h"
#include "app/RevisionConfiguracion.h"
#include "engine/clsRespaldar.h"
#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/IniFile.h"
#include "host/LibORVX.h"

#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

class SchemaTest : public ::testing::Test, protected ProgramaDePrueba {
protected:
    SchemaTest() : ProgramaDePrueba(QDateTime(QDate(2026, 12, 7), QTime(10, 0))) {}

    void SetUp() override { QDir().mkpath(programa.folder); }

    // The settings file after a review of a file holding only the given text.
    QString revisado(const QByteArray& contenido) {
        const ArchivosPrincipal archivos = ArchivosPrincipal::de(programa);
        writeFile(archivos.pbArchivoIni, contenido);
        VentanaQuieta ventana;
        RevisionConfiguracion(componentes, ini, job, archivos, clock, ventana)
            .RevisarConfiguracion();
        return archivos.pbArchivoIni;
    }

    clsRespaldar job{{clock, pump, notice, programa.folder, Regional(QLocale("en_US"))}};
};

} // namespace

TEST_F(SchemaTest, TheReviewWritesBackTheSchemaDefaults) {
    const auto& ftp = ajustes::kGrupoFTP;
    // The FTP keys are repaired only while FTP is on.
    for (const bool conFTP : {false, true}) {
        const QString archivo = revisado(conFTP ? "[Configuración]\r\nRespaldo en FTP=S\r\n" : "");
        for (const ajustes::Ajuste& ajuste : ajustes::kEsquema) {
            if (!ajuste.defecto || &ajuste == &ajustes::de(ajustes::kRutaHost))
                continue; // the host check repairs its own key
            const bool esFTP =
                &ajuste == &ftp.servidor || &ajuste == &ftp.usuario || &ajuste == &ftp.password;
            if (esFTP != conFTP || &ajuste == &ajustes::de(ajustes::kRespaldoEnFTP))
                continue;
            // The database keys are repaired only while the consistent copy is on.
            if (QByteArray(ajuste.clave).startsWith("Base "))
                continue;
            EXPECT_EQ(ini::read(archivo, ajuste.seccion, ajuste.clave),
                      QString::fromUtf8(ajuste.defecto))
                << ajuste.clave;
        }
    }
}

TEST_F(SchemaTest, SavingKeepsEveryUnrelatedLineByteForByte) {
    const ArchivosDeAjustes archivos{dir / "a.ini", dir / "rutas.txt", dir / "datas.txt"};
    const QByteArray ajeno = "; notas del usuario, caf\xe9 en Windows-1252  \r\n"
                             "[Otra sección]\r\n"
                             "  Clave rara =  con espacios \r\n"
                             "\r\n";
    writeFile(archivos.pbArchivoIni, ajeno + "[Configuración]\r\nCiclo=Semanal\r\n"
                                             "[Configuración frmConfiguracion]\r\nArriba=120\r\n");
    CatalogoDeAjustes catalogo(componentes, archivos);
    ValoresDeAjustes valores = catalogo.cargar();
    valores.horas = "23";
    valores.minutos = "30";
    ASSERT_TRUE(catalogo.grabar(valores));

    const QByteArray despues = readFile(archivos.pbArchivoIni);
    EXPECT_TRUE(despues.startsWith(ajeno)) << despues.toStdString();
    EXPECT_TRUE(despues.endsWith("[Configuración frmConfiguracion]\r\nArriba=120\r\n"));
    EXPECT_EQ(ini::read(archivos.pbArchivoIni, ajustes::kConfiguracion, ajustes::kCiclo), "S");
    EXPECT_EQ(ini::read(archivos.pbArchivoIni, ajustes::kConfiguracion, ajustes::kHoraDelRespaldo),
              "23:30");
}
