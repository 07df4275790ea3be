#include "FtpServers.h"
#include "MariaDbServer.h"
#include "ProgramaDePrueba.h"
#include "ShopDatabase.h"
#include "TestSupport.h"
#include "app/ConductorRespaldo.h"
#include "engine/clsRespaldar.h"
#include "host/ClavesAjustes.h"
#include "host/DeAcceso.h"
#include "host/IniFile.h"
#include "restauracion/ComandoDeRestauracion.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

const auto* const kServers = ::testing::AddGlobalTestEnvironment(new FtpServers);
const QString kShop = QStringLiteral("tienda_restaurada");

// Per-table checksums of a database, one "table checksum" line each.
QString checksums(const MariaDbServer& server, const QString& db) {
    return rootSql(server, QStringLiteral("CHECKSUM TABLE `%1`.existencias, `%1`.ventas, "
                                          "`%1`.resumen EXTENDED")
                               .arg(db));
}

// A shop's documents and its database (selling all along) backed up by the run driver to a
// local folder or to one of the servers, on Monday 7 December 2026, then restored with the
// command's code.
class RestoreTest : public ::testing::TestWithParam<const char*>, protected ProgramaDePrueba {
protected:
    RestoreTest() : ProgramaDePrueba(QDateTime(QDate(2026, 12, 7), QTime(23, 0))) {}

    static void SetUpTestSuite() {
        shop = ShopDatabase::created(MariaDbServer::fromEnvironment(), kShop, "respaldo_r", "x");
        shop->startSelling();
    }
    static void TearDownTestSuite() { shop.reset(); }

    void SetUp() override {
        QDir().mkpath(programa.folder);
        archivos = ArchivosPrincipal::de(programa);
        job.ObjetoLog(&log);
        writeFile(source("Informe año 2026.txt"), "ventas de diciembre");
        writeFile(source("Sub carpeta/ñandú é.txt"), QByteArray(70000, 'n'));
        writeFile(source("Sub carpeta/grande.bin"), QByteArray(9 << 20, 'g'));
        writeFile(source(".oculto"), "no se copia");
        setModified(source("Informe año 2026.txt"), 1700000000);
        writeFile(archivos.pbArchivoRutas, source().toUtf8() + "\r\n");
        writeFile(archivos.pbArchivoDATAs, (server.dataDir + '/' + kShop).toUtf8() + "\r\n");
        const DeAcceso acceso;
        const auto cifrado = [&](const QString& t) {
            return acceso.Encripta(t, ajustes::kLlaveFTP);
        };
        const bool ftp = kind() != "local";
        for (const auto& [clave, valor] :
             {std::pair{ajustes::kRutaDestino, ftp ? remoteRoot() : dir / "destino"},
              std::pair{ajustes::kRespaldoEnFTP, QString(ftp ? "S" : "N")},
              std::pair{ajustes::kFTPservidor, ftp ? cifrado(ftpServer().address) : ""},
              std::pair{ajustes::kFTPusuario, ftp ? cifrado(ftpServer().user) : ""},
              std::pair{ajustes::kFTPpassword, ftp ? cifrado(ftpServer().password) : ""},
              std::pair{ajustes::kHoraDelRespaldo, QStringLiteral("23:00")},
              std::pair{ajustes::kCopiaConsistente, QStringLiteral("S")},
              std::pair{ajustes::kBaseServidor, server.socket},
              std::pair{ajustes::kBaseUsuario, QStringLiteral("root")},
              std::pair{ajustes::kBasePassword, cifrado("")}})
            ini::write(archivos.pbArchivoIni, ajustes::kConfiguracion, clave, valor);
        QDir().mkpath(dir / "destino");
        RevisionConfiguracion(componentes, ini, job, archivos, clock, ventana)
            .RevisarConfiguracion();
        ASSERT_TRUE(shop->waitForSales(50));
        ConductorRespaldo(componentes, ini, job, archivos, {"127.0.0.1", 1, "nadie", "nada"}, clock)
            .EjecutarRespaldo([] {});
        // The shop closes before its database is restored.
        shop->stopSelling();
        ASSERT_EQ(log.lines.last(), "Respaldo finalizado  ... ")
            << log.lines.join('\n').toStdString();
    }
    void TearDown() override { shop->startSelling(); }

    QString kind() const { return GetParam(); }
    const FtpServer& ftpServer() const { return FtpServers::byKind(kind()); }
    // Each server test backs up into a folder of its own.
    QString remoteRoot() const {
        const QString folder = "/restaurar-" + kind();
        return kind().startsWith("pyftpdlib") ? folder : ftpServer().root + folder;
    }
    // Where a file of the copy is on the local disk.
    QString stored(const QString& relative) const {
        if (kind() == "local")
            return dir / ("destino/" + relative);
        return ftpServer().local("restaurar-" + kind() + "/" + relative);
    }
    QString source(const QString& rel = {}) const {
        return dir / ("Documentos de la tienda/" + rel);
    }

    int restore(const ComandoDeRestauracion::Opciones& opciones, QString answer = "s") {
        salida.clear();
        QTextStream texto(&salida);
        return ComandoDeRestauracion(archivos, texto, texto, pump, clock)
            .restaurar(opciones, [&](const QString&) { return answer; });
    }
    int list() {
        salida.clear();
        QTextStream texto(&salida);
        return ComandoDeRestauracion(archivos, texto, texto, pump, clock).copias();
    }

    static inline std::unique_ptr<ShopDatabase> shop;
    MariaDbServer server = MariaDbServer::fromEnvironment();
    ArchivosPrincipal archivos;
    clsRespaldar job{{clock, pump, notice, programa.folder, Regional(QLocale("en_US"))}};
    VentanaQuieta ventana;
    QString salida;
};

TEST_P(RestoreTest, TheRestoredTreeAndDatabaseEqualTheCopy) {
    ASSERT_EQ(list(), 0);
    EXPECT_TRUE(salida.startsWith("Mon   07/Dec/2026 23:00:00  Respaldo finalizado  2 rutas"))
        << salida.toStdString();

    const QString target = dir / "restaurado";
    ASSERT_EQ(restore({"", target, {}, true, false, false}), 0) << salida.toStdString();
    // A server's large file shows its progress (a local one may be copied before anyone looks).
    if (kind() != "local") {
        EXPECT_TRUE(salida.contains("grande.bin  50 %")) << salida.toStdString();
    }

    // Every file of the record is back, with the copy's bytes and the backed-up time.
    QString error;
    const auto registro =
        RegistroDeCopia::leer(readFile(stored("Mon/.zarvento-copia.json")), error);
    ASSERT_TRUE(registro) << error.toStdString();
    int files = 0;
    for (const RutaRegistrada& ruta : registro->rutas) {
        const QString folder = ruta.destino.section('/', 1, 1);
        for (const ArchivoRegistrado& archivo : ruta.archivos) {
            const QString restored = target + "/" + folder + "/" + archivo.ruta;
            EXPECT_EQ(readFile(restored), readFile(stored(ruta.destino + archivo.ruta)));
            EXPECT_EQ(QFileInfo(restored).lastModified().toSecsSinceEpoch(),
                      archivo.datos.modificado);
            ++files;
        }
    }
    EXPECT_GT(files, 6);
    const QString docs = target + "/Documentos de la tienda/";
    EXPECT_EQ(QFileInfo(docs + "Informe año 2026.txt").lastModified().toSecsSinceEpoch(),
              1700000000);
    EXPECT_EQ(readFile(docs + "Sub carpeta/ñandú é.txt"), QByteArray(70000, 'n'));
    EXPECT_FALSE(QFile::exists(docs + ".oculto"));

    // The database now holds what the dump held: the same tables as the dump loaded into an
    // empty server.
    const MariaDbServer fresh = MariaDbServer::fromEnvironment("ZARVENTO_MARIADB_FRESH_CONNECTION");
    const QString dump = target + "/" + kShop + "/" + kShop + ".sql";
    EXPECT_EQ(ShopDatabase::restored(fresh, kShop, dump), ShopDatabase::whole());
    EXPECT_EQ(checksums(server, kShop), checksums(fresh, kShop));
}

INSTANTIATE_TEST_SUITE_P(Destinos, RestoreTest,
                         ::testing::Values("local", "pyftpdlib", "vsftpd-tls", "sftp"));

using LocalRestoreTest = RestoreTest;

TEST_P(LocalRestoreTest, AFailingLoadPutsTheDatabaseBackAndExistingFilesStay) {
    const QString target = dir / "restaurado";
    writeFile(target + "/Documentos de la tienda/Informe año 2026.txt", "mío");
    // A dump cut short is not loaded at all; one of its recorded size that fails in the middle
    // of its statements is loaded, and the database put back.
    const QString dump = stored("Mon/" + kShop + "/" + kShop + ".sql");
    const QByteArray whole = readFile(dump);
    rootSql(server, "USE " + kShop + "; CALL vender(1, 3)");
    const QString before = checksums(server, kShop);
    QFile(dump).resize(whole.size() / 2);
    EXPECT_EQ(restore({"Mon", dir / "corto", {}, true, false, false}), 1);
    EXPECT_TRUE(salida.contains("no restaurada: su volcado mide")) << salida.toStdString();
    EXPECT_EQ(checksums(server, kShop), before);
    QByteArray broken = whole;
    const qsizetype insert = broken.lastIndexOf("\nINSERT INTO");
    ASSERT_GT(insert, 0);
    broken.replace(insert + 1, 6, "INSERX");
    writeFile(dump, broken);

    EXPECT_EQ(restore({"Mon", target, {}, true, false, false}), 1);
    EXPECT_TRUE(salida.contains("Ya existe, no se restaura: " + target +
                                "/Documentos de la tienda/Informe año 2026.txt"));
    EXPECT_EQ(readFile(target + "/Documentos de la tienda/Informe año 2026.txt"), "mío");
    EXPECT_TRUE(salida.contains("la base volvió a su estado anterior")) << salida.toStdString();
    EXPECT_EQ(checksums(server, kShop), before);

    // Declining the question, or a trial, changes nothing.
    EXPECT_EQ(restore({"", dir / "otra", {}, true, false, false}, "n"), 1);
    EXPECT_EQ(restore({"", dir / "otra", {source()}, false, false, true}), 0);
    EXPECT_TRUE(salida.contains("Se restauraría: " +
                                dir / "otra/Documentos de la tienda/Informe año 2026.txt"));
    EXPECT_FALSE(QFile::exists(dir / "otra"));
}

TEST_P(LocalRestoreTest, ACopyWithoutRecordIsListedAndRestoredFromItsFolders) {
    QFile::remove(stored("Mon/.zarvento-copia.json"));
    ASSERT_EQ(list(), 0);
    EXPECT_TRUE(salida.startsWith("Mon   ") && salida.contains("Sin registro  2 rutas"))
        << salida.toStdString();
    // Only a copy whose run is known to have succeeded is taken without being named.
    EXPECT_EQ(restore({"", dir / "r", {}, false, false, false}), 1);
    ASSERT_EQ(restore({"Mon", dir / "r", {"Mon/Documentos de la tienda/"}, false, false, false}), 0)
        << salida.toStdString();
    EXPECT_EQ(readFile(dir / "r/Documentos de la tienda/Sub carpeta/ñandú é.txt"),
              QByteArray(70000, 'n'));
    EXPECT_EQ(QFileInfo(dir / "r/Documentos de la tienda/Informe año 2026.txt")
                  .lastModified()
                  .toSecsSinceEpoch(),
              1700000000);
}

INSTANTIATE_TEST_SUITE_P(Destinos, LocalRestoreTest, ::testing::Values("local"));

} // namespace
