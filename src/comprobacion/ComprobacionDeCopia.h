#pragma once

#include "engine/RegistroDeCopia.h"
#include "engine/ResultadoDeComprobacion.h"
#include "host/Services.h"
#include "restauracion/AlmacenDeCopias.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QString>
#include <functional>

namespace zarvento {

class ComprobacionDeBase;

// How a copy is proven.
struct OpcionesDeComprobacion {
    static constexpr qint64 kTurnos = 7;          // every file is read back within this many runs
    static constexpr qint64 kMinimo = 64LL << 20; // bytes read back of each route at least

    bool todos = false; // every file, not a sample
    qint64 turno = 0;   // the run's number, which picks its share of the files
    QString carpeta;    // a private folder for downloads and the scratch database server
    QDeadlineTimer limite;
    std::function<void(const QString&)> avance = [](const QString&) {}; // a line per step
};

// Proves a copy from its record: files of each route are read back from the destination
// through the store and checked against the record's size (and time, where the destination
// keeps times), and compared byte for byte with their source while the source still has the
// recorded size and time (and was not written after the run started); each database dump it
// holds is taken back from the destination and loaded into a scratch server (see
// ComprobacionDeBase). A copy found different from its source is handed to the store to be
// copied again by the next run.
class ComprobacionDeCopia {
public:
    // raiz: the destination root, which the record's folders are relative to.
    ComprobacionDeCopia(AlmacenDeCopias& almacen, QString raiz, OpcionesDeComprobacion opciones,
                        EventPump& bomba);

    ResultadoDeComprobacion comprobar(const RegistroDeCopia& registro);

    // Stops the scratch server and removes the private folder of the proof under way, if any;
    // for the program's ending in the middle of a proof, where no destructor runs.
    static void Descartar();

private:
    bool comprobarRuta(const RutaRegistrada& ruta, ResultadoDeComprobacion& resultado);
    bool comprobarArchivo(const RutaRegistrada& ruta, const ArchivoRegistrado& archivo,
                          ResultadoDeComprobacion& resultado);
    bool comprobarBase(const RutaRegistrada& ruta, ComprobacionDeBase& bases,
                       ResultadoDeComprobacion& resultado);

    AlmacenDeCopias& almacen_;
    QString raiz_;
    OpcionesDeComprobacion opciones_;
    EventPump& bomba_;
    qint64 inicio_ = 0; // when the copy's run started, in seconds
};

} // namespace zarvento
