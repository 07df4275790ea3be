#include "MariaDbServer.h"
#include "ShopDatabase.h"
#include "TestSupport.h"
#include "host/ClienteDeBase.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

const QString kShop = QStringLiteral("tienda_volcado");
const QString kUser = QStringLiteral("respaldo_volcado");
// Blanks, quotes, a backslash and "#" must all reach the server intact.
const QString kPassword =
    QStringLiteral("Pv #\"q\\z' %1 ").arg(QDateTime::currentMSecsSinceEpoch());

// Whether any process shows the text in its command line or environment; notes whether a dump
// was among the processes.
bool anyProcessShows(const QByteArray& text, bool& dumpSeen) {
    bool shown = false;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (!pid.front().isDigit())
            continue;
        for (const char* file : {"/cmdline", "/environ"}) {
            QFile f(QStringLiteral("/proc/") + pid + QLatin1String(file));
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QByteArray content = f.readAll();
            shown = shown || content.contains(text);
            dumpSeen = dumpSeen || (file[1] == 'c' && content.contains("mariadb-dump"));
        }
    }
    return shown;
}

class ConsistentCopyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        shop = ShopDatabase::created(MariaDbServer::fromEnvironment(), kShop, kUser, kPassword);
    }
    static void TearDownTestSuite() { shop.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server.available()) << "run with the CTest fixtures mariadb, mariadb_fresh";
        // The options file goes to the temporary folder: a private one shows what is left.
        qputenv("TMPDIR", tmp.path().toLocal8Bit());
    }

    ClienteDeBase copia(const QString& servidor, const QString& password = kPassword) {
        return ClienteDeBase({servidor, kUser, password}, pump);
    }
    QString tcp() const { return server.host + ':' + QString::number(server.port); }

    static inline std::unique_ptr<ShopDatabase> shop;
    MariaDbServer server = MariaDbServer::fromEnvironment();
    MariaDbServer fresh = MariaDbServer::fromEnvironment("ZARVENTO_MARIADB_FRESH_CONNECTION");
    TempFolder tmp;
    TempFolder staging;
    CountingPump pump;
};

TEST_F(ConsistentCopyTest, DumpsTakenWhileClientsSellRestoreWholeEveryRound) {
    bool passwordShown = false;
    bool dumpSeen = false;
    pump.onPump = [&] { passwordShown |= anyProcessShows(kPassword.toUtf8(), dumpSeen); };
    const QString dump = staging / kShop + QStringLiteral(".sql");
    shop->startSelling();
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(shop->waitForSales(200)) << "the clients do not sell";
        QString error;
        ASSERT_TRUE(copia(tcp()).Volcar(kShop, dump, error)) << error.toStdString();
        EXPECT_EQ(ShopDatabase::restored(fresh, kShop, dump), ShopDatabase::whole())
            << "round " << round;
    }
    shop->stopSelling();
    EXPECT_EQ(QFile::permissions(dump) & 0x0077, QFile::Permissions()) << "the dump is private";
    EXPECT_TRUE(dumpSeen) << "the process list was read while a dump ran";
    EXPECT_FALSE(passwordShown);
    EXPECT_TRUE(QDir(tmp.path()).isEmpty()) << "the options file is removed";
}

TEST_F(ConsistentCopyTest, ReachesTheServerThroughItsSocketFile) {
    QString error;
    EXPECT_TRUE(copia(server.socket).Volcar(kShop, staging / QStringLiteral("s.sql"), error))
        << error.toStdString();
    const auto bases = copia(server.socket).Bases(error);
    ASSERT_TRUE(bases) << error.toStdString();
    EXPECT_TRUE(bases->contains(kShop));
}

TEST_F(ConsistentCopyTest, FailuresGiveTheReasonAndLeaveNoFile) {
    struct Case {
        QString servidor, password, base, reason;
    } cases[] = {
        {tcp(), QStringLiteral("mala"), kShop, QStringLiteral("Access denied")},
        {tcp(), kPassword, QStringLiteral("no_existe"), QStringLiteral("'no_existe'")},
        {QStringLiteral("127.0.0.1:1"), kPassword, kShop, QStringLiteral("Can't connect")},
        {QStringLiteral("127.0.0.1:99999"), kPassword, kShop, QStringLiteral("no válido")},
    };
    const QString dump = staging / QStringLiteral("f.sql");
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(copia(c.servidor, c.password).Volcar(c.base, dump, error))
            << c.servidor.toStdString();
        EXPECT_TRUE(error.contains(c.reason)) << error.toStdString();
        EXPECT_FALSE(QFile::exists(dump));
    }
    QString error;
    EXPECT_FALSE(copia(tcp(), QStringLiteral("mala")).Bases(error));
    EXPECT_TRUE(error.contains(QStringLiteral("Access denied"))) << error.toStdString();
}

TEST_F(ConsistentCopyTest, DataFoldersOfARunningServerAreRecognised) {
    EXPECT_TRUE(CarpetaDeServidorActivo(server.dataDir));
    EXPECT_TRUE(CarpetaDeServidorActivo(server.dataDir + '/' + kShop + '/'));
    // The same files, copied and so not held by any server.
    for (const char* name : {"ibdata1", "aria_log_control"})
        writeFile(tmp / QString::fromLatin1(name), "x");
    EXPECT_FALSE(CarpetaDeServidorActivo(tmp.path()));
    EXPECT_FALSE(CarpetaDeServidorActivo(tmp / QStringLiteral("tienda")));

    EXPECT_EQ(ClienteDeBase::BaseDeCarpeta(QStringLiteral("/srv/data/tienda/")), kShop.left(6));
    EXPECT_EQ(ClienteDeBase::BaseDeCarpeta(QStringLiteral("/srv/data/caja@002d1")),
              QStringLiteral("caja-1"));
}

} // namespace
