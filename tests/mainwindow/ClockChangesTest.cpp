#include "MainWindowFixture.h"
#include "mainwindow/BandejaPrincipal.h"

#include <QApplication>
#include <QDialog>
#include <QSystemTrayIcon>
#include <ctime>

using namespace zarvento;
using namespace zarvento::test;

namespace {

// Local time in a zone with daylight saving for the test's lifetime.
class ZonaHoraria {
public:
    explicit ZonaHoraria(const char* zona) : antes_(qgetenv("TZ")) {
        qputenv("TZ", zona);
        tzset();
    }
    ~ZonaHoraria() {
        qputenv("TZ", antes_);
        tzset();
    }
    ZonaHoraria(const ZonaHoraria&) = delete;
    ZonaHoraria& operator=(const ZonaHoraria&) = delete;

private:
    QByteArray antes_;
};

// The schedule driven through the window's tick with the clock moved under it, as a suspend,
// a change of the clocks or the time service moves it.
class ClockChangesTest : public MainWindowTest {
protected:
    // The agent started at a moment, with the backup hour and the last backup's day.
    void empezar(const QDateTime& inicio, const QString& hora, const QDate& ultimo) {
        configurarCorrecta(hora);
        ultimoRespaldo(ultimo);
        reloj.set(inicio);
        ASSERT_TRUE(cargar());
    }
    // Local time at a moment given in UTC (for the hour that comes twice).
    static QDateTime utc(const QDate& dia, const QTime& hora) {
        return QDateTime(dia, hora, Qt::UTC).toLocalTime();
    }
    QString tic(const QDateTime& ahora) {
        reloj.set(ahora);
        ventana->Timer1_Timer();
        return textoDe("lblTiempo");
    }
    int corridas() const { return vecesEnLog(linea("Iniciando respaldo")); }
    QString ultimo() const { return leido(ajustes::kUltimoRespaldo, ajustes::kResultado); }
    bool trayConFallo() const {
        return ventana->bandeja().iconoDeBandeja()->toolTip().endsWith("\nError al respaldar");
    }
};

TEST_F(ClockChangesTest, AnHourInTheSpringGapIsDueRightAfterIt) {
    const ZonaHoraria zona("Europe/Madrid");
    const QDate dia(2026, 3, 29); // Madrid: 02:00 CET becomes 03:00 CEST
    empezar(QDateTime(dia.addDays(-1), QTime(12, 0)), "02:30", dia.addDays(-1));
    EXPECT_TRUE(tic(QDateTime(dia, QTime(1, 0))).endsWith("Faltan 1 hrs. 0 segs."));
    EXPECT_TRUE(tic(QDateTime(dia, QTime(1, 30))).endsWith("Faltan 30 mins. 0 segs."));
    EXPECT_EQ(corridas(), 0);
    tic(QDateTime(dia, QTime(3, 0)));
    tic(QDateTime(dia, QTime(3, 1)));
    EXPECT_EQ(corridas(), 1);
    EXPECT_EQ(ultimo(), "2026-03-29");
}

TEST_F(ClockChangesTest, AnHourThatComesTwiceRunsAtItsFirstOccurrenceOnly) {
    const ZonaHoraria zona("Europe/Madrid");
    const QDate dia(2026, 10, 25); // Madrid: 03:00 CEST becomes 02:00 CET
    empezar(QDateTime(dia.addDays(-1), QTime(12, 0)), "02:30", dia.addDays(-1));
    tic(utc(dia, QTime(0, 30))); // 02:30 CEST
    EXPECT_EQ(corridas(), 1);
    // 02:00 CET: the next backup is tomorrow's 02:30, 24 and a half hours away.
    EXPECT_TRUE(tic(utc(dia, QTime(1, 0))).endsWith("Faltan 24 hrs. 30 mins. 0 segs."));
    tic(utc(dia, QTime(1, 30))); // 02:30 CET
    tic(utc(dia, QTime(1, 31)));
    EXPECT_EQ(corridas(), 1);
}

TEST_F(ClockChangesTest, ASuspendOverTheHourIsCaughtUpOnResume) {
    const ZonaHoraria zona("America/Santiago");
    const QDate lunes(2026, 12, 7);
    empezar(QDateTime(lunes, QTime(8, 0)), "23:00", lunes.addDays(-1));
    tic(QDateTime(lunes, QTime(22, 58)));
    tic(QDateTime(lunes.addDays(1), QTime(6, 0))); // resumed
    EXPECT_EQ(corridas(), 1);
    EXPECT_EQ(ultimo(), "2026-12-07");
    tic(QDateTime(lunes.addDays(1), QTime(6, 1)));
    EXPECT_EQ(corridas(), 1);
    tic(QDateTime(lunes.addDays(1), QTime(23, 0)));
    EXPECT_EQ(corridas(), 2);
}

TEST_F(ClockChangesTest, AClockSteppedBackAfterTheRunDoesNotRepeatIt) {
    const ZonaHoraria zona("Europe/Madrid");
    const QDate dia(2026, 12, 7);
    empezar(QDateTime(dia, QTime(8, 0)), "23:00", dia.addDays(-1));
    for (const QTime hora : {QTime(23, 0), QTime(23, 1), QTime(22, 1), QTime(22, 59, 59),
                             QTime(23, 0), QTime(23, 0, 30)})
        tic(QDateTime(dia, hora));
    EXPECT_EQ(corridas(), 1);
}

TEST_F(ClockChangesTest, ARunPastMidnightHasOneDate) {
    const ZonaHoraria zona("America/Santiago");
    const QDate lunes(2026, 12, 7);
    empezar(QDateTime(lunes, QTime(8, 0)), "23:59", lunes.addDays(-1));
    writeFile(dir / "lento/a.txt", "a");
    writeFile(dir / "rapido/b.txt", "b");
    writeFile(rutas(), (dir / "lento\r\n").toUtf8() + (dir / "rapido\r\n").toUtf8());
    bomba.onPump = [&] { // midnight passes while the first route is copied
        if (log().filter("Ruta a respaldar").size() == 1)
            reloj.set(QDateTime(lunes.addDays(1), QTime(0, 0, 30)));
    };
    tic(QDateTime(lunes, QTime(23, 59)));
    bomba.onPump = nullptr;
    EXPECT_EQ(corridas(), 1);
    // The copy's record goes with the copy into the run's one cycle folder.
    EXPECT_EQ(treeOf(dir / "destino"),
              QStringList({"Mon", "Mon/.zarvento-copia.json", "Mon/lento", "Mon/lento/a.txt",
                           "Mon/rapido", "Mon/rapido/b.txt"}));
    EXPECT_EQ(ultimo(), "2026-12-07");
    // Tuesday's backup, missed, is caught up at the next start.
    reloj.set(QDateTime(lunes.addDays(2), QTime(8, 0)));
    ASSERT_TRUE(cargar());
    EXPECT_EQ(corridas(), 1); // the log box of the new start
}

TEST_F(ClockChangesTest, TheSettingsWindowOpenAtTheHourDelaysTheRunUntilItCloses) {
    const ZonaHoraria zona("Europe/Madrid");
    const QDate dia(2026, 12, 7);
    empezar(QDateTime(dia, QTime(8, 0)), "23:00", dia.addDays(-1));
    tic(QDateTime(dia, QTime(22, 59, 36)));
    QTimer::singleShot(0, [&] {
        reloj.set(QDateTime(dia, QTime(23, 1)));
        qobject_cast<QDialog*>(QApplication::activeModalWidget())->reject();
    });
    boton("cmdConfigurar")->click();
    EXPECT_EQ(corridas(), 0);
    tic(QDateTime(dia, QTime(23, 1, 1)));
    tic(QDateTime(dia, QTime(23, 1, 2)));
    EXPECT_EQ(corridas(), 1);
}

TEST_F(ClockChangesTest, AFailedRunIsTriedAgainAfterGrowingWaits) {
    const ZonaHoraria zona("Europe/Madrid");
    const QDate dia(2026, 12, 7);
    empezar(QDateTime(dia, QTime(8, 0)), "23:00", dia.addDays(-1));
    QDir(dir / "destino").removeRecursively();
    writeFile(dir / "destino", "not a folder"); // the destination unusable
    const auto hasta = [&](const QDateTime& momento, int esperadas) {
        tic(momento.addSecs(-1));
        EXPECT_EQ(corridas(), esperadas - 1) << momento.toString().toStdString();
        tic(momento);
        EXPECT_EQ(corridas(), esperadas) << momento.toString().toStdString();
    };
    hasta(QDateTime(dia, QTime(23, 0)), 1);
    EXPECT_TRUE(trayConFallo());
    hasta(QDateTime(dia, QTime(23, 15)), 2);
    hasta(QDateTime(dia.addDays(1), QTime(0, 15)), 3);
    hasta(QDateTime(dia.addDays(1), QTime(4, 15)), 4);
    tic(QDateTime(dia.addDays(1), QTime(20, 0))); // tries are bounded
    EXPECT_EQ(corridas(), 4);
    EXPECT_TRUE(trayConFallo());
    EXPECT_EQ(ultimo(), "2026-12-06");
    // Back at the next day's hour: a fresh try, which completes.
    QFile::remove(dir / "destino");
    QDir().mkpath(dir / "destino");
    hasta(QDateTime(dia.addDays(1), QTime(23, 0)), 5);
    EXPECT_FALSE(trayConFallo());
    EXPECT_EQ(ultimo(), "2026-12-08");
}

TEST_F(ClockChangesTest, AWorkstationThatSleepsOverTheHourEveryNightBacksUpOnResume) {
    const ZonaHoraria zona("America/Santiago");
    const QDate dia(2026, 9, 4); // Santiago: the night of 5-6 September skips 24:00-01:00
    empezar(QDateTime(dia, QTime(8, 0)), "23:00", dia.addDays(-1));
    for (int noche = 0; noche < 3; ++noche) {
        tic(QDateTime(dia.addDays(noche), QTime(22, 0))); // suspended until the morning
        tic(QDateTime(dia.addDays(noche + 1), QTime(7, 0)));
        EXPECT_EQ(corridas(), noche + 1);
        EXPECT_EQ(ultimo(), dia.addDays(noche).toString(ajustes::kFormatoFecha));
    }
}

} // namespace
