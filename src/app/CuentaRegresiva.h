#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace zarvento {

// One tick of the countdown to the daily backup hour.
struct TicDeCuenta {
    // "Hora actual: hh:nn:ss   Hora del respaldo: <hour>", followed outside the backup minute
    // by the time left (see MostrarFaltante).
    QString texto;
    // The clock is in the backup hour's minute.
    bool minutoDelRespaldo = false;
};

// The countdown at a moment for the backup hour; nullopt when the hour is not a valid time.
// Only hours and minutes count; the hour counts toward tomorrow once it has passed today.
std::optional<TicDeCuenta> ContarHasta(const QDateTime& ahora, const QString& pbHoraRespaldo);

// ".   Faltan" and the seconds left as " h hrs." (when there are hours), " m mins." (when there
// are minutes) and " s segs." (always).
QString MostrarFaltante(qint64 segundos);

} // namespace zarvento
