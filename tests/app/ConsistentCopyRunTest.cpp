#include "ProgramaDePrueba.h"
#include "ShopDatabase.h"
#include "TestSupport.h"
#include "app/ConductorRespaldo.h"
#include "app/RevisionConfiguracion.h"
#include "engine/clsRespaldar.h"
#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/DeAcceso.h"
#include "host/IniFile.h"
#include "host/LibORVX.h"

#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

const QString kShop = QStringLiteral("tienda_corrida");
const QString kUser = QStringLiteral("respaldo_corrida");
const QString kPassword = QStringLiteral("Corrida-%1").arg(QDateTime::currentMSecsSinceEpoch());

// The settings as the settings window saves them, reviewed into the job, then one run of the
// data list holding the shop's database folder; the central server is down.
class ConsistentCopyRunTest : public ::testing::Test, protected ProgramaDePrueba {
protected:
    ConsistentCopyRunTest() : ProgramaDePrueba(QDateTime(QDate(2026, 12, 7), QTime(23, 0))) {}

    static void SetUpTestSuite() {
        shop = ShopDatabase::created(MariaDbServer::fromEnvironment(), kShop, kUser, kPassword);
    }
    static void TearDownTestSuite() { shop.reset(); }

    void SetUp() override {
        QDir().mkpath(programa.folder);
        archivos = ArchivosPrincipal::de(programa);
        job.ObjetoLog(&log);
        writeFile(archivos.pbArchivoRutas, "");
        writeFile(archivos.pbArchivoDATAs, (server.dataDir + '/' + kShop).toUtf8() + "\r\n");
        QDir().mkpath(dir / "destino");
        for (const auto& [clave, valor] :
             {std::pair{ajustes::kRutaDestino, dir / "destino"},
              std::pair{ajustes::kHoraDelRespaldo, QStringLiteral("23:00")},
              std::pair{ajustes::kRespaldosVariados, QStringLiteral("N")},
              std::pair{ajustes::kCopiaConsistente, QStringLiteral("S")},
              std::pair{ajustes::kBaseServidor, server.socket},
              std::pair{ajustes::kBaseUsuario, kUser}})
            setting(clave, valor);
        ini::write(archivos.pbArchivoIni, ajustes::kResultado, ajustes::kUltimoRespaldo,
                   "2026-01-01");
    }

    void setting(const char* key, const QString& value) {
        ini::write(archivos.pbArchivoIni, ajustes::kConfiguracion, key, value);
    }
    void reviewAndRun(const QString& password) {
        setting(ajustes::kBasePassword, DeAcceso().Encripta(password, ajustes::kLlaveFTP));
        RevisionConfiguracion(componentes, ini, job, archivos, clock, ventana)
            .RevisarConfiguracion();
        ConductorRespaldo(componentes, ini, job, archivos, {"127.0.0.1", 1, "nadie", "nada"}, clock)
            .EjecutarRespaldo([] {});
    }
    QString lastBackup() const {
        return ini::read(archivos.pbArchivoIni, ajustes::kResultado, ajustes::kUltimoRespaldo);
    }

    static inline std::unique_ptr<ShopDatabase> shop;
    MariaDbServer server = MariaDbServer::fromEnvironment();
    ArchivosPrincipal archivos;
    clsRespaldar job{{clock, pump, notice, programa.folder, Regional(QLocale("en_US"))}};
    VentanaQuieta ventana;
};

TEST_F(ConsistentCopyRunTest, AWrongPasswordFailsTheRunAndTheRightOneCompletesIt) {
    reviewAndRun("mala");
    EXPECT_TRUE(log.lines.contains(Bitacora::ComponerLinea("Base servidor", server.socket, false)));
    EXPECT_EQ(log.lines.last(), "Error al respaldar  ... ");
    EXPECT_EQ(lastBackup(), "2026-01-01");
    const QString logFile = QString::fromUtf8(readFile(programa.folder + "/Bitacora.log"));
    EXPECT_TRUE(logFile.contains("Copia consistente fallida") && logFile.contains("Access denied"));

    log.lines.clear();
    reviewAndRun(kPassword);
    EXPECT_EQ(log.lines.last(), "Respaldo finalizado  ... ");
    EXPECT_EQ(lastBackup(), "2026-12-07");
    EXPECT_TRUE(QFile::exists(dir / ("destino//" + kShop + "/" + kShop + ".sql")));
    EXPECT_FALSE(QFile::exists(archivos.carpetaTemporal));
    EXPECT_FALSE(readFile(programa.folder + "/Bitacora.log").contains(kPassword.toUtf8()));
}

} // namespace
