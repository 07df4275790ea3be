#pragma once

#include "engine/FileCopier.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zarvento {

class EventPump;

// Runs a walk's local copies on two worker threads, so the file system works on both cores while
// the walk goes on. The walk starts one copy at a time, in its own order, and takes its result
// before it starts the next; only a started copy may show under its name. The workers may also
// prepare the walk's next few copies ahead, where nobody sees them (FileCopier::preparar): those
// the walk never starts are dropped without a trace. The work ahead is bounded in bytes and by the
// destination's free space, so a walk needs no more room than one copy at a time and a few MiB,
// and where less is free the copies go one at a time. While the walk waits, the window's events
// keep running.
class CopiasEnParalelo {
public:
    using Preparar = std::function<std::unique_ptr<CopiaPreparada>()>;

    explicit CopiasEnParalelo(EventPump& bomba);
    ~CopiasEnParalelo();
    CopiasEnParalelo(const CopiasEnParalelo&) = delete;
    CopiasEnParalelo& operator=(const CopiasEnParalelo&) = delete;

    // Hands the workers a copy the walk will start later (after those handed before); tamano is
    // the source's size.
    void adelantar(const QString& destino, qint64 tamano, Preparar preparar);
    // Starts the copy to destino: the next one handed ahead when it is that one, else a new one
    // (the others handed ahead are dropped). The copy started before must have been taken with
    // esperar.
    void iniciar(const QString& destino, qint64 tamano, Preparar preparar);
    bool enCurso() const { return enCurso_ != nullptr; }
    // Waits for the started copy: false, with the reason in error, when it failed.
    bool esperar(QString& error);
    // Drops the copies handed ahead that were never started, once the workers are done with them.
    void descartarAdelantadas();
    // The end of a walk: drops the copies handed ahead and waits until the workers hold nothing.
    void terminar();

private:
    struct Trabajo;
    void trabajar();
    void encolar(const std::shared_ptr<Trabajo>& trabajo);
    // Waits, running the window's events, until the trabajo is done.
    void esperarHecho(const std::shared_ptr<Trabajo>& trabajo);
    void esperarQue(const std::function<bool()>& listo);
    void hecho(Trabajo& trabajo, std::unique_lock<std::mutex>& bloqueo);
    void descontar(Trabajo& trabajo);
    bool cabe(const Trabajo& trabajo) const;
    static void preparar(Trabajo& trabajo);
    static bool completarSiBreve(Trabajo& trabajo);
    static void completar(Trabajo& trabajo);

    EventPump& bomba_;
    std::mutex mutex_;
    std::condition_variable hayTrabajo_;
    std::condition_variable hayHecho_;
    std::deque<std::shared_ptr<Trabajo>> cola_;        // waiting for a worker
    std::deque<std::shared_ptr<Trabajo>> adelantadas_; // handed ahead, not started, in walk order
    std::shared_ptr<Trabajo> enCurso_;
    int soltando_ = 0;          // copies done whose workers are still letting them go
    qint64 bytesSoltando_ = 0;  // their sizes
    qint64 adelantados_ = 0;    // bytes of the copies workers took ahead, until started or dropped
    qint64 tamanoIniciado_ = 0; // bytes the started copy may still write
    bool cerrando_ = false;
    std::vector<std::thread> hilos_; // started with the first copy
};

} // namespace zarvento
