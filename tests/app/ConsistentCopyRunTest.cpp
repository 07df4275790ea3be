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

#include <QProcess>
#include <csignal>
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

// A process's status line: "pid (name) state parent ...", empty when it is gone.
QByteArray statusOf(const QString& pid) {
    QFile file(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The child of parent that runs the program of that name; 0 when there is none.
pid_t childRunning(qint64 parent, const QByteArray& program) {
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray stat = statusOf(pid);
        const qsizetype name = stat.indexOf('('), end = stat.lastIndexOf(')');
        if (name > 0 && stat.mid(name + 1, end - name - 1) == program &&
            stat.mid(end + 2).split(' ').value(1).toLongLong() == parent)
            return pid.toInt();
    }
    return 0;
}

bool running(pid_t pid) {
    const QByteArray stat = statusOf(QString::number(pid));
    return !stat.isEmpty() && stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

// The agent ends by SIGTERM in the middle of a dump that waits for a table: neither the
// password nor the dump is left on disk, and the dump's process ends with the agent.
TEST_F(ConsistentCopyRunTest, AnAgentEndedDuringADumpLeavesNoFileAndNoDumpRunning) {
    TempFolder tmp;
    const QString staging = dir / "TmpData";
    QDir().mkpath(staging);
    const TableLock lock(server, kShop + ".existencias");
    QProcess agent;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tmp.path());
    agent.setProcessEnvironment(env);
    agent.start(ZARVENTO_DUMP_DRIVER,
                {server.socket, kUser, kPassword, kShop, staging + "/" + kShop + ".sql"});
    ASSERT_TRUE(agent.waitForStarted());
    pid_t dump = 0;
    for (const QDeadlineTimer patience(30000); dump == 0 && !patience.hasExpired();
         QThread::msleep(20))
        dump = childRunning(agent.processId(), "mariadb-dump");
    ASSERT_NE(dump, 0) << agent.readAllStandardError().toStdString();

    ::kill(static_cast<pid_t>(agent.processId()), SIGTERM);
    ASSERT_TRUE(agent.waitForFinished(10000));
    EXPECT_EQ(agent.exitCode(), 0);
    for (const QDeadlineTimer patience(5000); running(dump) && !patience.hasExpired();)
        QThread::msleep(20);
    EXPECT_FALSE(running(dump));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(QDir(staging).entryList(QDir::Files | QDir::Hidden), QStringList());
}

} // namespace
