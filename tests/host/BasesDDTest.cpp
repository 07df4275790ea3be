#include "host/BasesDD.h"

#include "MariaDbServer.h"
#include "TestSupport.h"

#include <QDate>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <mysql.h>

using namespace zarvento;
using zarvento::test::MariaDbServer;
using zarvento::test::SocketLocal;

namespace {

class BasesDDTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = MariaDbServer::fromEnvironment();
        ASSERT_TRUE(server.available()) << "no test server: run with the CTest fixture mariadb";
        bases = conCuenta(server.user, server.password);
    }

    BasesDD conCuenta(const QString& usuario, const QString& password) const {
        BasesDD b;
        b.cRuta = server.host;
        b.cPuerto = server.port;
        b.cUsuario = usuario;
        b.cPassword = password;
        b.cMiBase = server.database;
        b.cCertificadoCA = server.ca;
        return b;
    }

    void abrir(Conexion& conexion) {
        QString error;
        ASSERT_TRUE(bases.AbrirBdD(conexion, bases.cMiBase, &error)) << error.toStdString();
    }

    // The first row of a query of the test's own, each column as text.
    static QStringList fila(Conexion& conexion, const QByteArray& sql) {
        if (mysql_real_query(conexion.handle(), sql.constData(), sql.size()) != 0)
            return {QString::fromUtf8(mysql_error(conexion.handle()))};
        MYSQL_RES* res = mysql_store_result(conexion.handle());
        QStringList columnas;
        if (MYSQL_ROW row = res ? mysql_fetch_row(res) : nullptr) {
            for (unsigned i = 0; i < mysql_num_fields(res); ++i)
                columnas.append(QString::fromUtf8(row[i]));
        }
        mysql_free_result(res);
        return columnas;
    }

    qint64 agregarMovimiento(Conexion& conexion, const QDate& fecha) {
        Tabla tabla;
        QString error;
        EXPECT_TRUE(bases.AbrirTabla(tabla, conexion, "rdamovtos WHERE Id = -9", &error))
            << error.toStdString();
        tabla.AddNew();
        tabla.setField("Fecha", fecha);
        tabla.setField("Version", "5.0.0");
        EXPECT_TRUE(tabla.Update(&error)) << error.toStdString();
        BasesDD::CierraTabla(tabla);
        return bases.LastId(conexion, "rdamovtos", "Id");
    }

    MariaDbServer server;
    BasesDD bases;
};

} // namespace

TEST_F(BasesDDTest, RunAndDetailRowsAreStoredVerbatim) {
    Conexion conexion;
    abrir(conexion);
    const qint64 idMovto = agregarMovimiento(conexion, QDate(2026, 12, 7));
    ASSERT_GT(idMovto, 0);
    EXPECT_EQ(fila(conexion, "SELECT Fecha, Version FROM rdamovtos WHERE Id = " +
                                 QByteArray::number(idMovto)),
              QStringList({"2026-12-07", "5.0.0"}));

    const QString hostil = "/datos/O'Brien; DROP TABLE rdamovtos; -- \\\" `x` ñ €";
    const QString largo = "/copias/" + QString(4000, u'ñ');
    Tabla detalle;
    ASSERT_TRUE(bases.AbrirTabla(detalle, conexion, "rdamovtosdetalle WHERE Id = -9"));
    detalle.AddNew();
    detalle.setField("IdMovto", static_cast<int>(idMovto));
    detalle.setField("RutaRespaldada", hostil);
    detalle.setField("RutaDestino", largo);
    QString error;
    ASSERT_TRUE(detalle.Update(&error)) << error.toStdString();
    const qint64 idDetalle = bases.LastId(conexion, "rdamovtosdetalle", "Id");
    EXPECT_EQ(fila(conexion, "SELECT IdMovto, RutaRespaldada, RutaDestino FROM rdamovtosdetalle "
                             "WHERE Id = " +
                                 QByteArray::number(idDetalle)),
              QStringList({QString::number(idMovto), hostil, largo}));
    EXPECT_EQ(
        fila(conexion, "SELECT COUNT(*) FROM rdamovtos WHERE Id = " + QByteArray::number(idMovto)),
        QStringList({"1"}));

    // An empty route is stored as an empty text; a field set twice keeps its last value.
    detalle.AddNew();
    detalle.setField("IdMovto", static_cast<int>(idMovto));
    detalle.setField("RutaRespaldada", "primero");
    detalle.setField("rutarespaldada", QString());
    detalle.setField("RutaDestino", "");
    ASSERT_TRUE(detalle.Update(&error)) << error.toStdString();
    EXPECT_EQ(fila(conexion, "SELECT RutaRespaldada IS NULL, LENGTH(RutaRespaldada) FROM "
                             "rdamovtosdetalle WHERE Id = LAST_INSERT_ID()"),
              QStringList({"0", "0"}));
    BasesDD::CierraTabla(detalle);
    BasesDD::CierraBdD(conexion);
    EXPECT_FALSE(conexion.abierta());
}

TEST_F(BasesDDTest, LastIdIsTheRowThisConnectionAdded) {
    Conexion a;
    Conexion b;
    abrir(a);
    abrir(b);
    EXPECT_EQ(bases.LastId(a, "rdamovtos", "Id"), 0);
    const qint64 idA = agregarMovimiento(a, QDate(2026, 12, 8));
    const qint64 idB = agregarMovimiento(b, QDate(2026, 12, 8));
    EXPECT_GT(idB, idA);
    EXPECT_EQ(bases.LastId(a, "rdamovtos", "Id"), idA);
    EXPECT_EQ(bases.LastId(b, "rdamovtos", "Id"), idB);
    BasesDD::CierraBdD(a);
    EXPECT_EQ(bases.LastId(a, "rdamovtos", "Id"), 0);
}

TEST_F(BasesDDTest, FailuresAfterConnectingAreReportedAndTheConnectionGoesOn) {
    Conexion conexion;
    abrir(conexion);
    Tabla tabla;
    QString error;
    EXPECT_FALSE(bases.AbrirTabla(tabla, conexion, "noexiste WHERE Id = -9", &error));
    EXPECT_TRUE(error.contains("noexiste")) << error.toStdString();
    EXPECT_FALSE(tabla.abierta());
    EXPECT_FALSE(bases.AbrirTabla(tabla, conexion, "rdamovtos; DROP TABLE rdamovtos", &error));
    EXPECT_FALSE(bases.AbrirTabla(tabla, conexion, "rdamovtos WHERE 1=1 OR Id = -9", &error));

    ASSERT_TRUE(bases.AbrirTabla(tabla, conexion, "rdamovtos WHERE Id = -9", &error));
    EXPECT_FALSE(tabla.Update(&error)); // no row was started
    tabla.AddNew();
    tabla.setField("Fecha", QDate(2026, 12, 9));
    tabla.setField("NoHayTalColumna", 1);
    EXPECT_FALSE(tabla.Update(&error));
    EXPECT_TRUE(error.contains("NoHayTalColumna")) << error.toStdString();
    tabla.AddNew();
    tabla.setField("Version`) VALUES (1); --", "x");
    EXPECT_FALSE(tabla.Update(&error));
    tabla.AddNew();
    tabla.setField("Version", QVariant::fromValue(QStringList{"a"}));
    EXPECT_FALSE(tabla.Update(&error));

    // The same connection still adds rows after the refusals.
    EXPECT_GT(agregarMovimiento(conexion, QDate(2026, 12, 9)), 0);
}

TEST_F(BasesDDTest, RefusedInsertAndLostServerAreReported) {
    BasesDD lector = conCuenta(server.readonlyUser, server.readonlyPassword);
    Conexion conexion;
    QString error;
    ASSERT_TRUE(lector.AbrirBdD(conexion, lector.cMiBase, &error)) << error.toStdString();
    Tabla tabla;
    ASSERT_TRUE(lector.AbrirTabla(tabla, conexion, "rdamovtos WHERE Id = -9", &error));
    tabla.AddNew();
    tabla.setField("Fecha", QDate(2026, 12, 10));
    tabla.setField("Version", "5.0.0");
    EXPECT_FALSE(tabla.Update(&error));
    EXPECT_TRUE(error.contains("denied", Qt::CaseInsensitive)) << error.toStdString();
    EXPECT_EQ(lector.LastId(conexion, "rdamovtos", "Id"), 0);

    // The server drops the connection between opening the table and adding the row.
    Conexion otra;
    abrir(otra);
    ASSERT_TRUE(bases.AbrirTabla(tabla, otra, "rdamovtos WHERE Id = -9", &error));
    Conexion verdugo;
    abrir(verdugo);
    fila(verdugo, "KILL " + QByteArray::number(mysql_thread_id(otra.handle())));
    tabla.AddNew();
    tabla.setField("Fecha", QDate(2026, 12, 10));
    tabla.setField("Version", "5.0.0");
    error.clear();
    EXPECT_FALSE(tabla.Update(&error));
    EXPECT_FALSE(error.isEmpty());

    // A table whose connection was closed refuses to add rows.
    BasesDD::CierraBdD(otra);
    tabla.AddNew();
    tabla.setField("Version", "5.0.0");
    EXPECT_FALSE(tabla.Update(&error));
}

TEST_F(BasesDDTest, ConnectionFailuresAreQuick) {
    Conexion conexion;
    QString error;
    QElapsedTimer reloj;
    reloj.start();
    BasesDD cerrado = bases;
    cerrado.cPuerto = SocketLocal().port(); // bound and closed again: nobody listens
    EXPECT_FALSE(cerrado.AbrirBdD(conexion, cerrado.cMiBase, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_LT(reloj.elapsed(), 2000);

    BasesDD mal = conCuenta(server.user, "no es la clave");
    EXPECT_FALSE(mal.AbrirBdD(conexion, mal.cMiBase, &error));
    EXPECT_TRUE(error.contains("denied", Qt::CaseInsensitive)) << error.toStdString();
    BasesDD sinPuerto = bases;
    sinPuerto.cPuerto = 0;
    EXPECT_FALSE(sinPuerto.AbrirBdD(conexion, sinPuerto.cMiBase, &error));
    EXPECT_FALSE(conexion.abierta());

    // Closing what was never opened, or twice, is harmless.
    Tabla tabla;
    BasesDD::CierraTabla(tabla);
    BasesDD::CierraBdD(conexion);
    BasesDD::CierraBdD(conexion);
    EXPECT_FALSE(bases.AbrirTabla(tabla, conexion, "rdamovtos WHERE Id = -9", &error));
}

TEST_F(BasesDDTest, ASilentServerCostsAtMostTheTimeout) {
    SocketLocal mudoLocal;
    ASSERT_TRUE(mudoLocal.escuchar());
    BasesDD mudo = bases;
    mudo.cPuerto = mudoLocal.port();
    Conexion conexion;
    QString error;
    QElapsedTimer reloj;
    reloj.start();
    EXPECT_FALSE(mudo.AbrirBdD(conexion, mudo.cMiBase, &error));
    EXPECT_LT(reloj.elapsed(), (BasesDD::kSegundosDeEspera + 2) * 1000);
    EXPECT_FALSE(error.isEmpty());
}

// Only a server that speaks TLS with a certificate from the CA given (or the system's store) for
// the name the connection uses is reached; a build without TLS reaches a plain server.
TEST_F(BasesDDTest, OnlyAVerifiedServerIsReachedOverTls) {
    const MariaDbServer plain = MariaDbServer::fromEnvironment("ZARVENTO_MARIADB_PLAIN_CONNECTION");
    ASSERT_TRUE(plain.available()) << "run with the CTest fixture mariadb_plain";
    struct Case {
        const MariaDbServer& server;
        QString host, ca;
        bool tls;
        QString reason; // empty: reached over TLS when tls is set, in clear when not
    } cases[] = {
        {server, server.host, server.ca, true, {}},
        {server, server.host, server.otherCa, true,
         "no se pudo verificar con la autoridad (CA) de " + server.otherCa},
        {server,
         server.host,
         {},
         true,
         "no se pudo verificar con las autoridades (CA) del sistema"},
        {server, "localhost", server.ca, true, "el certificado del servidor no es para localhost"},
        {server, server.host, server.ca + ".no", true, "no se puede leer el certificado"},
        {plain, plain.host, server.ca, true, "no ofrece conexión cifrada (TLS), que se exige"},
        {plain, plain.host, {}, false, {}},
    };
    for (const Case& c : cases) {
        BasesDD b;
        b.cRuta = c.host;
        b.cPuerto = c.server.port;
        b.cUsuario = c.server.user;
        b.cPassword = c.server.password;
        b.cCertificadoCA = c.ca;
        b.cTLS = c.tls;
        Conexion conexion;
        QString error;
        const bool abierta = b.AbrirBdD(conexion, c.server.database, &error);
        EXPECT_EQ(abierta, c.reason.isEmpty()) << c.host.toStdString() << " " << c.ca.toStdString();
        EXPECT_TRUE(error.contains(c.reason)) << error.toStdString();
        if (abierta) {
            EXPECT_EQ(mysql_get_ssl_cipher(conexion.handle()) != nullptr, c.tls);
        }
    }

    // The system's store is OpenSSL's: a CA added to it is trusted.
    qputenv("SSL_CERT_FILE", server.ca.toLocal8Bit());
    BasesDD sistema = bases;
    sistema.cCertificadoCA.clear();
    Conexion conexion;
    QString error;
    EXPECT_TRUE(sistema.AbrirBdD(conexion, sistema.cMiBase, &error)) << error.toStdString();
    qunsetenv("SSL_CERT_FILE");
}
