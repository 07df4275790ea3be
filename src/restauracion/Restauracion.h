#pragma once

#include "host/ClienteDeBase.h"
#include "restauracion/AlmacenDeCopias.h"
#include "restauracion/CopiasEnDestino.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

namespace zarvento {

struct PedidoDeRestauracion {
    QString carpeta;     // where the routes' folders are restored
    QStringList rutas;   // routes by source path; empty: every route of the copy
    bool base = false;   // also load the routes' database dumps into the server
    bool prueba = false; // only tell what would be restored
};

struct ResumenDeRestauracion {
    qint64 archivos = 0; // restored (or, in a trial, to restore)
    qint64 bytes = 0;
    qint64 existentes = 0;  // already in the target folder, left as they were
    qint64 bases = 0;       // databases loaded
    QStringList fallas;     // one line per file, route or database that failed
    bool cancelada = false; // stopped before the end: what is counted was restored
    qint64 milisegundos = 0;

    bool correcta() const { return fallas.isEmpty() && !cancelada; }
};

// Restores a copy, or some of its routes, into a folder: one subfolder per route, each file
// with its backed-up content and time. A file already in the target folder is never
// overwritten: each copy is written into a file without a name (where the file system has none,
// under a hidden temporary name) and only linked in under its own name when that is free, so a
// restore that stops at any point leaves no part of a file. Optionally brings the routes'
// databases back (see CargaDeBase).
class Restauracion {
public:
    struct Avisos {
        std::function<void(const QString&)> linea;
        // Bytes restored so far of all that is to be restored.
        std::function<void(qint64 hechos, qint64 total)> avance;
        // A large file's progress, in steps of 10 %.
        std::function<void(const QString& archivo, int porciento)> archivoGrande;
    };

    Restauracion(AlmacenDeCopias& almacen, LugarDeCopias lugar, EventPump& bomba, Avisos avisos);

    // The database server and where its safety dumps go; needed for a pedido with base.
    void servidorDeBase(ServidorDeBase servidor, QString carpetaSeguridad, const Clock& reloj);

    ResumenDeRestauracion restaurar(const CopiaDisponible& copia,
                                    const PedidoDeRestauracion& pedido);
    // Stops a restore under way (from its avisos or any thread): between two files, or within a
    // large file's transfer; a database load under way ends first, none starts after.
    void cancelar() { cancelada_ = true; }

private:
    struct Trabajo;

    std::vector<RutaRegistrada> elegidas(const CopiaDisponible& copia,
                                         const PedidoDeRestauracion& pedido,
                                         ResumenDeRestauracion& resumen);
    void archivosDe(RutaRegistrada& ruta);
    void restaurarRuta(const RutaRegistrada& ruta, const QString& destino,
                       const PedidoDeRestauracion& pedido, ResumenDeRestauracion& resumen);
    void ejecutar(std::vector<Trabajo>& trabajos, ResumenDeRestauracion& resumen);
    bool restaurarArchivo(Trabajo& trabajo, const AlmacenDeCopias::Progreso& progreso);
    void cargarBase(const RutaRegistrada& ruta, ResumenDeRestauracion& resumen);

    AlmacenDeCopias& almacen_;
    LugarDeCopias lugar_;
    EventPump& bomba_;
    Avisos avisos_;
    std::optional<ServidorDeBase> servidor_;
    QString carpetaSeguridad_;
    const Clock* reloj_ = nullptr;
    qint64 total_ = 0;
    qint64 hechos_ = 0;
    std::atomic<bool> cancelada_ = false;
};

} // namespace zarvento
