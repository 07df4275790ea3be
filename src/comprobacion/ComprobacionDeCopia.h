#pragma once

#include "app/ResultadoDeComprobacion.h"
#include "host/Services.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QString>
#include <functional>
#include <vector>

namespace zarvento {

class ComprobacionDeBase;

// How a copy is proven.
struct OpcionesDeComprobacion {
    static constexpr qint64 kTurnos = 7;          // every file is read back within this many runs
    static constexpr qint64 kMinimo = 64LL << 20; // bytes read back each run at least

    bool todos = false;       // every file, not a sample
    qint64 turno = 0;         // the run's number, which picks its share of the files
    QDateTime copiados;       // files changed since then were copied by the run: always read back
    QDateTime inicio;         // when the run started: a source changed since is left out
    QString carpeta;          // a private folder for downloads and the scratch database server
    bool subcarpetas = true;  // the document routes' subfolders were backed up
    bool consistente = false; // data routes that are databases hold their dump
    QDeadlineTimer limite;
};

// Proves a run's copy: a sample of its files is read back from the destination and compared byte
// for byte with the source files that have not changed since, and each database dump it holds is
// taken back from the destination and loaded into a scratch server (see ComprobacionDeBase). A
// file found different gets its copy's time cleared, so the next run copies it again.
class ComprobacionDeCopia {
public:
    // Brings a file of an FTP destination to a local path; false with the reason in error.
    // Not set for a local destination, whose files are read where they are.
    using Traer = std::function<bool(const QString& remoto, const QString& local, QString& error)>;

    ComprobacionDeCopia(OpcionesDeComprobacion opciones, EventPump& bomba, Traer traer = {});

    ResultadoDeComprobacion comprobar(const std::vector<RutaDeCorrida>& rutas);

private:
    struct Archivo;

    std::vector<Archivo> muestra(const RutaDeCorrida& ruta) const;
    bool comprobarArchivo(const Archivo& archivo, ResultadoDeComprobacion& resultado);
    bool comprobarBase(const RutaDeCorrida& ruta, ComprobacionDeBase& bases,
                       ResultadoDeComprobacion& resultado);
    // The destination file as a local path to read: itself, or a download.
    QString local(const QString& destino, QString& error);

    OpcionesDeComprobacion opciones_;
    EventPump& bomba_;
    Traer traer_;
};

} // namespace zarvento
