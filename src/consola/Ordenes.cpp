#include "consola/Ordenes.h"

#include "app/ConductorRespaldo.h"
#include "consola/LineaDeOrdenes.h"

namespace zarvento {

namespace {

Orden OrdenVersion() {
    return {QStringLiteral("version"),
            {},
            QStringLiteral("Muestra la versión del programa."),
            {},
            0,
            [](const QCommandLineParser&, Consola& consola) {
                consola.salida << QStringLiteral("Zarvento %1\n").arg(ConductorRespaldo::version());
                return kSalidaCorrecta;
            }};
}

Orden OrdenAyuda() {
    return {QStringLiteral("ayuda"),
            {},
            QStringLiteral("Muestra esta ayuda."),
            {},
            0,
            [](const QCommandLineParser&, Consola& consola) {
                consola.salida << TextoDeAyuda(consola.programa);
                return kSalidaCorrecta;
            }};
}

} // namespace

const std::vector<Orden>& Ordenes() {
    static const std::vector<Orden> ordenes{
        OrdenRespaldar(), OrdenCopias(),  OrdenRestaurar(),
        OrdenComprobar(), OrdenVersion(), OrdenAyuda(),
    };
    return ordenes;
}

} // namespace zarvento
