#include "TestSupport.h"
#include "app/FinPorSenal.h"
#include "engine/FileCopier.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

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

} // namespace
