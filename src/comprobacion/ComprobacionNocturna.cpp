#include "comprobacion/ComprobacionNocturna.h"

#include "comprobacion/ComprobacionDeCopia.h"
#include "engine/clsRespaldar.h"
#include "host/ClavesAjustes.h"
#include "restauracion/AjustesDeRestauracion.h"

#include <QDir>

namespace zarvento {

namespace {

constexpr int kMinutosPorDefecto = 60;

// The run's number for the rotating sample: one more for each run of the same cycle folder (a
// weekday's folder comes back weekly, a day of the month's monthly), so every share comes round.
qint64 turnoDe(const clsRespaldar& job, const QDate& hoy) {
    const qint64 dias = QDate(2000, 1, 3).daysTo(hoy); // a Monday
    if (!job.RespaldoMultiple())
        return dias;
    if (job.EsSemanal())
        return dias / 7;
    return hoy.year() * 12 + hoy.month();
}

} // namespace

ConductorRespaldo::Comprobador ComprobacionNocturna(AjustesEnIni ajustes, const clsRespaldar& job,
                                                    QString carpetaTemporal, EventPump& bomba) {
    return [ini = std::move(ajustes), &job, carpeta = std::move(carpetaTemporal),
            &bomba](const RegistroDeCopia& registro) -> std::optional<ResultadoDeComprobacion> {
        if (!ajustes::esSi(ini.leer(ajustes::de(ajustes::kComprobarCopias))))
            return std::nullopt;
        const auto leidos = AjustesDeRestauracion::leer(ini);
        if (!leidos) {
            ResultadoDeComprobacion sinDestino;
            sinDestino.falla = leidos.motivo();
            return sinDestino;
        }
        const int minutos = ajustes::minutosDe(ini.leer(ajustes::de(ajustes::kMinutosComprobacion)))
                                .value_or(kMinutosPorDefecto);
        OpcionesDeComprobacion opciones;
        opciones.turno = turnoDe(job, registro.inicio.date());
        opciones.carpeta = carpeta + QStringLiteral("/Comprobacion");
        opciones.limite = QDeadlineTimer(std::chrono::minutes(minutos));
        const auto almacen = AlmacenDeCopias::para(leidos->lugar, bomba);
        ResultadoDeComprobacion resultado =
            ComprobacionDeCopia(*almacen, leidos->lugar.raiz, opciones, bomba).comprobar(registro);
        // The staging folder is left as the run left it: gone, unless something else is there.
        QDir().rmdir(carpeta);
        return resultado;
    };
}

} // namespace zarvento
