#include "engine/ResultadoDeComprobacion.h"

#include "host/Regional.h"

namespace zarvento {

QString ResultadoDeComprobacion::resultado() const {
    return correcta() ? QStringLiteral("Copia comprobada") : QStringLiteral("Copia con fallas");
}

QString ResultadoDeComprobacion::detalle(const Regional& regional) const {
    if (!correcta())
        return falla;
    return regional.agrupado(archivos) + QStringLiteral(" archivos, ") + regional.agrupado(bytes) +
           QStringLiteral(" bytes leídos de vuelta, ") + regional.agrupado(tablas) +
           QStringLiteral(" tablas revisadas");
}

} // namespace zarvento
