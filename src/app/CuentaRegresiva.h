#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace zarvento {

// The countdown at a moment for the backup hour: "Hora actual: hh:nn:ss   Hora del respaldo:
// <hour>", followed, outside the due moment's minute, by the real time left to the next due
// moment (see MostrarFaltante; a change of the clocks on the way counts as the hour it adds or
// takes). nullopt when the hour is not a valid time.
std::optional<QString> ContarHasta(const QDateTime& ahora, const QString& pbHoraRespaldo);

// ".   Faltan" and the seconds left as " h hrs." (when there are hours), " m mins." (when there
// are minutes) and " s segs." (always).
QString MostrarFaltante(qint64 segundos);

} // namespace zarvento
