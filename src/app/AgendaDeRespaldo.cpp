#include "app/AgendaDeRespaldo.h"

namespace zarvento {

namespace {

QDateTime enSegundo(qint64 segundo) {
    return QDateTime::fromSecsSinceEpoch(segundo);
}

} // namespace

QDateTime AgendaDeRespaldo::momentoDebido(const QDate& dia, const QTime& hora) {
    const QDateTime inicio = dia.startOfDay();
    const QDateTime fin = dia.addDays(1).startOfDay();
    // Between two changes of the clocks local time runs with real time; a day holds at most
    // one change, found by the offset from UTC it brings.
    QDateTime cambio = fin;
    qint64 a = inicio.toSecsSinceEpoch();
    qint64 b = fin.toSecsSinceEpoch() - 1;
    if (enSegundo(a).offsetFromUtc() != enSegundo(b).offsetFromUtc()) {
        const int antes = enSegundo(a).offsetFromUtc();
        while (b - a > 1) {
            const qint64 medio = a + (b - a) / 2;
            (enSegundo(medio).offsetFromUtc() == antes ? a : b) = medio;
        }
        cambio = enSegundo(b);
    }
    for (const auto& [desde, hasta] : {std::pair{inicio, cambio}, std::pair{cambio, fin}}) {
        if (desde >= hasta)
            continue;
        if (desde.time() >= hora)
            return desde;
        const QDateTime momento = enSegundo(desde.toSecsSinceEpoch() + desde.time().secsTo(hora));
        if (momento < hasta)
            return momento;
    }
    return fin; // the hour fell in a gap at the day's end
}

QDate AgendaDeRespaldo::diaDebido(const QDateTime& ahora, const QTime& hora) {
    const QDate hoy = ahora.date();
    return momentoDebido(hoy, hora) <= ahora ? hoy : hoy.addDays(-1);
}

QDateTime AgendaDeRespaldo::siguiente(const QDateTime& ahora, const QTime& hora) {
    const QDateTime hoy = momentoDebido(ahora.date(), hora);
    return hoy.secsTo(ahora) < 60 ? hoy : momentoDebido(ahora.date().addDays(1), hora);
}

void AgendaDeRespaldo::ultimo(const QDate& dia) {
    if (dia.isValid() && (!ultimo_.isValid() || dia > ultimo_))
        ultimo_ = dia;
}

std::optional<QDate> AgendaDeRespaldo::corridaDebida(const QDateTime& ahora) const {
    if (!hora_)
        return std::nullopt;
    const QDate dia = diaDebido(ahora, *hora_);
    if (ultimo_.isValid() && ultimo_ >= dia)
        return std::nullopt; // made already
    if (dia == intentado_) {
        if (fallidas_ > static_cast<int>(kEsperas.size()) || ahora < reintento_)
            return std::nullopt;
        return dia;
    }
    if (desde_.isValid() && momentoDebido(dia, *hora_) <= desde_)
        return std::nullopt;
    return dia;
}

void AgendaDeRespaldo::corridaTerminada(const QDate& dia, bool conError, const QDateTime& fin) {
    if (!conError) {
        ultimo(dia);
        return;
    }
    if (dia != intentado_) {
        intentado_ = dia;
        fallidas_ = 0;
    }
    ++fallidas_;
    if (fallidas_ <= static_cast<int>(kEsperas.size()))
        reintento_ =
            enSegundo(fin.toSecsSinceEpoch() + kEsperas[static_cast<std::size_t>(fallidas_ - 1)]);
}

} // namespace zarvento
