#include "app/HoraDelRespaldo.h"

#include <QRegularExpression>

namespace zarvento::hora {

std::optional<QTime> interpretar(const QString& texto) {
    static const QRegularExpression forma(
        QStringLiteral("^\\s*([0-9]{1,2}):([0-9]{1,2})(?::([0-9]{1,2}))?\\s*$"));
    const QRegularExpressionMatch partes = forma.match(texto);
    if (!partes.hasMatch())
        return std::nullopt;
    const QTime hora(partes.captured(1).toInt(), partes.captured(2).toInt(),
                     partes.captured(3).toInt());
    return hora.isValid() ? std::optional(hora) : std::nullopt;
}

QString formatear(QTime hora) {
    return hora.toString(QStringLiteral("HH:mm"));
}

} // namespace zarvento::hora
