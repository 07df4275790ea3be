#include "engine/Destino.h"
#include "host/DeArchivos.h"

#include <algorithm>

namespace zarvento {

bool DestinoLocal::crearCarpeta(const QString& carpeta, QString& error) {
    if (!DeArchivos::CreaRuta(carpeta)) {
        error = QStringLiteral("no se puede crear la carpeta");
        return false;
    }
    listar(carpeta);
    AtomicFileCopier::BorrarTemporalesAbandonados(carpeta, listado_.entradas);
    return true;
}

void DestinoLocal::listar(const QString& carpeta) {
    carpetaListada_ = carpeta;
    listado_ = lector_.listar(carpeta, ConDatos::Si);
}

ListadoCarpeta DestinoLocal::listadoDe(const QString& carpeta) {
    if (carpeta != carpetaListada_)
        listar(carpeta);
    return listado_;
}

bool DestinoLocal::necesitaCopia(const DatosArchivo& origen, const QString& destino) {
    const qsizetype slash = destino.lastIndexOf('/');
    const QString carpeta = destino.left(slash + 1);
    if (carpeta != carpetaListada_)
        listar(carpeta);
    // The listing is sorted by name.
    const QString nombre = destino.mid(slash + 1);
    const auto& entradas = listado_.entradas;
    const auto copia =
        std::lower_bound(entradas.begin(), entradas.end(), nombre,
                         [](const EntradaCarpeta& e, const QString& n) { return e.nombre < n; });
    if (copia == entradas.end() || copia->nombre != nombre || !copia->datos)
        return true;
    const DatosArchivo& datos = *copia->datos;
    // Equal times with different sizes: a copy the system never finished writing (a power loss
    // before the data reached the disk), so it is copied again.
    return origen.modificado > datos.modificado ||
           (origen.modificado == datos.modificado && origen.tamano != datos.tamano);
}

bool DestinoLocal::copiar(const QString& origen, const QString& destino, qint64, QString& error) {
    return copiador_.copiar(origen, destino, error);
}

} // namespace zarvento
