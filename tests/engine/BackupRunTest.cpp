#include "EngineFixture.h"

#include <QRegularExpression>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

// A copier that fails for chosen file names and copies every other file for real.
class SelectiveFailCopier final : public FileCopier {
public:
    explicit SelectiveFailCopier(QStringList failing) : failing_(std::move(failing)) {}
    bool copiar(const QString& from, const QString& to, QString& error) override {
        if (failing_.contains(QFileInfo(from).fileName())) {
            error = "No space left on device";
            return false;
        }
        return real_.copiar(from, to, error);
    }

private:
    QStringList failing_;
    AtomicFileCopier real_;
};

// Copies for real after a pause, asking for the window's events on the way as a long copy does.
class SlowCopier final : public FileCopier {
public:
    bool copiar(const QString& from, const QString& to, QString& error) override {
        for (int i = 0; i < 10; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (bombear_)
                bombear_();
        }
        return real_.copiar(from, to, error);
    }

private:
    AtomicFileCopier real_;
};

// Reads folders for real, but every reading of one folder fails with EIO after a few entries, as
// on a failing disk or a share that drops.
class FailingLister final : public LectorCarpetas {
public:
    FailingLister(QString folder, int entriesBeforeError)
        : folder_(std::move(folder)), limit_(entriesBeforeError) {}

protected:
    const dirent* siguiente(DIR* dir, const QString& carpeta) const override {
        if (carpeta != folder_)
            return LectorCarpetas::siguiente(dir, carpeta);
        if (read_ == limit_) {
            read_ = 0;
            errno = EIO;
            return nullptr;
        }
        ++read_;
        return LectorCarpetas::siguiente(dir, carpeta);
    }

private:
    QString folder_;
    int limit_;
    mutable int read_ = 0;
};

// Counts how often each folder is read to its end.
class CountingLister final : public LectorCarpetas {
public:
    mutable QHash<QString, int> listings;

protected:
    const dirent* siguiente(DIR* dir, const QString& carpeta) const override {
        const dirent* entry = LectorCarpetas::siguiente(dir, carpeta);
        if (!entry) {
            std::lock_guard lock(mutex_); // a run reads from two threads
            ++listings[carpeta];
        }
        return entry;
    }

private:
    mutable std::mutex mutex_;
};

} // namespace

TEST_F(EngineTest, DifferentialRunReadsEachDestinationFolderOnce) {
    writeFile(source("a.txt"), "a");
    writeFile(source("sub/b.txt"), "b");
    auto lister = std::make_unique<CountingLister>();
    const CountingLister& counts = *lister;
    makeJob(std::make_unique<AtomicFileCopier>(), std::move(lister));
    job->Incremental(true);
    job->IncluirSubdirectorios(true);
    ASSERT_TRUE(job->Respaldar());
    const QString dest = dir / "destino/Mon/origen/";
    writeFile(dest + "sub/sobra.txt", "x");
    writeFile(source("sub/b.txt"), "bb");
    counts.listings.clear();

    ASSERT_TRUE(job->Respaldar());

    EXPECT_EQ(counts.listings.value(dest), 1);
    EXPECT_EQ(counts.listings.value(dest + "sub/"), 1);
    EXPECT_EQ(treeOf(dest + "sub"), QStringList({"b.txt"}));
    EXPECT_EQ(readFile(dest + "sub/b.txt"), "bb");
}

TEST_F(EngineTest, WindowEventsRunOnTheirOwnThreadAllThroughACopyOnTheWorker) {
    writeFile(source("a.txt"), "a");
    writeFile(source("sub/b.txt"), "b");
    // Copies that replace previous ones are the ones handed to the worker.
    writeFile(dir / "destino/Mon/origen/a.txt", "previous");
    writeFile(dir / "destino/Mon/origen/sub/b.txt", "previous");
    makeJob(std::make_unique<SlowCopier>());
    job->IncluirSubdirectorios(true);
    const auto windowThread = std::this_thread::get_id();
    std::atomic<bool> elsewhere = false;
    pump.onPump = [&] { elsewhere = elsewhere || std::this_thread::get_id() != windowThread; };

    ASSERT_TRUE(job->Respaldar());

    EXPECT_FALSE(elsewhere);
    EXPECT_GE(pump.calls, 12); // two copies of 200 ms each, events run about every 20 ms
    EXPECT_EQ(readFile(dir / "destino/Mon/origen/sub/b.txt"), "b");
}

TEST_F(EngineTest, DestinationFolderFollowsTheCycleOptions) {
    writeFile(source("a.txt"), "a");
    // Weekly cycle, day first: destination root, weekday name, route name.
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(job->RutaRespaldado(), dir / "destino/Mon/origen/");
    EXPECT_EQ(readFile(dir / "destino/Mon/origen/a.txt"), "a");

    job->EsSemanal(false);
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(job->RutaRespaldado(), dir / "destino/07/origen/");
    job->DiaAlInicio(false);
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(job->RutaRespaldado(), dir / "destino/origen/07/");

    // No cycle: two separators side by side, before the name or at the end.
    job->RespaldoMultiple(false);
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(job->RutaRespaldado(), dir / "destino/origen//");
    job->DiaAlInicio(true);
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(job->RutaRespaldado(), dir / "destino//origen/");
    EXPECT_EQ(readFile(dir / "destino/origen/a.txt"), "a");
}

TEST_F(EngineTest, SeparatorsAreAppendedOnce) {
    job->RutaDestino("/copias");
    EXPECT_EQ(job->RutaDestino(), "/copias/");
    job->RespaldoEnFTP(true);
    EXPECT_EQ(job->RutaDestino(), "/copias/");
    job->RutaDestino("/remoto/");
    EXPECT_EQ(job->RutaDestino(), "/remoto/");
}

TEST_F(EngineTest, FullRunWalksBreadthFirstAndLogsItsSummary) {
    writeFile(source("raiz.txt"), "r");
    writeFile(source(".oculto"), "h");
    writeFile(source("b/b1.txt"), "b1");
    writeFile(source("b/bb/bb1.txt"), "bb1");
    writeFile(source("a/a1.txt"), "a1");
    writeFile(source("a/aa/aa1.txt"), "aa1");
    writeFile(source(".git/config"), "x"); // hidden folders are not walked
    job->IncluirSubdirectorios(true);
    job->RespaldoMultiple(false);

    ASSERT_TRUE(job->Respaldar());

    const QString dest = dir / "destino//origen/";
    EXPECT_EQ(log.lines.mid(1),
              QStringList({"*)Ruta a respaldar:--------> " + source(),
                           "Buscando subdirectorios  ... ", "*)Directorios a respaldar:-> 5",
                           "Respaldando archivos  ... ", "*)Archivos totales:--------> 6",
                           "*)Archivos respaldados:----> 5", "*)Archivos borrados:-------> 0"}));
    EXPECT_EQ(log.lines[0], "*)Respaldo iniciado:-------> 07/Dec/2026 08:00:00");
    // Breadth first, in name order within each folder.
    EXPECT_EQ(fileLinesStartingWith("Copiando "),
              QStringList({"Copiando " + source("raiz.txt") + " - " + dest + "raiz.txt",
                           "Copiando " + source("a/a1.txt") + " - " + dest + "a/a1.txt",
                           "Copiando " + source("b/b1.txt") + " - " + dest + "b/b1.txt",
                           "Copiando " + source("a/aa/aa1.txt") + " - " + dest + "a/aa/aa1.txt",
                           "Copiando " + source("b/bb/bb1.txt") + " - " + dest + "b/bb/bb1.txt"}));
    EXPECT_EQ(treeOf(dir / "destino/origen"),
              QStringList({"a", "a/a1.txt", "a/aa", "a/aa/aa1.txt", "b", "b/b1.txt", "b/bb",
                           "b/bb/bb1.txt", "raiz.txt"}));
    EXPECT_EQ(notice.shown.first(), "Copiando (1 bytes), raiz.txt   1 de 6");
    EXPECT_FALSE(notice.visible);
    EXPECT_GT(pump.calls, 5);
}

TEST_F(EngineTest, DifferentialRunComparesWholeSecondsAndDeletesSurplus) {
    job->RespaldoMultiple(false);
    job->Incremental(true);
    const QString dest = dir / "destino//origen/";
    writeFile(source("igual.txt"), "fuente");
    writeFile(source("nuevo.txt"), "fuente");
    writeFile(source("viejo.txt"), "fuente");
    writeFile(source("ausente.txt"), "fuente");
    writeFile(dest + "igual.txt", "FUENTE");
    writeFile(source("corto.txt"), "fuente");
    writeFile(dest + "corto.txt", ""); // left empty by a power loss: same time, not the same size
    setModified(source("corto.txt"), 1'700'000'000);
    setModified(dest + "corto.txt", 1'700'000'000);
    writeFile(dest + "nuevo.txt", "copia");
    writeFile(dest + "viejo.txt", "copia");
    writeFile(dest + "sobra.txt", "copia");
    writeFile(dest + ".oculta", "copia");
    setModified(source("igual.txt"), 1'700'000'000);
    setModified(dest + "igual.txt", 1'700'000'000);
    setModified(source("nuevo.txt"), 1'700'000'100);
    setModified(dest + "nuevo.txt", 1'700'000'000);
    setModified(source("viejo.txt"), 1'700'000'000);
    setModified(dest + "viejo.txt", 1'700'000'100);

    ASSERT_TRUE(job->Respaldar());

    EXPECT_EQ(readFile(dest + "igual.txt"), "FUENTE");
    EXPECT_EQ(readFile(dest + "corto.txt"), "fuente");
    EXPECT_EQ(readFile(dest + "nuevo.txt"), "fuente");
    EXPECT_EQ(readFile(dest + "viejo.txt"), "copia");
    EXPECT_EQ(readFile(dest + "ausente.txt"), "fuente");
    EXPECT_FALSE(QFile::exists(dest + "sobra.txt"));
    EXPECT_TRUE(QFile::exists(dest + ".oculta"));
    EXPECT_EQ(fileLinesStartingWith("Borrando: "),
              QStringList({"Borrando: " + dest + "sobra.txt"}));
    EXPECT_TRUE(log.lines.contains("*)Archivos respaldados:----> 3"));
    EXPECT_TRUE(log.lines.contains("*)Archivos borrados:-------> 1"));

    // The copy keeps the source's time, so a second run copies nothing.
    log.clear();
    ASSERT_TRUE(job->Respaldar());
    EXPECT_TRUE(log.lines.contains("*)Archivos respaldados:----> 0"));

    // A full run copies everything and deletes nothing.
    writeFile(dest + "sobra.txt", "copia");
    job->Incremental(false);
    log.clear();
    ASSERT_TRUE(job->Respaldar());
    EXPECT_TRUE(log.lines.contains("*)Archivos respaldados:----> 5"));
    EXPECT_TRUE(QFile::exists(dest + "sobra.txt"));
    EXPECT_EQ(readFile(dest + "igual.txt"), "fuente");
}

TEST_F(EngineTest, StagingFolderTakesEveryFileAndIsLeftEmpty) {
    writeFile(source("ibdata1"), QByteArray(5000, 'x'));
    writeFile(source("ventas.frm"), "frm");
    writeFile(source("sub/no.txt"), "no");
    const QString staging = dir / "programa/TmpData";
    QDir().mkpath(staging);
    job->IncluirSubdirectorios(true);
    QStringList stagedWhileCopying;
    notice.onShow = [&](const QString&) { stagedWhileCopying = treeOf(staging); };

    ASSERT_TRUE(job->Respaldar(staging));

    EXPECT_EQ(treeOf(dir / "destino/Mon/origen"), QStringList({"ibdata1", "ventas.frm"}));
    EXPECT_EQ(readFile(dir / "destino/Mon/origen/ibdata1"), QByteArray(5000, 'x'));
    EXPECT_EQ(stagedWhileCopying, QStringList({"ventas.frm"}));
    EXPECT_TRUE(treeOf(staging).isEmpty());
    EXPECT_FALSE(log.lines.contains("Buscando subdirectorios  ... "));
    EXPECT_EQ(notice.shown.first(), "Copiando (5,000 bytes), ibdata1   1 de 2");
}

TEST_F(EngineTest, FailedCopyStopsEachLaterFolderAfterItsFirstFile) {
    makeJob(std::make_unique<SelectiveFailCopier>(QStringList{"a2.txt"}));
    for (const char* f : {"a1.txt", "a2.txt", "a3.txt"})
        writeFile(source(QString("a/") + f), "a");
    for (const char* f : {"b1.txt", "b2.txt"})
        writeFile(source(QString("a/b/") + f), "b");
    for (const char* f : {"c1.txt", "c2.txt"})
        writeFile(source(QString("a/b/c/") + f), "c");
    job->RutaOriginal(source("a"));
    job->IncluirSubdirectorios(true);

    EXPECT_FALSE(job->Respaldar());

    EXPECT_EQ(treeOf(dir / "destino/Mon/a"),
              QStringList({"a1.txt", "b", "b/b1.txt", "b/c", "b/c/c1.txt"}));
    const int header = log.lines.indexOf("* * * Archivos con error al copiar * * *  ... ");
    ASSERT_GE(header, 0);
    EXPECT_EQ(log.lines.mid(header + 1), QStringList({source("a/a2.txt") + "  ... "}));
    EXPECT_TRUE(log.lines.contains("*)Archivos respaldados:----> 3")); // not the failed one
    EXPECT_EQ(notice.shown.last(), "Copiando (1 bytes), c1.txt   4 de 7");
    EXPECT_EQ(fileLinesStartingWith("Error al copiar "),
              QStringList({"Error al copiar " + source("a/a2.txt") + ": No space left on device"}));
}

TEST_F(EngineTest, FailedCopyNeverDestroysThePreviousCopy) {
    makeJob(std::make_unique<SelectiveFailCopier>(QStringList{"a.txt"}));
    writeFile(source("a.txt"), "nuevo");
    writeFile(dir / "destino/Mon/origen/a.txt", "respaldo anterior");
    EXPECT_FALSE(job->Respaldar());
    EXPECT_EQ(readFile(dir / "destino/Mon/origen/a.txt"), "respaldo anterior");
}

TEST_F(EngineTest, DestinationThatCannotBeMadeFailsTheRoute) {
    writeFile(source("a.txt"), "a");
    writeFile(dir / "destino/Mon", "a file where the cycle folder should be");
    EXPECT_FALSE(job->Respaldar());
    EXPECT_TRUE(log.lines.contains("*)Carpeta destino no creada:> " + dir / "destino/Mon/origen/"));
}

TEST_F(EngineTest, FileVanishingMidRunIsAFailedCopy) {
    writeFile(source("a.txt"), "a");
    writeFile(source("b.txt"), "b");
    notice.onShow = [&](const QString&) { QFile::remove(source("b.txt")); };
    EXPECT_FALSE(job->Respaldar());
    const int header = log.lines.indexOf("* * * Archivos con error al copiar * * *  ... ");
    ASSERT_GE(header, 0);
    EXPECT_EQ(log.lines.mid(header + 1), QStringList({source("b.txt") + "  ... "}));
}

// Copies are prepared ahead on the workers, but each shows under its name only after its notice,
// and those prepared after a failed copy leave nothing.
TEST_F(EngineTest, CopiesShowInWalkOrderAndNothingOfThoseAfterAFailure) {
    const QStringList names{"a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8"};
    for (const QString& name : names)
        writeFile(source(name), QByteArray(20'000, 'x'));
    QStringList seen;
    notice.onShow = [&](const QString& text) {
        const QString name = text.section(", ", 1).section(' ', 0, 0);
        seen.append(name + ": " + treeOf(dir / "destino/Mon/origen").join(','));
        QFile::remove(source("a3")); // read after the walk starts a1, so its copy fails
    };

    EXPECT_FALSE(job->Respaldar());

    EXPECT_EQ(seen, QStringList({"a1: ", "a2: a1", "a3: a1,a2"}));
    EXPECT_EQ(treeOf(dir / "destino/Mon/origen"), QStringList({"a1", "a2"}));
    EXPECT_EQ(fileLinesStartingWith("Error al copiar ").size(), 1);
    EXPECT_TRUE(log.lines.contains("*)Archivos respaldados:----> 2"));
}

TEST_F(EngineTest, ReplacingCopiesKeepsNothingOpenAfterTheRun) {
    const auto openFiles = [] { return QDir("/proc/self/fd").entryList(QDir::Files).size(); };
    for (int i = 0; i < 30; ++i)
        writeFile(source(QString("f%1").arg(i)), "old");
    ASSERT_TRUE(job->Respaldar());
    const qsizetype before = openFiles();
    for (int i = 0; i < 30; ++i)
        writeFile(source(QString("f%1").arg(i)), "new");

    ASSERT_TRUE(job->Respaldar()); // a full run: every copy replaces the previous one

    EXPECT_EQ(openFiles(), before);
    EXPECT_EQ(readFile(dir / "destino/Mon/origen/f29"), "new");
    EXPECT_EQ(treeOf(dir / "destino/Mon/origen").size(), 30);
}

TEST_F(EngineTest, UnreadableSourceFolderNeverCausesDeletions) {
    job->Incremental(true);
    job->IncluirSubdirectorios(true);
    writeFile(source("a.txt"), "a");
    writeFile(source("sub/s.txt"), "s");
    writeFile(dir / "destino/Mon/origen/sub/s.txt", "old");
    writeFile(dir / "destino/Mon/origen/sub/other.txt", "old");
    // The subfolder disappears after the subfolder search, while the first file is copied.
    notice.onShow = [&](const QString&) { QDir(source("sub")).removeRecursively(); };

    EXPECT_FALSE(job->Respaldar()); // the backup is not complete
    EXPECT_EQ(log.lines.last(), "*)Respaldo incompleto:-----> 1 carpeta no se pudo leer");

    EXPECT_TRUE(QFile::exists(dir / "destino/Mon/origen/sub/s.txt"));
    EXPECT_TRUE(QFile::exists(dir / "destino/Mon/origen/sub/other.txt"));
    const int header = log.lines.indexOf("* * * Directorios o rutas con error al leer * * *  ... ");
    ASSERT_GE(header, 0);
    EXPECT_EQ(log.lines[header + 1], source("sub/") + "  ... ");
}

TEST_F(EngineTest, MissingRouteOrUnwritableLogEndsTheRouteInOrder) {
    job->RutaOriginal(dir / "no-existe");
    EXPECT_FALSE(job->Respaldar());
    EXPECT_EQ(log.lines.last(),
              "*)Respaldo interrumpido:---> No se puede leer la ruta " + dir / "no-existe/");

    writeFile(source("a.txt"), "a");
    job->RutaOriginal(source());
    QFile::remove(logFile());
    QDir().mkpath(logFile()); // a folder where the log file should be
    log.clear();
    EXPECT_FALSE(job->Respaldar());
    EXPECT_EQ(log.lines.last(),
              "*)Respaldo interrumpido:---> No se puede escribir en " + logFile());
}

TEST_F(EngineTest, LinksToFoldersAreNeitherWalkedNorCopied) {
    writeFile(source("a.txt"), "a");
    writeFile(dir / "fuera/secreto.txt", "s");
    ASSERT_TRUE(QFile::link(dir / "fuera", source("enlace")));
    ASSERT_TRUE(QFile::link(source("a.txt"), source("enlace.txt")));
    job->IncluirSubdirectorios(true);
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(treeOf(dir / "destino/Mon/origen"), QStringList({"a.txt", "enlace.txt"}));
    EXPECT_TRUE(log.lines.contains("*)Directorios a respaldar:-> 1"));
}

TEST_F(EngineTest, ListingCutShortCopiesWhatItReadAndDeletesNothing) {
    job->Incremental(true);
    const QString dest = dir / "destino/Mon/origen/";
    for (const char* f : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}) {
        writeFile(source(f), "nuevo");
        writeFile(dest + f, "copia");
        setModified(dest + f, 1'000'000'000);
    }
    // "." and ".." count among the entries read before the error.
    makeJob(std::make_unique<AtomicFileCopier>(), std::make_unique<FailingLister>(source(), 4));
    job->Incremental(true);

    job->Respaldar();

    EXPECT_EQ(treeOf(dest), QStringList({"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}));
    int copied = 0;
    for (const char* f : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
        copied += readFile(dest + f) == "nuevo";
    EXPECT_GE(copied, 2);
    EXPECT_LT(copied, 5);
    EXPECT_TRUE(log.lines.contains("*)Archivos borrados:-------> 0"));
    const int header = log.lines.indexOf("* * * Directorios o rutas con error al leer * * *  ... ");
    ASSERT_GE(header, 0);
    EXPECT_EQ(log.lines[header + 1], source() + "  ... ");
}

TEST_F(EngineTest, RoutesAreNormalisedAndNeverBackUpTheirOwnBackups) {
    writeFile(source("a.txt"), "a");
    writeFile(source("sub/s.txt"), "s");
    writeFile(dir / "destino/vecino.txt", "not ours");
    job->Incremental(true);
    job->IncluirSubdirectorios(true);
    // ".." segments resolve before the destination folder is composed.
    job->RutaOriginal(source("sub/.."));
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(job->RutaRespaldado(), dir / "destino/Mon/origen/");
    job->RutaOriginal(source("sub/../sub/"));
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(job->RutaRespaldado(), dir / "destino/Mon/sub/");
    EXPECT_EQ(readFile(dir / "destino/vecino.txt"), "not ours");

    // A destination inside the route: the second run does not copy the first run's copies.
    job->RutaDestino(source("copias"));
    job->RutaOriginal(source());
    ASSERT_TRUE(job->Respaldar());
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(treeOf(source("copias")), QStringList({"Mon", "Mon/origen", "Mon/origen/a.txt",
                                                     "Mon/origen/sub", "Mon/origen/sub/s.txt"}));

    // Control characters make a bad route; nothing is read.
    job->RutaOriginal(source() + QChar(0) + "x");
    EXPECT_FALSE(job->Respaldar());
    EXPECT_EQ(log.lines.last(),
              "*)Respaldo interrumpido:---> Ruta incorrecta (la ruta tiene caracteres de control)");
    EXPECT_EQ(MotivoRutaIncorrecta("/datos/año 2026"), "");
    EXPECT_NE(MotivoRutaIncorrecta("/datos\tventas"), "");
}

TEST_F(EngineTest, NamesThatAreNotUtf8AreCopiedUnderTheirOwnBytes) {
    const QByteArray name = "Pe\xF1"
                            "asco.txt"; // Latin-1, as older systems write it
    const QByteArray src = QFile::encodeName(source()) + name;
    QDir().mkpath(source());
    const int fd = ::open(src.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(fd, "datos", 5), 5);
    ::close(fd);
    job->Incremental(true);

    ASSERT_TRUE(job->Respaldar());
    ASSERT_TRUE(job->Respaldar()); // the differential run finds it and leaves it alone

    const QByteArray copy = QFile::encodeName(dir / "destino/Mon/origen/") + name;
    EXPECT_EQ(::access(copy.constData(), F_OK), 0);
    EXPECT_TRUE(log.lines.contains("*)Archivos borrados:-------> 0"));
    EXPECT_EQ(fileLinesStartingWith("Copiando "),
              QStringList({"Copiando " + source("Peñasco.txt") + " - " +
                           dir / "destino/Mon/origen/Peñasco.txt"}));
}

TEST_F(EngineTest, EntriesThatAreNeitherFilesNorFoldersAreListedNotHidden) {
    writeFile(source("a.txt"), "a");
    ASSERT_EQ(::mkfifo(QFile::encodeName(source("tubo")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(dir / "no-existe", source("roto")));
    ASSERT_TRUE(job->Respaldar());
    const int header = log.lines.indexOf("* * * Directorios o rutas con error al leer * * *  ... ");
    ASSERT_GE(header, 0);
    EXPECT_EQ(log.lines.mid(header + 1),
              QStringList({source("roto") + " (omitido: no es archivo ni carpeta)  ... ",
                           source("tubo") + " (omitido: no es archivo ni carpeta)  ... "}));
}

TEST_F(EngineTest, AdditionalFileGoesBesideTheRouteAndSurvivesTheDeletionPass) {
    job->RespaldoMultiple(false);
    job->Incremental(true);
    const QString dest = dir / "destino//origen/";
    const QString staging = dir / "programa/TmpData";
    writeFile(source("ventas.ibd"), "ibd");
    writeFile(staging + "/origen.sql", "-- dump");
    setModified(staging + "/origen.sql", 1'700'000'000);
    writeFile(dest + "origen.sql", "-- older dump");
    setModified(dest + "origen.sql", 1'700'000'100); // newer than the dump: still replaced
    writeFile(dest + "otra.sql", "-- not this route's dump");

    job->ArchivosAdicionales({staging + "/origen.sql"});
    ASSERT_TRUE(job->Respaldar(staging));
    EXPECT_EQ(readFile(dest + "origen.sql"), "-- dump");
    EXPECT_EQ(treeOf(dest), QStringList({"origen.sql", "ventas.ibd"}));
    EXPECT_TRUE(log.lines.contains("*)Archivos totales:--------> 2"));
    EXPECT_TRUE(log.lines.contains("*)Archivos borrados:-------> 1"));

    // The next run has no additional file (its dump failed): the route's last dump is kept.
    ASSERT_TRUE(job->Respaldar(staging));
    EXPECT_EQ(treeOf(dest), QStringList({"origen.sql", "ventas.ibd"}));
    EXPECT_EQ(readFile(dest + "origen.sql"), "-- dump");

    // A dump that cannot be copied fails the route after the route's own files.
    job->ArchivosAdicionales({staging + "/no-existe.sql"});
    EXPECT_FALSE(job->Respaldar(staging));
    EXPECT_EQ(treeOf(dest), QStringList({"origen.sql", "ventas.ibd"}));
    EXPECT_TRUE(log.lines.contains(staging + "/no-existe.sql  ... "));
}

TEST_F(EngineTest, ACopyAtATimeFitsSoTheRunFitsTooOnASmallDisk) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting the small file system needs root";
    const QByteArray destino = QFile::encodeName(dir / "destino");
    QDir().mkpath(dir / "destino");
    ASSERT_EQ(::mount("tmpfs", destino.constData(), "tmpfs", 0, "size=64m"), 0) << errno;
    const struct Desmontar {
        QByteArray punto;
        ~Desmontar() { ::umount2(punto.constData(), MNT_DETACH); }
    } desmontar{destino};
    // 53 MiB of previous copies leave 11 MiB: room for the largest copy, not for two at once.
    const QString copias = dir / "destino/Mon/origen/";
    const QStringList nombres = {"a", "b", "c", "d", "e", "f", "g", "h"};
    for (const QString& nombre : nombres) {
        const int mib = QStringLiteral("bdf").contains(nombre) ? 1 : 10;
        writeFile(source(nombre), QByteArray(mib << 20, 'n'));
        writeFile(copias + nombre, QByteArray(mib << 20, 'v'));
    }

    ASSERT_TRUE(job->Respaldar()) << log.lines.join('\n').toStdString();
    for (const QString& nombre : nombres)
        EXPECT_EQ(readFile(copias + nombre), readFile(source(nombre))) << nombre.toStdString();
}

namespace {

struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

} // namespace

TEST_F(EngineTest, CycleFoldersShareTheFilesThatDidNotChangeAndReplaceOnlyTheirOwn) {
    job->Incremental(true);
    const QString mon = dir / "destino/Mon/origen/";
    const QString tue = dir / "destino/Tue/origen/";
    const auto change = [&](const QString& name, const QByteArray& content, qint64 time) {
        writeFile(source(name), content);
        setModified(source(name), time);
    };
    change("a.txt", "a1", 1'700'000'000);
    change("b.txt", "b1", 1'700'000'000);
    change("sub/c.txt", "c1", 1'700'000'000);
    job->IncluirSubdirectorios(true);
    ASSERT_TRUE(job->Respaldar());

    change("b.txt", "b2", 1'700'100'000);
    clock.advance(24 * 3600);
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(statOf(tue + "a.txt").st_ino, statOf(mon + "a.txt").st_ino);
    EXPECT_EQ(statOf(tue + "sub/c.txt").st_nlink, 2u);
    EXPECT_EQ(statOf(tue + "b.txt").st_nlink, 1u);
    EXPECT_EQ(readFile(tue + "b.txt"), "b2");
    EXPECT_EQ(fileLinesStartingWith("Enlazando ").size(), 2);
    EXPECT_TRUE(log.lines.contains("*)Archivos respaldados:----> 3"));

    // A week later: a changed copy replaces only Monday's name; Monday's out-of-date b takes
    // Tuesday's copy.
    change("a.txt", "a2", 1'700'200'000);
    clock.advance(6 * 24 * 3600);
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(readFile(mon + "a.txt"), "a2");
    EXPECT_EQ(readFile(tue + "a.txt"), "a1");
    EXPECT_EQ(statOf(tue + "a.txt").st_nlink, 1u);
    EXPECT_EQ(statOf(mon + "b.txt").st_ino, statOf(tue + "b.txt").st_ino);
    EXPECT_EQ(readFile(mon + "b.txt"), "b2");
    EXPECT_EQ(treeOf(mon), QStringList({"a.txt", "b.txt", "sub", "sub/c.txt"}));
}

TEST_F(EngineTest, CycleFoldersThatCannotShareGetTheirOwnCopies) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a second file system needs root";
    const QByteArray lunes = QFile::encodeName(dir / "destino/Mon");
    QDir().mkpath(dir / "destino/Mon");
    ASSERT_EQ(::mount("tmpfs", lunes.constData(), "tmpfs", 0, "size=4m"), 0) << errno;
    const struct Desmontar {
        QByteArray punto;
        ~Desmontar() { ::umount2(punto.constData(), MNT_DETACH); }
    } desmontar{lunes};
    job->Incremental(true);
    writeFile(source("a.txt"), "a");
    writeFile(source("b.txt"), "b");
    ASSERT_TRUE(job->Respaldar());

    clock.advance(24 * 3600); // Tuesday's folder is on another device: no links
    ASSERT_TRUE(job->Respaldar());
    const QString tue = dir / "destino/Tue/origen/";
    EXPECT_EQ(readFile(tue + "a.txt"), "a");
    EXPECT_EQ(readFile(tue + "b.txt"), "b");
    EXPECT_EQ(fileLinesStartingWith("Enlazando ").size(), 0);
    EXPECT_EQ(fileLinesStartingWith("Copiando ").size(), 4);
}
