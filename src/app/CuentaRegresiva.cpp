#include "app/CuentaRegresiva.h"

#include "app/HoraDelRespaldo.h"

namespace zarvento {

std::optional<TicDeCuenta> ContarHasta(const QDateTime& ahora, const QString& pbHoraRespaldo) {
    const auto hora = hora::interpretar(pbHoraRespaldo);
    if (!hora)
        return std::nullopt;
    const QTime actual = ahora.time();
    TicDeCuenta tic;
    tic.texto = QStringLiteral("Hora actual: ") + actual.toString(QStringLiteral("HH:mm:ss")) +
                QStringLiteral("   Hora del respaldo: ") + pbHoraRespaldo;
    tic.minutoDelRespaldo = actual.hour() == hora->hour() && actual.minute() == hora->minute();
    if (tic.minutoDelRespaldo)
        return tic;
    const bool yaPaso = actual.hour() > hora->hour() ||
                        (actual.hour() == hora->hour() && actual.minute() > hora->minute());
    // Wall-clock seconds, as the backup hour is a wall-clock time.
    constexpr qint64 kDia = 24 * 3600;
    const qint64 objetivo = hora->hour() * 3600 + hora->minute() * 60 + (yaPaso ? kDia : 0);
    tic.texto += MostrarFaltante(objetivo - actual.msecsSinceStartOfDay() / 1000);
    return tic;
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
