#include "app/RutasARespaldar.h"

#include "app/CarpetasDeRutas.h"
#include "engine/clsRespaldar.h"
#include "host/DeArchivos.h"
#include "host/TextFiles.h"

#include <QFile>

namespace zarvento::rutas {

std::optional<QStringList> Leer(const QString& archivo) {
    const auto texto = textfiles::read(archivo);
    if (!texto)
        return std::nullopt;
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

QStringList LineasDeAmbas(const QString& documentos, const QString& datos) {
    return Leer(documentos).value_or(QStringList()) + Leer(datos).value_or(QStringList());
}

void AvisarNombresRepetidos(const CarpetasDeRutas& carpetas, clsRespaldar& bitacora) {
    if (carpetas.coincidencias().empty())
        return;
    bitacora.Bitacorear(QStringLiteral("Atención: rutas con el mismo nombre, cada una se copia en "
                                       "su carpeta"));
    for (const auto& [linea, carpeta] : carpetas.coincidencias())
        bitacora.Bitacorear(linea, carpeta);
}

} // namespace zarvento::rutas
