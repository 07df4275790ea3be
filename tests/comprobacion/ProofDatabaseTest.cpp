#include "MariaDbServer.h"
#include "ShopDatabase.h"
#include "TestSupport.h"
#include "comprobacion/ComprobacionDeBase.h"
#include "comprobacion/ContenidoDeVolcado.h"
#include "host/ClienteDeBase.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

const QString kShop = QStringLiteral("tienda_prueba");
const QString kUser = QStringLiteral("respaldo_prueba");
const QString kPassword = QStringLiteral("Pp-%1").arg(QDateTime::currentMSecsSinceEpoch());

class ProofDatabaseTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const MariaDbServer server = MariaDbServer::fromEnvironment();
        ASSERT_TRUE(server.available()) << "run with the CTest fixture mariadb";
        shop = ShopDatabase::created(server, kShop, kUser, kPassword);
        NoEventPump bomba;
        QString error;
        ASSERT_TRUE(ClienteDeBase({server.socket, kUser, kPassword}, bomba)
                        .Volcar(kShop, dumps->path() + QStringLiteral("/bueno.sql"), error))
            << error.toStdString();
    }
    static void TearDownTestSuite() { shop.reset(); }

    static QByteArray bueno() { return readFile(dumps->path() + QStringLiteral("/bueno.sql")); }

    static inline std::unique_ptr<ShopDatabase> shop;
    static inline std::unique_ptr<TempFolder> dumps = std::make_unique<TempFolder>();
    TempFolder tmp;
    CountingPump pump;
};

TEST_F(ProofDatabaseTest, GoodDumpPassesAndDamagedOnesNameWhatFailsScratchServerAlwaysGone) {
    // One byte changed in the dump: the second row of the stock takes the first one's key.
    QByteArray cambiado = bueno();
    const qsizetype segunda = cambiado.indexOf("),\n(2,", cambiado.indexOf("`existencias` VALUES"));
    ASSERT_GE(segunda, 0);
    cambiado[segunda + 4] = '1';
    const struct {
        const char* caso;
        QByteArray volcado;
        QString base;
        QString falla; // "" when the proof passes
    } casos[] = {
        {"bueno", bueno(), kShop, QString()},
        {"truncado", bueno().left(bueno().size() / 2), kShop,
         QStringLiteral("tienda_prueba.sql: volcado incompleto (le falta su final)")},
        {"otra base", bueno(), QStringLiteral("caja"),
         QStringLiteral("caja.sql: es un volcado de la base tienda_prueba, no de caja")},
        {"byte cambiado", cambiado, kShop, QStringLiteral("tienda_prueba.sql: no carga: ERROR ")},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caso);
        const QString volcado = tmp / c.base + QStringLiteral(".sql");
        writeFile(volcado, c.volcado);
        const QString carpeta = tmp / QStringLiteral("TmpData/Comprobacion");
        QString falla;
        bool correcta = false;
        {
            ComprobacionDeBase comprobacion(carpeta, pump, QDeadlineTimer(120000));
            correcta = comprobacion.comprobar(volcado, c.base, falla);
            if (correcta) {
                EXPECT_EQ(comprobacion.tablas(), 3);
                EXPECT_GT(comprobacion.filas(), 0);
            }
        }
        EXPECT_EQ(correcta, c.falla.isEmpty()) << falla.toStdString();
        EXPECT_TRUE(falla.startsWith(c.falla)) << falla.toStdString();
        EXPECT_FALSE(QFileInfo::exists(carpeta));
        EXPECT_FALSE(processMentioning(carpeta));
    }
}

TEST_F(ProofDatabaseTest, EndingTheProgramMidLoadStopsTheServerAndRemovesItsFolder) {
    const QString volcado = tmp / kShop + QStringLiteral(".sql");
    writeFile(volcado, bueno());
    const QString carpeta = tmp / QStringLiteral("TmpData/Comprobacion");
    bool descartado = false;
    pump.onPump = [&] {
        if (!descartado && QFileInfo::exists(carpeta + QStringLiteral("/servidor.sock"))) {
            ServidorDePrueba::Descartar();
            descartado = true;
            EXPECT_FALSE(QFileInfo::exists(carpeta));
            EXPECT_FALSE(processMentioning(carpeta));
        }
    };
    ComprobacionDeBase comprobacion(carpeta, pump, QDeadlineTimer(120000));
    QString falla;
    EXPECT_FALSE(comprobacion.comprobar(volcado, kShop, falla));
    EXPECT_TRUE(descartado);
}

TEST(DumpContentTest, RowsAreTheInsertsGroupsOutsideQuotesOnOneLineOrMany) {
    ContenidoDeVolcado contenido;
    for (const char* linea :
         {"USE `caja`;", "CREATE TABLE `a` (", "  `id` int(11) NOT NULL,", ");",
          "INSERT INTO `a` VALUES (1,'it\\'s ('),(2,'\\\\'),(3,x);", "CREATE TABLE `b``c` (",
          "INSERT INTO `b``c` VALUES", "(1,'a),(b'),", "(2,'c;');", "-- Dump completed on"})
        contenido.anotarLinea(linea);
    ASSERT_EQ(contenido.tablas.size(), 2u);
    EXPECT_EQ(contenido.tablas[0].filas, 3);
    EXPECT_EQ(contenido.tablas[1].nombre, QStringLiteral("b`c"));
    EXPECT_EQ(contenido.tablas[1].filas, 2);
    EXPECT_EQ(contenido.bases, QStringList{QStringLiteral("caja")});
    EXPECT_TRUE(contenido.completo);
}

} // namespace
