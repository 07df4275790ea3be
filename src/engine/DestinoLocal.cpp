#include "engine/Destino.h"
#include "host/DeArchivos.h"

namespace zarvento {

bool DestinoLocal::crearCarpeta(const QString& carpeta, QString& error) {
    if (DeArchivos::CreaRuta(carpeta)) {
        AtomicFileCopier::BorrarTemporalesAbandonados(carpeta);
        return true;
    }
    error = QStringLiteral("no se puede crear la carpeta");
    return false;
}

bool DestinoLocal::necesitaCopia(const DatosArchivo& origen, const QString& destino) {
    const qsizetype slash = destino.lastIndexOf('/');
    const QString carpeta = destino.left(slash + 1);
    if (carpeta != carpetaListada_) {
        carpetaListada_ = carpeta;
        enDestino_.clear();
        for (const EntradaCarpeta& e : lector_.listar(carpeta, ConDatos::Si).entradas) {
            if (e.datos)
                enDestino_.insert(e.nombre, *e.datos);
        }
    }
    const auto copia = enDestino_.constFind(destino.mid(slash + 1));
    // Equal times with different sizes: a copy the system never finished writing (a power loss
    // before the data reached the disk), so it is copied again.
    return copia == enDestino_.constEnd() || origen.modificado > copia->modificado ||
           (origen.modificado == copia->modificado && origen.tamano != copia->tamano);
}

bool DestinoLocal::copiar(const QString& origen, const QString& destino, qint64, QString& error) {
    return copiador_.copiar(origen, destino, error);
}

} // namespace zarvento
