#include "app/CuentaRegresiva.h"

#include "app/AgendaDeRespaldo.h"
#include "app/HoraDelRespaldo.h"

namespace zarvento {

std::optional<QString> ContarHasta(const QDateTime& ahora, const QString& pbHoraRespaldo) {
    const auto hora = hora::interpretar(pbHoraRespaldo);
    if (!hora)
        return std::nullopt;
    QString texto = QStringLiteral("Hora actual: ") +
                    ahora.time().toString(QStringLiteral("HH:mm:ss")) +
                    QStringLiteral("   Hora del respaldo: ") + pbHoraRespaldo;
    const QDateTime proximo = AgendaDeRespaldo::siguiente(ahora, *hora);
    if (proximo > ahora)
        texto += MostrarFaltante(ahora.secsTo(proximo));
    return texto;
}

QString MostrarFaltante(qint64 segundos) {
    QString faltante;
    if (const qint64 horas = segundos / 3600; horas > 0) {
        faltante = ' ' + QString::number(horas) + QStringLiteral(" hrs.");
        segundos -= horas * 3600;
    }
    if (const qint64 minutos = segundos / 60; minutos > 0) {
        faltante += ' ' + QString::number(minutos) + QStringLiteral(" mins.");
        segundos -= minutos * 60;
    }
    faltante += ' ' + QString::number(segundos) + QStringLiteral(" segs.");
    return QStringLiteral(".   Faltan") + faltante;
}

} // namespace zarvento
