#include "EngineFixture.h"
#include "FtpServers.h"
#include "ShopDatabase.h"

#include <optional>

using namespace zarvento;
using namespace zarvento::test;

namespace {

const auto* const kServers = ::testing::AddGlobalTestEnvironment(new FtpServers);
const QString kShop = QStringLiteral("tienda_ruta");
const QString kUser = QStringLiteral("respaldo_ruta");
const QString kPassword = QStringLiteral("Ruta-%1").arg(QDateTime::currentMSecsSinceEpoch());

// The shop's database folder of a running server as a data route, backed up through the
// staging folder while clients keep selling. Its running total is kept in a table without
// transactions, as in older shops.
class ConsistentRouteTest : public EngineTest {
protected:
    static void SetUpTestSuite() {
        shop = ShopDatabase::created(MariaDbServer::fromEnvironment(), kShop, kUser, kPassword,
                                     "Aria");
    }
    static void TearDownTestSuite() { shop.reset(); }

    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(server.available()) << "run with the CTest fixtures mariadb, mariadb_fresh";
        QDir().mkpath(staging);
        job->RutaOriginal(server.dataDir + '/' + kShop);
        job->RespaldoMultiple(false);
        job->Incremental(true);
        useServer(kPassword);
    }

    QString tcp() const { return server.host + ':' + QString::number(server.port); }
    void useServer(const QString& password) {
        job->CopiaConsistente(ServidorDeBase{tcp(), kUser, password});
    }

    // Backs the route up while the clients sell, then restores the dump it left at the
    // destination into the empty server.
    void backUpAndRestore(const QString& dump) {
        ASSERT_TRUE(shop->waitForSales(200)) << "the clients do not sell";
        ASSERT_TRUE(job->Respaldar(staging));
        EXPECT_EQ(ShopDatabase::restored(fresh, kShop, dump), ShopDatabase::whole());
    }

    bool logged(const QString& text) const {
        return log.lines.filter(text).size() == 1 && !fileLines().filter(text).isEmpty();
    }

    static inline std::unique_ptr<ShopDatabase> shop;
    MariaDbServer server = MariaDbServer::fromEnvironment();
    MariaDbServer fresh = MariaDbServer::fromEnvironment("ZARVENTO_MARIADB_FRESH_CONNECTION");
    QString staging = dir / "programa/TmpData";
};

TEST_F(ConsistentRouteTest, DumpGoesBesideTheRawFilesAndRestoresEveryRound) {
    const QString dest = dir / ("destino//" + kShop + "/");
    shop->startSelling();
    for (int round = 0; round < 3; ++round) {
        log.clear();
        backUpAndRestore(dest + kShop + ".sql");
        ASSERT_FALSE(HasFatalFailure());
    }
    shop->stopSelling();
    const QStringList copied = treeOf(dest);
    EXPECT_TRUE(copied.contains(kShop + ".sql"));
    EXPECT_TRUE(copied.contains("existencias.ibd"));
    EXPECT_TRUE(logged("*)Copia consistente:-------> " + kShop));
    EXPECT_TRUE(logged("*)Copia con bloqueo:-------> 1 tabla sin transacciones (resumen)"));
    EXPECT_TRUE(logged("*)Tamaño de la copia:------> "));
    EXPECT_TRUE(
        log.lines.contains(QStringLiteral("*)Archivos totales:--------> %1").arg(copied.size())));
    EXPECT_TRUE(treeOf(staging).isEmpty());
    EXPECT_FALSE(readFile(logFile()).contains(kPassword.toUtf8()));
}

TEST_F(ConsistentRouteTest, DumpIsUploadedWithTheRouteToAnFtpServer) {
    const FtpServer& ftp = FtpServers::byKind("pyftpdlib");
    ASSERT_TRUE(ftp.running) << ftp.whyNot.toStdString();
    job->RespaldoEnFTP(true);
    job->FTPservidor(ftp.address);
    job->ftpUsuario(ftp.user);
    job->FTPpassword(ftp.password);
    job->RespaldoMultiple(true);
    job->RutaDestino("/ftp");
    shop->startSelling();
    backUpAndRestore(ftp.local("ftp/Mon/" + kShop + "/" + kShop + ".sql"));
    shop->stopSelling();
    EXPECT_TRUE(QFile::exists(ftp.local("ftp/Mon/" + kShop + "/existencias.ibd")));
}

TEST_F(ConsistentRouteTest, FailedDumpFailsTheRouteAfterItsFiles) {
    useServer("mala");
    EXPECT_FALSE(job->Respaldar(staging));
    EXPECT_TRUE(logged("*)Copia consistente fallida:> "));
    EXPECT_TRUE(log.lines.filter("Access denied").size() == 1);
    const QStringList copied = treeOf(dir / ("destino//" + kShop));
    EXPECT_TRUE(copied.contains("existencias.ibd"));
    EXPECT_FALSE(copied.contains(kShop + ".sql"));
    EXPECT_TRUE(treeOf(staging).isEmpty());
}

// The day the database cannot be copied is the day its last copy matters most: the route
// fails and last week's dump stays in the cycle folder.
TEST_F(ConsistentRouteTest, AFailedDumpLeavesThePreviousOneInPlace) {
    job->RespaldoMultiple(true);
    ASSERT_TRUE(job->Respaldar(staging));
    const QString dump = dir / ("destino/Mon/" + kShop + "/" + kShop + ".sql");
    const QByteArray good = readFile(dump);
    ASSERT_TRUE(good.contains("-- Dump completed"));
    struct Case {
        QString servidor, password;
        bool locked;
        QString reason;
    } cases[] = {
        {tcp(), "mala", false, "ERROR 1045"},
        {"127.0.0.1:1", kPassword, false, "ERROR 2002"},
        {tcp(), kPassword, true, "mariadb-dump no terminó en el tiempo máximo de 2 segundos"},
    };
    for (const Case& c : cases) {
        clock.advance(7 * 24 * 3600);
        log.clear();
        job->CopiaConsistente(ServidorDeBase{c.servidor, kUser, c.password},
                              std::chrono::seconds(2));
        std::optional<TableLock> lock;
        if (c.locked)
            lock.emplace(server, kShop + ".existencias");
        EXPECT_FALSE(job->Respaldar(staging)) << c.reason.toStdString();
        EXPECT_EQ(log.lines.filter("Copia consistente fallida").size(), 1);
        EXPECT_EQ(log.lines.filter(c.reason).size(), 1) << log.lines.join('\n').toStdString();
        EXPECT_EQ(readFile(dump), good) << c.reason.toStdString();
        EXPECT_TRUE(treeOf(staging).isEmpty());
    }
}

TEST_F(ConsistentRouteTest, WithoutItARunningServersFolderIsWarnedAbout) {
    const QString warning =
        "*)Atención:----------------> Base de datos en uso: su copia de archivos puede no "
        "servir para restaurar";
    job->CopiaConsistente(std::nullopt);
    ASSERT_TRUE(job->Respaldar(staging));
    EXPECT_TRUE(logged(warning));
    EXPECT_FALSE(QFile::exists(dir / ("destino//" + kShop + "/" + kShop + ".sql")));

    writeFile(source("a.txt"), "a"); // a folder no server holds
    job->RutaOriginal(source());
    log.clear();
    ASSERT_TRUE(job->Respaldar(staging));
    EXPECT_TRUE(log.lines.filter("Atención").isEmpty());
}

} // namespace
