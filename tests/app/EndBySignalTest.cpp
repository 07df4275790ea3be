#include "TestSupport.h"
#include "app/FinPorSenal.h"
#include "engine/FileCopier.h"
#include "engine/clsRespaldar.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

QStringList temporariesIn(const QString& root) {
    return treeOf(root).filter(QStringLiteral("/.zvtmp-"));
}

class EventLoopPump final : public EventPump {
public:
    void pump() override { QCoreApplication::processEvents(); }
};

// Copies for real, under temporary names as on a share, calling back between blocks on whichever
// thread copies.
class CopierWithHook final : public FileCopier {
public:
    explicit CopierWithHook(std::function<void()> hook) { real_.entreBloques(std::move(hook)); }
    bool copiar(const QString& from, const QString& to, QString& error) override {
        return real_.copiar(from, to, error);
    }
    std::unique_ptr<CopiaPreparada> preparar(const QString& from, const QString& to) override {
        return real_.preparar(from, to);
    }

private:
    AtomicFileCopier real_{AtomicFileCopier::Temporales::ConNombre};
};

TEST(EndBySignalTest, SigtermRemovesTheCopyInHandsTemporaryAndAsksToClose) {
    TempFolder dir;
    writeFile(dir / "grande.bin", QByteArray(3 << 20, 'x')); // copied in several blocks
    QDir().mkpath(dir / "destino");
    FinPorSenal fin;
    int requests = 0;
    QObject::connect(&fin, &FinPorSenal::pedido, [&] { ++requests; });

    AtomicFileCopier copier(AtomicFileCopier::Temporales::ConNombre); // as on a share
    QStringList duringCopy;
    QStringList afterSignal;
    copier.entreBloques([&] {
        if (duringCopy.isEmpty()) {
            duringCopy = filesIn(dir / "destino");
            std::raise(SIGTERM);
            afterSignal = filesIn(dir / "destino");
        }
        QCoreApplication::processEvents();
    });
    QString error;
    EXPECT_FALSE(copier.copiar(dir / "grande.bin", dir / "destino/grande.bin", error));
    const QDeadlineTimer deadline(5000);
    while (requests == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    EXPECT_EQ(duringCopy.size(), 1); // the temporary file
    EXPECT_EQ(afterSignal, QStringList());
    EXPECT_EQ(filesIn(dir / "destino"), QStringList());
    EXPECT_EQ(requests, 1);
}

TEST(EndBySignalTest, CopiesOnTheJobsWorkersLeaveNoTemporaryOnceTheEndIsAsked) {
    TempFolder dir;
    const QStringList folders = {"uno", "dos", "tres"};
    for (const QString& folder : folders) {
        writeFile(dir / "origen/" + folder + "/grande.bin", QByteArray(3 << 20, 'n'));
        writeFile(dir / "destino/origen/" + folder + "/grande.bin", "anterior");
    }
    FinPorSenal fin;
    std::atomic<bool> asked = false;
    QStringList whenAsked;
    QObject::connect(&fin, &FinPorSenal::pedido, [&] {
        whenAsked = temporariesIn(dir / "destino"); // the program ends at once here
        asked = true;
    });
    // On the workers: the first copy asks the end in the middle (the signal handled on that worker
    // before it goes on); every copy after the end was asked looks for temporary files.
    std::atomic<bool> signalled = false;
    std::atomic<int> seenAfter = 0;
    auto hook = [&] {
        if (!signalled.exchange(true))
            std::raise(SIGTERM);
        else if (asked)
            seenAfter += static_cast<int>(temporariesIn(dir / "destino").size());
    };
    FakeClock clock;
    EventLoopPump pump;
    FakeNotice notice;
    QDir().mkpath(dir / "programa");
    clsRespaldar job({clock, pump, notice, dir / "programa"},
                     std::make_unique<CopierWithHook>(hook));
    job.RespaldoMultiple(false);
    job.IncluirSubdirectorios(true);
    job.RutaDestino(dir / "destino");
    job.RutaOriginal(dir / "origen");

    job.Respaldar();

    EXPECT_TRUE(asked);
    EXPECT_EQ(whenAsked, QStringList());
    EXPECT_EQ(seenAfter, 0);
    EXPECT_EQ(temporariesIn(dir / "destino"), QStringList());
    for (const QString& folder : folders) {
        const QByteArray copy = readFile(dir / "destino/origen/" + folder + "/grande.bin");
        EXPECT_TRUE(copy == "anterior" || copy == QByteArray(3 << 20, 'n')) << folder.toStdString();
    }
}

} // namespace
