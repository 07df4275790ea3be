#include "app/RutasARespaldar.h"

#include "engine/clsRespaldar.h"
#include "host/DeArchivos.h"
#include "host/TextFiles.h"

#include <QFile>

namespace zarvento::rutas {

Resultado<QStringList> Leer(const QString& archivo) {
    const auto texto = textfiles::read(archivo);
    if (!texto)
        return Fallo{QStringLiteral("no se puede leer ") + archivo};
    return textfiles::splitAtCr(*texto);
}

void LeerRutas(const QString& archivo, bool& blCorrecto, bool esData, clsRespaldar& bitacora) {
    if (!DeArchivos::HayArchivo(archivo))
        QFile(archivo).open(QIODevice::WriteOnly);
    const QString etiqueta = esData ? QStringLiteral("Ruta de DATA(s) incorrecta")
                                    : QStringLiteral("Ruta de documentos incorrecta");
    const auto lineas = Leer(archivo);
    if (!lineas) {
        bitacora.Bitacorear(etiqueta, archivo);
        blCorrecto = false;
        return;
    }
    for (const QString& linea : *lineas) {
        if (linea.isEmpty() || !DeArchivos::HayCarpeta(linea)) {
            bitacora.Bitacorear(etiqueta, linea);
            blCorrecto = false;
        }
    }
}

} // namespace zarvento::rutas
