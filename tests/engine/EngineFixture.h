#pragma once

#include "TestSupport.h"
#include "engine/clsRespaldar.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <memory>

namespace zarvento::test {

// A backup job over temporary folders: "origen" to back up, "destino" as the root, the log
// file in the program folder, with the clock on Monday 7 December 2026, 08:00.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { makeJob(std::make_unique<AtomicFileCopier>()); }

    void makeJob(std::unique_ptr<FileCopier> copier,
                 std::unique_ptr<LectorCarpetas> lister = std::make_unique<LectorCarpetas>()) {
        job = std::make_unique<clsRespaldar>(
            ServiciosRespaldo{clock, pump, notice, dir / "programa", Regional(QLocale("en_US"))},
            std::move(copier), std::move(lister));
        QDir().mkpath(dir / "programa");
        job->ObjetoLog(&log);
        job->RutaDestino(dir / "destino");
        job->RutaOriginal(dir / "origen");
    }

    QString source(const QString& rel = {}) const { return dir / ("origen/" + rel); }
    QString logFile() const { return dir / "programa/Bitacora.log"; }
    // The log file's lines without their time stamps.
    QStringList fileLines() const {
        QStringList lines =
            QString::fromUtf8(readFile(logFile())).split("\r\n", Qt::SkipEmptyParts);
        for (QString& line : lines)
            line = line.mid(25);
        return lines;
    }
    QStringList fileLinesStartingWith(const QString& prefix) const {
        return fileLines().filter(QRegularExpression("^" + QRegularExpression::escape(prefix)));
    }

    TempFolder dir;
    FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(8, 0))};
    CountingPump pump;
    FakeNotice notice;
    FakeLogBox log;
    std::unique_ptr<clsRespaldar> job;
};

} // namespace zarvento::test
