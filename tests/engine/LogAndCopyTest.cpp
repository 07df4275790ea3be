#include "EngineFixture.h"

#include <QRegularExpression>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zarvento;
using namespace zarvento::test;

TEST_F(EngineTest, LogLinesTakeOneOfThreeForms) {
    job->Bitacorear("Archivos totales", "250");
    job->Bitacorear("Iniciando respaldo");
    job->Bitacorear("Iniciando respaldo", "");
    job->Bitacorear("Directa", "ignorado", true);
    job->Bitacorear("Una etiqueta más larga que el ancho", "x");
    EXPECT_EQ(log.lines, QStringList({"*)Archivos totales:--------> 250",
                                      "Iniciando respaldo  ... ", "Iniciando respaldo  ... ",
                                      "  Directa", "*)Una etiqueta más larga que el ancho:> x"}));
}

TEST_F(EngineTest, LogFileLinesAreStampedAndNeverSplit) {
    clock.set(QDateTime(QDate(2026, 3, 5), QTime(21, 4, 9)));
    job->Bitacorear("Ruta", "uno\r\ndos");
    job->ArchivoBitacora("solo en archivo\rcon CR");
    EXPECT_EQ(log.lines, QStringList({"*)Ruta:--------------------> uno\r\ndos"}));
    EXPECT_EQ(readFile(logFile()),
              QString("05/Mar/2026 21:04:09     *)Ruta:--------------------> unodos\r\n"
                      "05/Mar/2026 21:04:09     solo en archivo\rcon CR\r\n")
                  .toUtf8());
    EXPECT_TRUE(job->ArchivoBitacora("no se escribe", true));
    EXPECT_EQ(QFileInfo(logFile()).size(), 0);
}

TEST_F(EngineTest, LogFileRemovedOrReplacedMidRunGetsTheLaterLines) {
    job->ArchivoBitacora("uno");
    ASSERT_TRUE(QFile::remove(logFile()));
    job->ArchivoBitacora("dos");
    EXPECT_EQ(fileLines(), QStringList({"dos"}));
    writeFile(dir / "nuevo.log", "");
    ASSERT_EQ(::rename(QFile::encodeName(dir / "nuevo.log").constData(),
                       QFile::encodeName(logFile()).constData()),
              0);
    job->ArchivoBitacora("tres");
    EXPECT_EQ(fileLines(), QStringList({"tres"}));
}

TEST(AtomicFileCopier, KeepsContentTimeAndPermissionsAndLeavesNoTemporary) {
    for (const auto temporales :
         {AtomicFileCopier::Temporales::SinNombre, AtomicFileCopier::Temporales::ConNombre}) {
        SCOPED_TRACE(static_cast<int>(temporales));
        TempFolder dir;
        writeFile(dir / "a.bin", QByteArray(200'000, 'z'));
        setModified(dir / "a.bin", 1'600'000'000);
        ASSERT_EQ(::chmod(QFile::encodeName(dir / "a.bin").constData(), 0640), 0);
        writeFile(dir / "out/a.bin", "older and different");

        AtomicFileCopier copier(temporales);
        QString error;
        ASSERT_TRUE(copier.copiar(dir / "a.bin", dir / "out/a.bin", error)) << error.toStdString();
        EXPECT_EQ(readFile(dir / "out/a.bin"), QByteArray(200'000, 'z'));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(dir / "out/a.bin").constData(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 1'600'000'000);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(treeOf(dir / "out"), QStringList({"a.bin"}));

        // A source that cannot be read leaves the previous copy whole.
        EXPECT_FALSE(copier.copiar(dir / "missing", dir / "out/a.bin", error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readFile(dir / "out/a.bin"), QByteArray(200'000, 'z'));
        // A destination folder that does not exist fails without a trace.
        EXPECT_FALSE(copier.copiar(dir / "a.bin", dir / "nowhere/a.bin", error));
        EXPECT_EQ(treeOf(dir / "out"), QStringList({"a.bin"}));
    }
}

TEST(AtomicFileCopier, ACopyInHandShowsUnderNoName) {
    TempFolder dir;
    writeFile(dir / "big.bin", QByteArray(3 << 20, 'b'));
    writeFile(dir / "out/big.bin", "previous copy");
    AtomicFileCopier copier;
    QStringList during;
    QByteArray previousDuring;
    copier.entreBloques([&] {
        if (during.isEmpty()) {
            during = treeOf(dir / "out");
            previousDuring = readFile(dir / "out/big.bin");
        }
    });
    QString error;
    ASSERT_TRUE(copier.copiar(dir / "big.bin", dir / "out/big.bin", error)) << error.toStdString();
    EXPECT_EQ(during, QStringList({"big.bin"}));
    EXPECT_EQ(previousDuring, "previous copy");
    EXPECT_EQ(treeOf(dir / "out"), QStringList({"big.bin"}));
    EXPECT_EQ(readFile(dir / "out/big.bin"), QByteArray(3 << 20, 'b'));
}

TEST(AtomicFileCopier, SignalHandlingRemovesTheTemporaryOfTheCopyInHand) {
    TempFolder dir;
    writeFile(dir / "big.bin", QByteArray(3 << 20, 'b'));
    writeFile(dir / "out/big.bin", "previous copy");
    AtomicFileCopier copier(AtomicFileCopier::Temporales::ConNombre); // as on a share
    QStringList during;
    copier.entreBloques([&] {
        if (during.isEmpty())
            during = treeOf(dir / "out");
        BorrarTemporalEnCurso();
    });
    QString error;
    EXPECT_FALSE(copier.copiar(dir / "big.bin", dir / "out/big.bin", error));
    ReanudarCopias();            // this program goes on
    ASSERT_EQ(during.size(), 2); // the copy and its temporary
    EXPECT_EQ(treeOf(dir / "out"), QStringList({"big.bin"}));
    EXPECT_EQ(readFile(dir / "out/big.bin"), "previous copy");
}

TEST(AtomicFileCopier, ASourceCutShortWhileCopiedFailsTheCopy) {
    for (const auto temporales :
         {AtomicFileCopier::Temporales::SinNombre, AtomicFileCopier::Temporales::ConNombre}) {
        SCOPED_TRACE(static_cast<int>(temporales));
        TempFolder dir;
        writeFile(dir / "big.bin", QByteArray(3 << 20, 'b'));
        writeFile(dir / "out/big.bin", "previous copy");
        AtomicFileCopier copier(temporales);
        copier.entreBloques(
            [&] { ::truncate(QFile::encodeName(dir / "big.bin").constData(), 300'000); });
        QString error;
        EXPECT_FALSE(copier.copiar(dir / "big.bin", dir / "out/big.bin", error));
        EXPECT_TRUE(error.contains("el origen terminó antes de su tamaño")) << error.toStdString();
        EXPECT_EQ(readFile(dir / "out/big.bin"), "previous copy");
        EXPECT_EQ(treeOf(dir / "out"), QStringList({"big.bin"}));
    }
}

TEST_F(EngineTest, NextRunRemovesTemporariesNoRunningCopyHolds) {
    writeFile(source("a.txt"), "a");
    const QString dest = dir / "destino/Mon/origen/";
    writeFile(dest + ".zvtmp-4242-1", QByteArray(1000, 'x')); // left by a killed run
    writeFile(dest + ".zvtmp-4243-7", "in hand");
    const int held = ::open(QFile::encodeName(dest + ".zvtmp-4243-7").constData(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0); // another agent copying right now

    ASSERT_TRUE(job->Respaldar());

    EXPECT_EQ(treeOf(dest), QStringList({".zvtmp-4243-7", "a.txt"}));
    ::close(held);
}
