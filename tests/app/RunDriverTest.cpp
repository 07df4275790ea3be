#include "MariaDbServer.h"
#include "ProgramaDePrueba.h"
#include "ShopDatabase.h"
#include "TestSupport.h"
#include "app/ConductorRespaldo.h"
#include "app/RutasARespaldar.h"
#include "engine/clsRespaldar.h"
#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/IniFile.h"
#include "host/LibORVX.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <mysql.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

// Rows of the central server's tables, read back directly.
class CentralRows {
public:
    explicit CentralRows(const MariaDbServer& server) : mysql_(mysql_init(nullptr)) {
        mysql_options(mysql_, MYSQL_OPT_SSL_CA, server.ca.toUtf8().constData());
        if (!mysql_real_connect(mysql_, server.host.toUtf8(), server.user.toUtf8(),
                                server.password.toUtf8(), server.database.toUtf8(),
                                static_cast<unsigned>(server.port), nullptr, 0))
            throw std::runtime_error(mysql_error(mysql_));
        mysql_set_character_set(mysql_, "utf8mb4");
    }
    ~CentralRows() { mysql_close(mysql_); }
    CentralRows(const CentralRows&) = delete;
    CentralRows& operator=(const CentralRows&) = delete;

    // Every row of a query, columns joined by "|".
    QStringList query(const QString& sql) {
        if (mysql_query(mysql_, sql.toUtf8().constData()) != 0)
            throw std::runtime_error(mysql_error(mysql_));
        QStringList rows;
        MYSQL_RES* result = mysql_store_result(mysql_);
        const unsigned columns = mysql_num_fields(result);
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            QStringList values;
            for (unsigned c = 0; c < columns; ++c)
                values.append(QString::fromUtf8(row[c] ? row[c] : "NULL"));
            rows.append(values.join('|'));
        }
        mysql_free_result(result);
        return rows;
    }
    // The ids of the runs that backed up a route, found through their detail rows (other suites
    // add runs to the same server meanwhile).
    QStringList runsOf(const QString& route) {
        return query(QString("SELECT DISTINCT IdMovto FROM rdamovtosdetalle "
                             "WHERE RutaRespaldada = '%1' ORDER BY IdMovto")
                         .arg(route));
    }

private:
    MYSQL* mysql_;
};

// Reads folders for real, except one folder whose every reading fails with EIO.
class FolderReadFailing final : public LectorCarpetas {
public:
    explicit FolderReadFailing(const QString& folder) : folder_(folder) {}

protected:
    const dirent* siguiente(DIR* dir, const QString& carpeta) const override {
        if (carpeta != folder_)
            return LectorCarpetas::siguiente(dir, carpeta);
        errno = EIO;
        return nullptr;
    }

private:
    const QString& folder_;
};

class RunDriverTest : public ::testing::Test, protected ProgramaDePrueba {
protected:
    RunDriverTest() : ProgramaDePrueba(QDateTime(QDate(2026, 12, 7), QTime(23, 0))) {}

    void SetUp() override {
        QDir().mkpath(programa.folder);
        archivos = ArchivosPrincipal::de(programa);
        job.ObjetoLog(&log);
        job.RespaldoMultiple(false);
        job.IncluirSubdirectorios(true);
        job.RutaDestino(dir / "destino");
        writeFile(archivos.pbArchivoRutas, "");
        writeFile(archivos.pbArchivoDATAs, "");
    }

    // The destination's tree without the run's record of its copy.
    QStringList copied() const {
        return treeOf(dir / "destino").filter(QRegularExpression("^(?!\\.zarvento-copia)"));
    }
    ConexionCentral serverDown() const { return {"127.0.0.1", 1, "nadie", "nada"}; }
    ConexionCentral realServer() const {
        ConexionCentral central{server.host, server.port, server.user, server.password};
        central.certificadoCA = server.ca;
        return central;
    }
    void run(const ConexionCentral& central, ConductorRespaldo::Comprobador comprobador = nullptr) {
        ConductorRespaldo conductor(componentes, ini, job, archivos, central, clock);
        conductor.comprobador(std::move(comprobador));
        conductor.EjecutarRespaldo([this] { ++disabled; });
    }
    QString setting(const char* section, const char* key) const {
        return ini::read(archivos.pbArchivoIni, section, key);
    }
    // The folders whose route lines are given, made with one file each.
    QByteArray routes(std::initializer_list<QString> names) {
        QByteArray text;
        for (const QString& name : names) {
            writeFile(dir / ("datos/" + name + "/archivo.txt"), name.toUtf8());
            text += (dir / ("datos/" + name)).toUtf8() + "\r\n";
        }
        return text;
    }

    ArchivosPrincipal archivos;
    QString unreadable; // a folder the job cannot read
    clsRespaldar job{{clock, pump, notice, programa.folder, Regional(QLocale("en_US"))},
                     std::make_unique<AtomicFileCopier>(),
                     std::make_unique<FolderReadFailing>(unreadable)};
    MariaDbServer server = MariaDbServer::fromEnvironment();
    int disabled = 0;
};

} // namespace

TEST_F(RunDriverTest, EmptyListsWithTheServerDownStillCompleteTheRun) {
    ini::write(archivos.pbArchivoIni, ajustes::kConfiguracion, ajustes::kURGELN, "2026-01-01");
    run(serverDown());
    EXPECT_EQ(log.lines, QStringList({"Iniciando respaldo  ... ", "Respaldo finalizado  ... "}));
    EXPECT_EQ(disabled, 1);
    EXPECT_EQ(setting(ajustes::kResultado, ajustes::kUltimoRespaldo), "2026-12-07");
    EXPECT_EQ(setting(ajustes::kConfiguracion, ajustes::kURGELN), "2026-01-01");
    EXPECT_FALSE(QFile::exists(archivos.carpetaTemporal));
}

TEST_F(RunDriverTest, DocumentsThenDataThroughTheStagingFolder) {
    writeFile(archivos.pbArchivoRutas, routes({"docs"}));
    writeFile(archivos.pbArchivoDATAs, routes({"mysql"}));
    writeFile(dir / "datos/mysql/sub/no.txt", "subfolders of data routes are not copied");
    QStringList stagingSeen;
    notice.onShow = [&](const QString&) { stagingSeen.append(treeOf(archivos.carpetaTemporal)); };
    run(serverDown());
    EXPECT_EQ(log.lines.last(), "Respaldo finalizado  ... ");
    EXPECT_EQ(copied(), QStringList({"docs", "docs/archivo.txt", "mysql", "mysql/archivo.txt"}));
    EXPECT_EQ(stagingSeen, QStringList({"archivo.txt"})); // the staged copy, while copied on
    EXPECT_FALSE(QFile::exists(archivos.carpetaTemporal));
    // The record of the copy names both routes, the data route as such, and their files.
    QString error;
    const auto registro =
        RegistroDeCopia::leer(readFile(dir / "destino/.zarvento-copia.json"), error);
    ASSERT_TRUE(registro) << error.toStdString();
    EXPECT_EQ(registro->resultado, "Respaldo finalizado");
    EXPECT_TRUE(registro->correcta());
    ASSERT_EQ(registro->rutas.size(), 2u);
    EXPECT_EQ(registro->rutas[1].origen, dir / "datos/mysql/");
    EXPECT_EQ(registro->rutas[1].destino, "mysql/");
    EXPECT_TRUE(registro->rutas[1].datos);
    ASSERT_EQ(registro->rutas[1].archivos.size(), 1u);
    EXPECT_EQ(registro->rutas[1].archivos[0].ruta, "archivo.txt");
}

TEST_F(RunDriverTest, AFailedRouteFailsTheRunAndEveryOtherRouteIsStillBackedUp) {
    QByteArray docs = routes({"uno"});
    docs += (dir / "no-existe").toUtf8() + "\r\n" + routes({"tres"});
    writeFile(archivos.pbArchivoRutas, docs);
    writeFile(archivos.pbArchivoDATAs, routes({"mysql"}));
    run(serverDown());
    EXPECT_EQ(log.lines.last(), "Error al respaldar  ... ");
    EXPECT_FALSE(log.lines.contains("Respaldo finalizado  ... "));
    EXPECT_EQ(copied(), QStringList({"mysql", "mysql/archivo.txt", "tres", "tres/archivo.txt",
                                     "uno", "uno/archivo.txt"}));
    EXPECT_FALSE(QFile::exists(archivos.carpetaTemporal));
    EXPECT_EQ(setting(ajustes::kResultado, ajustes::kUltimoRespaldo), "");
}

TEST_F(RunDriverTest, AFolderNotReadWholeIsAFailedRouteNeverAFinishedBackup) {
    writeFile(archivos.pbArchivoRutas, routes({"uno"}));
    writeFile(archivos.pbArchivoDATAs, routes({"mysql"}));
    writeFile(dir / "datos/uno/sub/x.txt", "x");
    unreadable = dir / "datos/uno/sub/";
    run(serverDown());
    EXPECT_EQ(log.lines.filter("Respaldo incompleto").size(), 1);
    EXPECT_FALSE(log.lines.contains("Respaldo finalizado  ... "));
    EXPECT_EQ(log.lines.last(), "Error al respaldar  ... ");
    EXPECT_EQ(setting(ajustes::kResultado, ajustes::kUltimoRespaldo), "");
    EXPECT_EQ(copied(), QStringList({"mysql", "mysql/archivo.txt", "uno", "uno/archivo.txt"}));
}

TEST_F(RunDriverTest, VanishedListOrEmptyLineFailsTheRunWithoutCrashing) {
    QFile::remove(archivos.pbArchivoDATAs);
    run(serverDown());
    EXPECT_TRUE(log.lines.contains("*)Lista de rutas no disponible:> " + archivos.pbArchivoDATAs));
    EXPECT_EQ(log.lines.last(), "Error al respaldar  ... ");

    log.clear();
    writeFile(archivos.pbArchivoDATAs, "");
    writeFile(archivos.pbArchivoRutas, "\r\n");
    run(serverDown());
    EXPECT_EQ(log.lines.last(), "Error al respaldar  ... ");
    EXPECT_TRUE(copied().isEmpty());
}

TEST_F(RunDriverTest, RoutesOfOneNameNeverShareADestinationFolder) {
    job.Incremental(true); // a shared folder would have its copies deleted by the other route
    writeFile(dir / "ana/Documentos/comun.txt", "ana");
    writeFile(dir / "ana/Documentos/solo-ana.txt", "ana");
    writeFile(dir / "luis/Documentos/comun.txt", "luis");
    writeFile(dir / "pepe/documentos/pepe.txt", "pepe");
    writeFile(archivos.pbArchivoRutas,
              (dir / "ana/Documentos\r\n").toUtf8() + (dir / "luis/Documentos/\r\n").toUtf8());
    writeFile(archivos.pbArchivoDATAs, (dir / "pepe/documentos\r\n").toUtf8());
    run(serverDown());
    EXPECT_EQ(log.lines.last(), "Respaldo finalizado  ... ");
    EXPECT_EQ(copied(),
              QStringList({"Documentos", "Documentos (luis)", "Documentos (luis)/comun.txt",
                           "Documentos/comun.txt", "Documentos/solo-ana.txt", "documentos (pepe)",
                           "documentos (pepe)/pepe.txt"}));
    EXPECT_EQ(readFile(dir / "destino/Documentos/comun.txt"), "ana");
    EXPECT_EQ(readFile(dir / "destino/Documentos (luis)/comun.txt"), "luis");
}

TEST_F(RunDriverTest, RemovingARouteLineMovesNoOtherRouteIntoItsFolder) {
    job.Incremental(true);
    writeFile(dir / "ventas/docs/factura.txt", "ventas");
    writeFile(dir / "compras/docs/pedido.txt", "compras");
    writeFile(archivos.pbArchivoRutas,
              (dir / "ventas/docs\r\n").toUtf8() + (dir / "compras/docs\r\n").toUtf8());
    run(serverDown());
    writeFile(archivos.pbArchivoRutas, (dir / "compras/docs\r\n").toUtf8());
    run(serverDown());
    EXPECT_EQ(log.lines.last(), "Respaldo finalizado  ... ");
    EXPECT_EQ(copied(), QStringList({"docs", "docs (compras)", "docs (compras)/pedido.txt",
                                     "docs/factura.txt"}));
}

TEST_F(RunDriverTest, RouteListChecksReportEveryBadLine) {
    const QString list = dir / "lista.txt";
    writeFile(dir / "bien/a", "a");
    writeFile(list, (dir / "bien").toUtf8() + "\r\n\r\n" + (dir / "mal").toUtf8() + "\r\n");
    bool ok = true;
    rutas::LeerRutas(list, ok, true, job);
    EXPECT_FALSE(ok);
    EXPECT_EQ(log.lines, QStringList({"Ruta de DATA(s) incorrecta  ... ",
                                      "*)Ruta de DATA(s) incorrecta:> " + dir / "mal"}));
    // A lone LF stays inside its line; a missing list is created empty and changes nothing.
    writeFile(list, (dir / "bien").toUtf8() + "\n" + (dir / "bien").toUtf8() + "\n");
    log.clear();
    ok = true;
    rutas::LeerRutas(list, ok, false, job);
    EXPECT_FALSE(ok);
    EXPECT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].startsWith("*)Ruta de documentos incorrecta:> "));
    // A NUL would cut the path short where the system reads it: "bien" exists, the line does not.
    writeFile(list, (dir / "bien").toUtf8() + QByteArray("\0/x\r\n", 5) +
                        (dir / "bien\tmal").toUtf8() + "\r\n");
    log.clear();
    ok = true;
    rutas::LeerRutas(list, ok, false, job);
    EXPECT_FALSE(ok);
    EXPECT_EQ(log.lines,
              QStringList({"*)Ruta de documentos incorrecta:> " + dir / "bien\u2400/x",
                           "*)Ruta de documentos incorrecta:> " + dir / "bien\u2409mal"}));
    ok = true;
    rutas::LeerRutas(dir / "nueva.txt", ok, false, job);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(QFile::exists(dir / "nueva.txt"));
    EXPECT_EQ(*rutas::Leer(dir / "nueva.txt"), QStringList());
}

TEST_F(RunDriverTest, RunAndDetailRowsReachTheCentralServer) {
    ASSERT_TRUE(server.available()) << "the test MariaDB server is not running";
    CentralRows rows(server);
    const QString hostile = "O'Brien; DROP TABLE rdamovtos; --";
    writeFile(archivos.pbArchivoRutas, routes({"uno", hostile}));
    writeFile(archivos.pbArchivoDATAs, routes({"mysql"}));

    run(realServer());
    ASSERT_EQ(rows.runsOf(dir / "datos/uno").size(), 1);
    const qint64 first = rows.runsOf(dir / "datos/uno")[0].toLongLong();
    EXPECT_EQ(rows.query(QString("SELECT Fecha, Version FROM rdamovtos WHERE Id = %1").arg(first)),
              QStringList({"2026-12-07|5.0.0"}));
    EXPECT_EQ(rows.query(QString("SELECT RutaRespaldada, RutaDestino FROM rdamovtosdetalle "
                                 "WHERE IdMovto = %1 ORDER BY Id")
                             .arg(first)),
              QStringList({dir / "datos/uno|" + dir / "destino//uno/",
                           dir / ("datos/" + hostile) + "|" + dir / ("destino//" + hostile + "/"),
                           dir / "datos/mysql|" + dir / "destino//mysql/"}));
    EXPECT_EQ(setting(ajustes::kConfiguracion, ajustes::kURGELN), "2026-12-07");

    // A second run the same day adds a second run row with the same date.
    run(realServer());
    const QStringList runs = rows.runsOf(dir / "datos/uno");
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(rows.query("SELECT Fecha FROM rdamovtos WHERE Id IN (" + runs.join(',') + ")"),
              QStringList({"2026-12-07", "2026-12-07"}));
}

TEST_F(RunDriverTest, RefusedInsertAfterConnectingIsLoggedAndTheRunGoesOn) {
    ASSERT_TRUE(server.available()) << "the test MariaDB server is not running";
    writeFile(archivos.pbArchivoRutas, routes({"uno"}));
    ini::write(archivos.pbArchivoIni, ajustes::kConfiguracion, ajustes::kURGELN, "2026-01-01");
    ConexionCentral lector = realServer();
    lector.usuario = server.readonlyUser;
    lector.password = server.readonlyPassword;
    run(lector);
    EXPECT_EQ(log.lines.last(), "Respaldo finalizado  ... ");
    EXPECT_EQ(setting(ajustes::kConfiguracion, ajustes::kURGELN), "2026-01-01");
    const QString logText = QString::fromUtf8(readFile(programa.pathOf("Bitacora.log")));
    EXPECT_TRUE(logText.contains("Respaldo no registrado en el servidor central: "));
    EXPECT_EQ(copied(), QStringList({"uno", "uno/archivo.txt"}));
}

TEST_F(RunDriverTest, TheProofIsLoggedAndStoredAndAFailedProofFailsTheRun) {
    ASSERT_TRUE(server.available()) << "the test MariaDB server is not running";
    CentralRows rows(server);
    writeFile(archivos.pbArchivoRutas, routes({"probada"}));
    const struct {
        ResultadoDeComprobacion comprobacion;
        QString linea;
        QString fin;
        QString fila;
    } casos[] = {
        {{3, 4096, 2, "", {}, false},
         "*)Copia comprobada:--------> 3 archivos, 4,096 bytes leídos de vuelta, 2 tablas "
         "revisadas",
         "Respaldo finalizado  ... ",
         "Copia comprobada|3|4096|2|"},
        {{1, 10, 0, "probada/archivo.txt: distinto en el byte 1", {}, false},
         "*)Copia con fallas:--------> probada/archivo.txt: distinto en el byte 1",
         "Error al respaldar  ... ",
         "Copia con fallas|1|10|0|probada/archivo.txt: distinto en el byte 1"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.linea.toStdString());
        ini::write(archivos.pbArchivoIni, ajustes::kResultado, ajustes::kUltimoRespaldo, "");
        run(realServer(), [&](const RegistroDeCopia& registro) {
            EXPECT_EQ(registro.rutas.size(), 1u);
            return std::optional(c.comprobacion);
        });
        // The copy's record keeps the proof.
        QString error;
        const auto registro =
            RegistroDeCopia::leer(readFile(dir / "destino/.zarvento-copia.json"), error);
        ASSERT_TRUE(registro && registro->comprobacion) << error.toStdString();
        EXPECT_EQ(registro->comprobacion->falla, c.comprobacion.falla);
        EXPECT_EQ(registro->comprobacion->bytes, c.comprobacion.bytes);
        EXPECT_TRUE(log.lines.contains(c.linea)) << log.lines.join('\n').toStdString();
        EXPECT_EQ(log.lines.last(), c.fin);
        EXPECT_EQ(setting(ajustes::kResultado, ajustes::kUltimoRespaldo).isEmpty(),
                  !c.comprobacion.correcta());
        const QString run = rows.runsOf(dir / "datos/probada").last();
        EXPECT_EQ(rows.query("SELECT Resultado, Archivos, Bytes, Tablas, Falla FROM "
                             "rdacomprobaciones WHERE IdMovto = " +
                             run),
                  QStringList{c.fila});
    }

    // A server from before the proof keeps taking the runs.
    rootSql(server, "RENAME TABLE " + server.database + ".rdacomprobaciones TO " + server.database +
                        ".rdacomprobaciones_aparte");
    run(realServer(),
        [](const RegistroDeCopia&) { return std::optional(ResultadoDeComprobacion{}); });
    rootSql(server, "RENAME TABLE " + server.database + ".rdacomprobaciones_aparte TO " +
                        server.database + ".rdacomprobaciones");
    EXPECT_EQ(rows.runsOf(dir / "datos/probada").size(), 3);
    EXPECT_EQ(log.lines.last(), "Respaldo finalizado  ... ");
    EXPECT_TRUE(QString::fromUtf8(readFile(programa.pathOf("Bitacora.log")))
                    .contains("Comprobación no registrada en el servidor central: "));
}

TEST_F(RunDriverTest, AServerWhoseCertificateDoesNotVerifyStoresNothingAndTheLogSaysWhy) {
    ASSERT_TRUE(server.available()) << "the test MariaDB server is not running";
    CentralRows rows(server);
    writeFile(archivos.pbArchivoRutas, routes({"sin-registro"}));
    ini::write(archivos.pbArchivoIni, ajustes::kConfiguracion, ajustes::kURGELN, "2026-01-01");
    ConexionCentral otraCA = realServer();
    otraCA.certificadoCA = server.otherCa;
    run(otraCA);
    EXPECT_EQ(log.lines.last(), "Respaldo finalizado  ... ");
    EXPECT_EQ(setting(ajustes::kConfiguracion, ajustes::kURGELN), "2026-01-01");
    EXPECT_TRUE(rows.runsOf(dir / "datos/sin-registro").isEmpty());
    const QString logText = QString::fromUtf8(readFile(programa.pathOf("Bitacora.log")));
    EXPECT_TRUE(logText.contains("Servidor central no disponible: no se pudo conectar con " +
                                 server.host + ':' + QString::number(server.port) +
                                 ": el certificado del servidor no se pudo verificar"))
        << logText.toStdString();
}

TEST_F(RunDriverTest, ALogOverItsLimitBecomesThePreviousOneWhenARunStarts) {
    const QString archivo = programa.pathOf("Bitacora.log");
    const QByteArray grande(Bitacora::kLimite + 1, 'x');
    writeFile(archivo, grande);
    for (int corrida = 0; corrida < 2; ++corrida) { // the second one keeps both files
        run(serverDown());
        EXPECT_EQ(readFile(archivo + ".1"), grande);
        const QByteArray nuevo = readFile(archivo);
        EXPECT_FALSE(nuevo.contains('x'));
        EXPECT_EQ(nuevo.count("Respaldo finalizado"), corrida + 1);
    }
}
