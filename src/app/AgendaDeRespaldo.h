#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <array>
#include <optional>

namespace zarvento {

// When the daily backup is due and whether a run is to start now. A day's backup is due at the
// first moment of that local day at or after the backup hour, and runs once: the runs of a day
// are counted by the day they were for, never by the wall clock's minute, so a change of the
// clocks, a clock step, a suspended workstation or a tick held up by a long run neither skips a
// day nor repeats one. Needs no window.
class AgendaDeRespaldo {
public:
    // A failed run of a day is tried again after these waits (seconds of real time), one wait
    // after each failure; after the last one the day is left to the next day's run.
    static constexpr std::array<qint64, 3> kEsperas{15 * 60, 60 * 60, 4 * 60 * 60};

    // The due moment of a day's backup. On the night the clocks go forward, an hour inside the
    // gap is due at the first moment after it; on the night they go back, an hour that comes
    // twice is due at its first occurrence.
    static QDateTime momentoDebido(const QDate& dia, const QTime& hora);
    // The latest day whose backup is due at a moment: today once its due moment has come, else
    // yesterday. Every run, however it starts, is for this day at its start.
    static QDate diaDebido(const QDateTime& ahora, const QTime& hora);
    // The next due moment: today's until its minute has passed, else tomorrow's.
    static QDateTime siguiente(const QDateTime& ahora, const QTime& hora);

    // The backup hour; none while the configuration has no valid one.
    void hora(std::optional<QTime> hora) { hora_ = hora; }
    // The day of the last complete backup (a later one than known is taken, an earlier one kept
    // out: a run whose date could not be stored still counts).
    void ultimo(const QDate& dia);
    // The moment the agent began to watch the clock: a day due before it is left to the
    // start-up review's catch-up rule.
    void vigilarDesde(const QDateTime& inicio) { desde_ = inicio; }

    // The day a run is to start for now, if any: a day due since the watch began and not yet
    // backed up, once (however late the tick that finds it), or a failed day whose next try
    // has come.
    std::optional<QDate> corridaDebida(const QDateTime& ahora) const;
    // A run for a day ended at a moment, complete or with an error.
    void corridaTerminada(const QDate& dia, bool conError, const QDateTime& fin);

private:
    std::optional<QTime> hora_;
    QDateTime desde_;
    QDate ultimo_;
    QDate intentado_;  // the day of the last run
    int fallidas_ = 0; // its failed runs
    QDateTime reintento_;
};

} // namespace zarvento
