#include "engine/Destino.h"
#include "host/DeArchivos.h"

namespace zarvento {

bool DestinoLocal::crearCarpeta(const QString& carpeta) {
    return DeArchivos::CreaRuta(carpeta);
}

bool DestinoLocal::necesitaCopia(const DatosArchivo& origen, const QString& destino) {
    const auto copia = LeerDatosArchivo(destino);
    return !copia || origen.modificado > copia->modificado;
}

bool DestinoLocal::copiar(const QString& origen, const QString& destino, qint64, QString& error) {
    return copiador_.copiar(origen, destino, error);
}

} // namespace zarvento
