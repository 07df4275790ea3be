#include "TestSupport.h"
#include "engine/RegistroDeCopia.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

// Writes into a pipe until so many bytes went, or its reader closed it (half a minute at most).
qint64 feed(int pipe, qint64 bytes) {
    const QByteArray block(64 << 10, 'g');
    qint64 written = 0;
    for (const QDeadlineTimer patience(30000); written < bytes && !patience.hasExpired();) {
        const ssize_t n = ::write(pipe, block.constData(), std::size_t(block.size()));
        if (n < 0 && errno != EAGAIN)
            break;
        written += std::max<ssize_t>(n, 0);
        if (n < 0)
            QThread::msleep(1);
    }
    return written;
}

// A restore killed, or ended by SIGTERM, in the middle of a large file: neither that file nor
// any temporary one is left in the target folder; ended by SIGTERM, it reports what it restored.
// The large file is a pipe the test writes into, so the restore is surely in the middle of it.
TEST(InterruptedRestoreTest, LeavesNoPartOfTheFileInTransfer) {
    for (const int signal : {SIGKILL, SIGTERM}) {
        SCOPED_TRACE(signal);
        TempFolder dir;
        writeFile(dir / "programa/zarvento.ini",
                  ("[Configuración]\r\nRuta destino=" + dir / "destino" +
                   "\r\nRespaldo en FTP=N\r\nRespaldos variados=S\r\n")
                      .toUtf8());
        writeFile(dir / "destino/Mon/documentos/carta.txt", "uno");
        ASSERT_EQ(::mkfifo(QFile::encodeName(dir / "destino/Mon/documentos/grande.bin"), 0600), 0);
        RutaRegistrada ruta;
        ruta.origen = "/tienda/documentos/";
        ruta.destino = "Mon/documentos/";
        ruta.correcta = true;
        ruta.archivos = {{"carta.txt", {3, 1700000000}}, {"grande.bin", {16 << 20, 1700000000}}};
        RegistroDeCopia registro;
        registro.inicio = registro.fin = QDateTime::currentDateTimeUtc();
        registro.rutas = {ruta};
        QFile archivo(dir / "destino/Mon/.zarvento-copia.json");
        ASSERT_TRUE(archivo.open(QIODevice::WriteOnly) && registro.escribir(archivo));
        archivo.close();

        QProcess restore;
        restore.start(ZARVENTO_RESTORE_DRIVER, {dir / "programa", dir / "restaurado"});
        std::signal(SIGPIPE, SIG_IGN);
        int pipe = -1;
        for (const QDeadlineTimer patience(30000); pipe < 0 && !patience.hasExpired();
             QThread::msleep(10))
            pipe = ::open(QFile::encodeName(dir / "destino/Mon/documentos/grande.bin"),
                          O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(pipe, 0) << restore.readAll().toStdString();
        ASSERT_EQ(feed(pipe, 1 << 20), 1 << 20);
        ::kill(pid_t(restore.processId()), signal);
        feed(pipe, 1 << 30); // until the restore lets go of it
        ::close(pipe);
        ASSERT_TRUE(restore.waitForFinished(30000));

        const QStringList left = treeOf(dir / "restaurado");
        EXPECT_TRUE(left.filter("grande.bin").isEmpty()) << left.join(' ').toStdString();
        EXPECT_TRUE(left.filter(QRegularExpression("(^|/)\\.")).isEmpty())
            << left.join(' ').toStdString();
        if (signal == SIGTERM) {
            const QString output = restore.readAllStandardOutput();
            EXPECT_EQ(restore.exitCode(), 1);
            EXPECT_TRUE(output.contains("Archivos restaurados: 1 (3 bytes)") &&
                        output.contains("; cancelada"))
                << output.toStdString();
            EXPECT_EQ(readFile(dir / "restaurado/documentos/carta.txt"), "uno");
        } else {
            // The next restore removes what a killed one left where files without a name are
            // not to be had (shares), and nothing else.
            writeFile(dir / "restaurado/documentos/.zv-restaurando-4321-7", "a medias");
            writeFile(dir / "restaurado/documentos/.zv-restaurando-notas", "del usuario");
            QFile::remove(dir / "destino/Mon/documentos/grande.bin");
            writeFile(dir / "destino/Mon/documentos/grande.bin", QByteArray(16 << 20, 'g'));
            restore.start(ZARVENTO_RESTORE_DRIVER, {dir / "programa", dir / "restaurado"});
            ASSERT_TRUE(restore.waitForFinished(30000));
            EXPECT_EQ(treeOf(dir / "restaurado/documentos"),
                      QStringList({".zv-restaurando-notas", "carta.txt", "grande.bin"}));
        }
    }
}

} // namespace
