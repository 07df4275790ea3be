#pragma once

#include "engine/FolderListing.h"
#include "engine/ResultadoDeComprobacion.h"

#include <QByteArray>
#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTemporaryFile;

namespace zarvento {

// One file of a copy: its path below the route's destination folder, and the size and
// last-write time it was backed up with.
struct ArchivoRegistrado {
    QString ruta;
    DatosArchivo datos;
    bool copiado = false; // copied by the run that noted it (known only to that run)
};

// What one route put into a copy.
struct RutaRegistrada {
    QString origen;     // the route's folder, as the list names it
    QString destino;    // its destination folder, relative to the destination root, ending with "/"
    bool datos = false; // a route of the data list
    bool correcta = false;
    qint64 archivosCopiados = 0;
    qint64 bytesCopiados = 0;
    qint64 archivosConservados = 0; // unchanged since an earlier run, so not copied again
    qint64 bytesConservados = 0;
    QString
        base; // the database dumped with the route ("" for none), as <base>.sql beside its files
    std::vector<ArchivoRegistrado> archivos;
    // While a run notes its files, their lines wait in a private temporary file instead of
    // archivos, so a run's memory does not grow with the number of its files.
    std::shared_ptr<QTemporaryFile> anotados;

    void copiado(const ArchivoRegistrado& archivo);
    void conservado(const ArchivoRegistrado& archivo);
    // Calls visitar for every file, the files in memory first, until it returns false. False
    // when the noted files could not be read back.
    bool recorrer(const std::function<bool(const ArchivoRegistrado&)>& visitar) const;

private:
    void anotar(ArchivoRegistrado archivo, bool copiado);

    // Whether the run copied each line of anotados, in their order.
    std::vector<bool> copiadosAnotados_;
};

// The record a run leaves at the root of its copy: when and how the run went, and every file of
// every route with its size and time, so a restore can give each file its backed-up time also
// from a server that does not keep times. Stored as JSON, one line per route and per file.
struct RegistroDeCopia {
    static constexpr int kFormato = 1;
    // The result of a run that has not ended (or never did).
    static constexpr const char* kEnCurso = "Respaldo en curso";

    QDateTime inicio;
    QDateTime fin; // invalid while the run is under way
    QString resultado;
    QString version;
    QString equipo;
    std::vector<RutaRegistrada> rutas;
    // The copy's last proof: the night's after its run, or one made on demand.
    std::optional<ResultadoDeComprobacion> comprobacion;

    bool correcta() const;
    // False when the device refused a write.
    bool escribir(QIODevice& salida) const;
    // nullopt, with the reason in error, for a text that is no record.
    static std::optional<RegistroDeCopia> leer(const QByteArray& texto, QString& error);

    // The record's file name at the root of a copy. With cycle folders after the routes'
    // folders, the copies of every cycle share the destination root; their records are told
    // apart by the cycle's name. Hidden, so no route's copy or deletion pass ever takes it.
    static QString nombreDeArchivo(const QString& cicloAlFinal = QString());
    // The cycle a record's file name carries; "" for any other name.
    static QString cicloDelArchivo(const QString& nombre);
};

} // namespace zarvento
