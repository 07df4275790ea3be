#include "TestSupport.h"
#include "app/CerrojoDeCorrida.h"
#include "app/ConductorRespaldo.h"
#include "consola/LineaDeOrdenes.h"
#include "engine/clsRespaldar.h"
#include "host/DelRegistro.h"
#include "host/LibORVX.h"
#include "host/Regional.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

class CommandLineTest : public ::testing::Test {
protected:
    int run(QStringList arguments) {
        out.clear();
        err.clear();
        QTextStream salida(&out);
        QTextStream errores(&err);
        Consola consola{salida, errores, [this] { return entorno(); }};
        arguments.prepend("/usr/bin/zarvento");
        return EjecutarLineaDeOrdenes(arguments, consola);
    }
    Entorno entorno() const { return entornoEn(dir.path()); }
    static Entorno entornoEn(const QString& carpeta) {
        return {{carpeta + "/programa", "zarvento", "zarvento"},
                nullptr,
                carpeta + "/maquina",
                carpeta + "/usuario",
                carpeta + "/autostart"};
    }
    // The proof stored in the record of the copy without cycle folders.
    std::optional<ResultadoDeComprobacion> recordedProof() const {
        QString error;
        const auto registro =
            RegistroDeCopia::leer(readFile(dir / "copias/.zarvento-copia.json"), error);
        return registro ? registro->comprobacion : std::nullopt;
    }
    // A program folder with one document route to a local destination, its host installation
    // recorded.
    void layOut(const QString& destination) {
        ASSERT_TRUE(DelRegistro(entorno()).GrabarCadena(
            DelRegistro::kClaveInstalacion, DelRegistro::kValorInstalacion, dir / "quillon",
            DelRegistro::Raiz::HKEY_LOCAL_MACHINE));
        writeFile(dir / "documentos/cartas/pedido.txt", "pedido");
        writeFile(dir / "programa/RutasARespaldar.txt", (dir / "documentos\r\n").toUtf8());
        writeFile(dir / "programa/RutasDATAaRespaldar.txt", "");
        writeFile(dir / "programa/zarvento.ini",
                  ("[Configuración]\r\nRespaldos variados=N\r\nRespaldo en FTP=N\r\n"
                   "Ruta destino=" +
                   destination + "\r\nHora del respaldo=23:00\r\n" +
                   "Ruta de Quillon Premium=" + dir / "quillon" + "\r\n")
                      .toUtf8());
        QDir().mkpath(dir / "copias");
    }

    TempFolder dir;
    QString out;
    QString err;
};

} // namespace

TEST_F(CommandLineTest, UsageErrorsAreStatusTwoAndTheBasicCommandsAnswer) {
    struct Case {
        QStringList arguments;
        int status;
        QString output; // on standard output for status 0, else on standard error
    };
    const Case cases[] = {
        {{"--version"}, 0, "Zarvento " + ConductorRespaldo::version() + "\n"},
        {{"--ayuda"}, 0, "Uso: zarvento [ORDEN [OPCIONES]]"},
        {{"--ayuda"}, 0, "  --respaldar\n"},
        {{"--help"}, 2, "zarvento: opción desconocida: --help\nPruebe «zarvento --ayuda».\n"},
        {{"-platform", "xcb"}, 2, "opción desconocida: -platform"},
        {{"--respaldar", "--version"}, 2, "una sola orden a la vez"},
        {{"--version=2"}, 2, "la opción --version no lleva valor"},
        {{"--respaldar", "ahora"}, 2, "argumento de más: ahora"},
        {{"ahora"}, 2, "falta la orden"},
        {{"--restaurar", "Mon"}, 2, "falta la carpeta: --a CARPETA"},
        {{"--restaurar", "Mon", "Tue", "--a", "x"}, 2, "argumento de más: Tue"},
        {{"--copias", "--a", "x"}, 2, "la opción --a no va con --copias"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        EXPECT_EQ(run(c.arguments), c.status);
        EXPECT_TRUE((c.status == 0 ? out : err).contains(c.output))
            << out.toStdString() << err.toStdString();
        EXPECT_TRUE((c.status == 0 ? err : out).isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(dir / "programa")); // none of them touched the program folder
}

TEST_F(CommandLineTest, BackupRunsOnceAndItsStatusFollowsTheRun) {
    layOut(dir / "copias");
    EXPECT_EQ(run({"--respaldar"}), 0) << err.toStdString();
    EXPECT_EQ(readFile(dir / "copias/documentos/cartas/pedido.txt"), "pedido");
    EXPECT_TRUE(out.contains("Configuración revisada")) << out.toStdString();
    EXPECT_TRUE(out.trimmed().endsWith("Respaldo finalizado  ..."));
    EXPECT_TRUE(readFile(dir / "programa/Bitacora.log").contains("Respaldo finalizado"));

    // A destination that is not there: the review's lines, and status 1.
    layOut(dir / "no existe");
    EXPECT_EQ(run({"--respaldar"}), 1);
    EXPECT_TRUE(out.contains("Configuración incorrecta")) << out.toStdString();
    EXPECT_FALSE(out.contains("Iniciando respaldo"));
}

TEST_F(CommandLineTest, BackupIsRefusedWithoutTheHostOrWhileAnotherRunHoldsTheFolder) {
    layOut(dir / "copias");
    {
        const CerrojoDeCorrida otherRun(dir / "programa");
        EXPECT_EQ(run({"--respaldar"}), 1);
        EXPECT_TRUE(err.contains("hay un respaldo en curso")) << err.toStdString();
        EXPECT_TRUE(out.isEmpty());
    }
    // The run driver itself keeps to the lock too, whoever calls it.
    FakeClock clock;
    CountingPump pump;
    FakeNotice notice;
    FakeLogBox log;
    clsRespaldar job{{clock, pump, notice, dir / "programa"}};
    job.ObjetoLog(&log);
    job.RutaDestino(dir / "copias");
    const Componentes componentes(entorno());
    const LibORVX ini;
    const ConexionCentral nowhere{"127.0.0.1", 1, "nadie", "nada"};
    {
        const CerrojoDeCorrida otherRun(dir / "programa");
        ConductorRespaldo(componentes, ini, job,
                          ArchivosPrincipal::de(componentes.entorno().programa), nowhere, clock)
            .EjecutarRespaldo([] {});
    }
    EXPECT_EQ(log.lines,
              QStringList({"Respaldo en curso en otro proceso  ... ", "Error al respaldar  ... "}));
    EXPECT_TRUE(treeOf(dir / "copias").isEmpty());

    QFile::remove(dir / "maquina/HKEY_LOCAL_MACHINE.ini");
    EXPECT_EQ(run({"--respaldar"}), 1);
    EXPECT_TRUE(err.contains("debe indicarse la ruta correcta de Quillon Premium"))
        << err.toStdString();
    EXPECT_TRUE(treeOf(dir / "copias").isEmpty());
}

TEST_F(CommandLineTest, CopiesAreListedAndRestoredWithoutAWindow) {
    layOut(dir / "copias");
    ASSERT_EQ(run({"--respaldar"}), 0) << err.toStdString();
    ASSERT_EQ(run({"--copias"}), 0) << err.toStdString();
    EXPECT_TRUE(out.startsWith("-     ") &&
                out.contains("Respaldo finalizado  1 rutas  1 archivos"))
        << out.toStdString();
    EXPECT_EQ(run({"--restaurar", "--a", dir / "r"}), 0) << err.toStdString();
    EXPECT_EQ(readFile(dir / "r/documentos/cartas/pedido.txt"), "pedido");
    EXPECT_TRUE(out.contains("Archivos restaurados: 1 (6 bytes)")) << out.toStdString();
    // Again into the same folder: the file there is left as it is, and that is no success.
    EXPECT_EQ(run({"--restaurar", "-", "--a", dir / "r"}), 1);
    EXPECT_TRUE(
        out.contains("Ya existe, no se restaura: " + dir / "r/documentos/cartas/pedido.txt"));
}

TEST_F(CommandLineTest, ProofOnDemandReadsEveryFileAndTheRecordAndTheLogKeepItsResult) {
    layOut(dir / "copias");
    setModified(dir / "documentos/cartas/pedido.txt", 1700000000);
    ASSERT_EQ(run({"--respaldar"}), 0) << err.toStdString();
    EXPECT_TRUE(out.contains("Copia comprobada")) << out.toStdString();
    const QString copia = dir / "copias/documentos/cartas/pedido.txt";
    const struct {
        const char* caso;
        std::function<void()> danar;
        int status;
        QString result; // after "copia -, todos sus archivos: "
    } cases[] = {
        {"good", [] {}, 0, "1 archivos, 6 bytes leídos de vuelta, 0 tablas revisadas"},
        {"one byte changed, same size and time",
         [&] {
             writeFile(copia, "pedidO");
             setModified(copia, 1700000000);
         },
         1, "documentos/cartas/pedido.txt: distinto en el byte 6"},
        // Without its source the copy is still measured against its record.
        {"no source, another size",
         [&] {
             QDir(dir / "documentos").removeRecursively();
             writeFile(copia, "pedido largo");
             setModified(copia, 1700000000);
         },
         1, "documentos/cartas/pedido.txt: la copia mide 12 bytes, el registro dice 6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caso);
        c.danar();
        EXPECT_EQ(run({"--comprobar"}), c.status) << err.toStdString();
        const QString line = (c.status == 0 ? "Copia comprobada" : "Copia con fallas") +
                             QStringLiteral(": copia -, todos sus archivos: ") + c.result;
        EXPECT_TRUE(out.contains("Comprobando " + dir / "documentos/\n" + line))
            << out.toStdString();
        EXPECT_TRUE(QString::fromUtf8(readFile(dir / "programa/Bitacora.log"))
                        .contains(line.section(": ", 0, 0) + ":--------> copia -"));
        const auto proof = recordedProof();
        ASSERT_TRUE(proof);
        EXPECT_TRUE(proof->todos);
        EXPECT_EQ(proof->correcta(), c.status == 0);
        EXPECT_TRUE(line.endsWith(proof->correcta() ? proof->detalle(Regional()) : proof->falla));
    }
    EXPECT_FALSE(QFileInfo::exists(dir / "programa/TmpData"));
}

// The child process of the next test: the command on the parent's folder, until the signal.
TEST_F(CommandLineTest, SigtermInTheMiddleOfTheProofLeavesNoScratchServer) {
    if (const QString padre = qEnvironmentVariable("ZARVENTO_COMPROBAR_EN"); !padre.isEmpty()) {
        QTextStream salida(stdout);
        QTextStream errores(stderr);
        Consola consola{salida, errores, [padre] { return entornoEn(padre); }};
        const int status = EjecutarLineaDeOrdenes({"zarvento", "--comprobar"}, consola);
        std::fflush(nullptr);
        std::_Exit(status);
    }
    layOut(dir / "copias");
    // A copy whose route was dumped, with a dump that keeps loading until the signal comes.
    writeFile(dir / "copias/caja/caja.sql",
              "CREATE DATABASE `caja`;\nUSE `caja`;\nDO SLEEP(120);\n-- Dump completed on "
              "2026-12-07 23:00:00\n");
    RegistroDeCopia registro;
    registro.inicio = registro.fin = QDateTime::currentDateTime();
    registro.resultado = "Respaldo finalizado";
    registro.rutas.push_back({});
    registro.rutas.back().origen = dir / "caja";
    registro.rutas.back().destino = "caja/";
    registro.rutas.back().correcta = true;
    registro.rutas.back().base = "caja";
    QFile texto(dir / "copias/.zarvento-copia.json");
    ASSERT_TRUE(texto.open(QIODevice::WriteOnly) && registro.escribir(texto));
    texto.close();

    QProcess agente;
    agente.setProgram(QCoreApplication::applicationFilePath());
    agente.setArguments({"--gtest_filter=CommandLineTest.SigtermInTheMiddleOfTheProof*"});
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert("ZARVENTO_COMPROBAR_EN", dir.path());
    agente.setProcessEnvironment(entorno);
    agente.setWorkingDirectory(dir.path());
    agente.start();
    ASSERT_TRUE(agente.waitForStarted());
    const QString carpeta = dir / "programa/TmpData/Comprobacion";
    const QDeadlineTimer limite(60000);
    // Once the scratch server takes connections, the dump is loaded.
    while (!QFileInfo::exists(carpeta + "/servidor/servidor.sock") && !limite.hasExpired())
        QThread::msleep(50);
    if (!processMentioning(carpeta + "/servidor")) {
        agente.kill();
        agente.waitForFinished();
        FAIL() << agente.readAllStandardOutput().toStdString()
               << agente.readAllStandardError().toStdString();
    }
    QThread::msleep(1000);
    ::kill(static_cast<pid_t>(agente.processId()), SIGTERM);
    ASSERT_TRUE(agente.waitForFinished(30000));
    EXPECT_EQ(agente.exitCode(), 1);
    EXPECT_TRUE(agente.readAllStandardError().contains("comprobación interrumpida"));
    EXPECT_FALSE(QFileInfo::exists(carpeta));
    EXPECT_FALSE(processMentioning(carpeta));
}
