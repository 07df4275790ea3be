#include "app/EstadoDeRespaldos.h"

#include "app/AgendaDeRespaldo.h"
#include "app/HoraDelRespaldo.h"

namespace zarvento {

namespace {

const QString kTitulo = QStringLiteral("Zarvento");

QString fecha(const QDate& dia) {
    return dia.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

void EstadoDeRespaldos::fechas(const QDate& ultimo, const QDateTime& proximo) {
    ultimo_ = ultimo;
    proximo_ = proximo;
}

std::optional<Notificacion> EstadoDeRespaldos::revisada(bool correcta) {
    correcta_ = correcta;
    if (correcta)
        return std::nullopt;
    return Notificacion{kTitulo, QStringLiteral("Configuración incorrecta: no se harán respaldos "
                                                "hasta corregirla en Ajustes")};
}

std::optional<Notificacion> EstadoDeRespaldos::corridaTerminada(bool conError) {
    errorEnCorrida_ = conError;
    if (!conError)
        return std::nullopt;
    return Notificacion{kTitulo, QStringLiteral("Error al respaldar")};
}

std::optional<Notificacion> EstadoDeRespaldos::alIniciar(const QDate& hoy) const {
    if (!ultimo_.isValid())
        return Notificacion{kTitulo, QStringLiteral("No hay registro de ningún respaldo")};
    if (ultimo_.daysTo(hoy) <= kDiasSinRespaldo)
        return std::nullopt;
    return Notificacion{kTitulo, QStringLiteral("El último respaldo es del %1, hace %2 días")
                                     .arg(fecha(ultimo_))
                                     .arg(ultimo_.daysTo(hoy))};
}

QString EstadoDeRespaldos::resumen() const {
    QString texto = kTitulo + QStringLiteral("\nÚltimo respaldo: ") +
                    (ultimo_.isValid() ? fecha(ultimo_) : QStringLiteral("ninguno"));
    texto += QStringLiteral("\nPróximo respaldo: ") +
             (proximo_.isValid() && correcta_
                  ? fecha(proximo_.date()) + ' ' + proximo_.toString(QStringLiteral("HH:mm"))
                  : QStringLiteral("ninguno"));
    if (!correcta_)
        texto += QStringLiteral("\nConfiguración incorrecta");
    else if (errorEnCorrida_)
        texto += QStringLiteral("\nError al respaldar");
    return texto;
}

QDateTime EstadoDeRespaldos::siguiente(const QDateTime& ahora, const QString& hora) {
    const auto momento = hora::interpretar(hora);
    return momento ? AgendaDeRespaldo::siguiente(ahora, *momento) : QDateTime();
}

} // namespace zarvento
