#pragma once

#include <QString>
#include <QTime>
#include <optional>

namespace zarvento::hora {

// The time of day a text names: hours ":" minutes, optionally ":" seconds, one or two digits
// each, hours 0 to 23; nullopt for anything else.
std::optional<QTime> interpretar(const QString& texto);

// "hh:nn": two-digit hour of the 24-hour clock and two-digit minutes.
QString formatear(QTime hora);

} // namespace zarvento::hora
