#include "FtpServers.h"
#include "ProgramaDePrueba.h"
#include "TestSupport.h"
#include "app/ConductorRespaldo.h"
#include "comprobacion/ComprobacionNocturna.h"
#include "consola/LineaDeOrdenes.h"
#include "engine/clsRespaldar.h"
#include "host/ClavesAjustes.h"
#include "host/DeAcceso.h"
#include "host/IniFile.h"

#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

const auto* const kServers = ::testing::AddGlobalTestEnvironment(new FtpServers);

// A run to a server on Monday 7 December 2026, its proof read back from the server, then the
// proof on demand of the same copy: each leaves its result in the copy's record on the server.
class NightlyProofTest : public ::testing::Test, protected ProgramaDePrueba {
protected:
    NightlyProofTest() : ProgramaDePrueba(QDateTime(QDate(2026, 12, 7), QTime(23, 0))) {}

    const FtpServer& server() const { return FtpServers::byKind("pyftpdlib"); }
    std::optional<ResultadoDeComprobacion> recordedProof() const {
        QString error;
        const auto registro = RegistroDeCopia::leer(
            readFile(server().local("nocturna/Mon/.zarvento-copia.json")), error);
        return registro ? registro->comprobacion : std::nullopt;
    }
};

TEST_F(NightlyProofTest, ARunToAServerIsProvenAndTheRecordThereKeepsEachProof) {
    QDir().mkpath(programa.folder);
    const ArchivosPrincipal archivos = ArchivosPrincipal::de(programa);
    for (const auto& [nombre, contenido] :
         {std::pair{"carta.txt", QByteArray("pedido")},
          std::pair{"sub/grande.bin", QByteArray(9 << 20, 'g')}}) {
        writeFile(dir / "docs/" + nombre, contenido);
        setModified(dir / "docs/" + nombre, 1700000000);
    }
    writeFile(archivos.pbArchivoRutas, (dir / "docs\r\n").toUtf8());
    writeFile(archivos.pbArchivoDATAs, "");
    const DeAcceso acceso;
    for (const auto& [clave, valor] :
         {std::pair{ajustes::kRutaDestino, QStringLiteral("/nocturna")},
          std::pair{ajustes::kRespaldoEnFTP, QStringLiteral("S")},
          std::pair{ajustes::kFTPservidor, acceso.Encripta(server().address, ajustes::kLlaveFTP)},
          std::pair{ajustes::kFTPusuario, acceso.Encripta(server().user, ajustes::kLlaveFTP)},
          std::pair{ajustes::kFTPpassword, acceso.Encripta(server().password, ajustes::kLlaveFTP)},
          std::pair{ajustes::kHoraDelRespaldo, QStringLiteral("23:00")}})
        ini::write(archivos.pbArchivoIni, ajustes::kConfiguracion, clave, valor);
    clsRespaldar job{{clock, pump, notice, programa.folder, Regional(QLocale("en_US"))}};
    job.ObjetoLog(&log);
    VentanaQuieta ventana;
    RevisionConfiguracion(componentes, ini, job, archivos, clock, ventana).RevisarConfiguracion();
    const ConexionCentral sinServidor{"127.0.0.1", 1, "nadie", "nada"};
    ConductorRespaldo conductor(componentes, ini, job, archivos, sinServidor, clock);
    conductor.comprobador(ComprobacionNocturna(AjustesEnIni(ini, archivos.pbArchivoIni), job,
                                               archivos.carpetaTemporal, pump));
    conductor.EjecutarRespaldo([] {});
    ASSERT_EQ(log.lines.last(), "Respaldo finalizado  ... ") << log.lines.join('\n').toStdString();
    EXPECT_TRUE(log.lines.contains("*)Copia comprobada:--------> 2 archivos, 9,437,190 bytes "
                                   "leídos de vuelta, 0 tablas revisadas"))
        << log.lines.join('\n').toStdString();
    auto proof = recordedProof();
    ASSERT_TRUE(proof);
    EXPECT_TRUE(proof->correcta());
    EXPECT_FALSE(proof->todos);

    QString out;
    QTextStream salida(&out);
    Consola consola{salida, salida, [this] { return componentes.entorno(); }};
    EXPECT_EQ(EjecutarLineaDeOrdenes({"zarvento", "--comprobar", "Mon"}, consola), 0)
        << out.toStdString();
    proof = recordedProof();
    ASSERT_TRUE(proof);
    EXPECT_TRUE(proof->correcta() && proof->todos) << proof->falla.toStdString();
    EXPECT_EQ(proof->bytes, 9437190);
}

} // namespace
