#include "engine/CopiasEnParalelo.h"

#include "host/RutasLocales.h"
#include "host/Services.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <sys/statvfs.h>

namespace zarvento {

namespace {
// Two copies at once keep both cores of a small machine busy; more only make the disk seek.
constexpr std::size_t kHilos = 2;
// The most the copies written ahead may hold of the destination: a walk needs no more free space
// than one copy at a time and this. It also keeps the speculative writing a started copy may have
// to wait behind short.
constexpr qint64 kAdelanto = 4 << 20;
// What a copy written ahead leaves free besides the largest copy the walk may start next.
constexpr qint64 kHolgura = 1 << 20;

// Free bytes for a file beside destino; 0 when unknown.
qint64 libreJuntoA(const QString& destino) {
    const qsizetype barra = destino.lastIndexOf('/');
    const QByteArray carpeta = barra < 0 ? QByteArray(".") : rutas::aBytes(destino.left(barra + 1));
    struct statvfs datos {};
    if (::statvfs(carpeta.constData(), &datos) != 0)
        return 0;
    return static_cast<qint64>(datos.f_bavail) * static_cast<qint64>(datos.f_frsize);
}
} // namespace

struct CopiasEnParalelo::Trabajo {
    // A copy goes EnCola, Preparando, then, when started by then, straight on to Hecha (its worker
    // completes it); else Preparada, and once started PorCompletar unless the walk completed it.
    enum class Estado { EnCola, Preparando, Preparada, PorCompletar, Hecha };
    QString destino;
    qint64 tamano = 0; // of the source, as listed
    Preparar preparar;
    Estado estado = Estado::EnCola;
    bool iniciado = false;   // it may show under its name
    bool descartado = false; // never started: nothing of it may show
    bool adelantado = false; // taken by a worker before it was started: counted in adelantados_
    std::unique_ptr<CopiaPreparada> copia;
    bool copiado = false;
    QString error;
};

CopiasEnParalelo::CopiasEnParalelo(EventPump& bomba) : bomba_(bomba) {}

// The copies in hand read the caller's objects: they end before those go.
CopiasEnParalelo::~CopiasEnParalelo() {
    {
        std::lock_guard bloqueo(mutex_);
        cerrando_ = true;
    }
    hayTrabajo_.notify_all();
    for (std::thread& hilo : hilos_)
        hilo.join();
}

// With mutex_ held.
void CopiasEnParalelo::encolar(const std::shared_ptr<Trabajo>& trabajo) {
    while (hilos_.size() < kHilos)
        hilos_.emplace_back([this] { trabajar(); });
    cola_.push_back(trabajo);
    hayTrabajo_.notify_one();
}

void CopiasEnParalelo::adelantar(const QString& destino, qint64 tamano, Preparar preparar) {
    auto trabajo = std::make_shared<Trabajo>();
    trabajo->destino = destino;
    trabajo->tamano = tamano;
    trabajo->preparar = std::move(preparar);
    std::lock_guard bloqueo(mutex_);
    adelantadas_.push_back(trabajo);
    encolar(trabajo);
}

void CopiasEnParalelo::iniciar(const QString& destino, qint64 tamano, Preparar preparar) {
    std::unique_lock bloqueo(mutex_);
    std::shared_ptr<Trabajo> trabajo;
    if (!adelantadas_.empty() && adelantadas_.front()->destino == destino) {
        trabajo = std::move(adelantadas_.front());
        adelantadas_.pop_front();
        descontar(*trabajo);
        hayTrabajo_.notify_all(); // it may go on now, and the next ones ahead too
    } else {
        bloqueo.unlock();
        descartarAdelantadas();
        bloqueo.lock();
        trabajo = std::make_shared<Trabajo>();
        trabajo->destino = destino;
        trabajo->tamano = tamano;
        trabajo->preparar = std::move(preparar);
        encolar(trabajo);
    }
    trabajo->iniciado = true;
    enCurso_ = trabajo;
    const bool escrita = trabajo->estado == Trabajo::Estado::Preparada;
    tamanoIniciado_ = escrita ? 0 : trabajo->tamano;
    if (trabajo->estado != Trabajo::Estado::Preparada)
        return; // its worker completes it once prepared
    // Prepared ahead and left alone by the workers: completed here when that is quick (a new
    // file only needs its name), else by the next free worker.
    bloqueo.unlock();
    const bool completada = completarSiBreve(*trabajo);
    bloqueo.lock();
    if (completada) {
        trabajo->estado = Trabajo::Estado::Hecha;
        return;
    }
    trabajo->estado = Trabajo::Estado::PorCompletar;
    cola_.push_front(trabajo);
    hayTrabajo_.notify_one();
}

bool CopiasEnParalelo::esperar(QString& error) {
    if (!enCurso_)
        return true;
    esperarHecho(enCurso_);
    const std::shared_ptr<Trabajo> trabajo = std::move(enCurso_);
    error = trabajo->error;
    return trabajo->copiado;
}

void CopiasEnParalelo::descartarAdelantadas() {
    std::vector<std::unique_ptr<CopiaPreparada>> tirar; // dropped once the lock is released
    std::vector<std::shared_ptr<Trabajo>> enManos;
    {
        std::lock_guard bloqueo(mutex_);
        for (const std::shared_ptr<Trabajo>& trabajo : adelantadas_) {
            trabajo->descartado = true;
            if (trabajo->estado == Trabajo::Estado::Preparando) {
                enManos.push_back(trabajo);
            } else {
                tirar.push_back(std::move(trabajo->copia));
                trabajo->estado = Trabajo::Estado::Hecha;
                descontar(*trabajo);
            }
        }
        adelantadas_.clear();
        std::erase_if(cola_, [](const std::shared_ptr<Trabajo>& t) { return t->descartado; });
    }
    for (const std::shared_ptr<Trabajo>& trabajo : enManos)
        esperarHecho(trabajo);
}

void CopiasEnParalelo::esperarHecho(const std::shared_ptr<Trabajo>& trabajo) {
    esperarQue([&] { return trabajo->estado == Trabajo::Estado::Hecha; });
}

void CopiasEnParalelo::terminar() {
    descartarAdelantadas();
    esperarQue([this] { return soltando_ == 0; });
}

void CopiasEnParalelo::esperarQue(const std::function<bool()>& listo) {
    using namespace std::chrono_literals;
    std::unique_lock bloqueo(mutex_);
    while (!hayHecho_.wait_for(bloqueo, 20ms, listo)) {
        bloqueo.unlock();
        bomba_.pump();
        bloqueo.lock();
    }
}

// With mutex_ held: publishes the trabajo done, then drops its copy without the lock. Until the
// copy is dropped, the previous copy it replaced (or, never started, the copy itself) still holds
// its space: about its own size.
void CopiasEnParalelo::hecho(Trabajo& trabajo, std::unique_lock<std::mutex>& bloqueo) {
    std::unique_ptr<CopiaPreparada> copia = std::move(trabajo.copia);
    trabajo.estado = Trabajo::Estado::Hecha;
    descontar(trabajo);
    if (trabajo.iniciado)
        tamanoIniciado_ = 0;
    ++soltando_;
    bytesSoltando_ += trabajo.tamano;
    hayHecho_.notify_all();
    bloqueo.unlock();
    copia.reset();
    bloqueo.lock();
    bytesSoltando_ -= trabajo.tamano;
    if (--soltando_ == 0)
        hayHecho_.notify_all();
    hayTrabajo_.notify_all();
}

// With mutex_ held.
void CopiasEnParalelo::descontar(Trabajo& trabajo) {
    if (trabajo.adelantado)
        adelantados_ -= trabajo.tamano;
    trabajo.adelantado = false;
}

// With mutex_ held: whether a worker may take the trabajo now. A started copy waits for the old
// copies being let go only when the destination has no room for it beside them, as a copy at a
// time never needs it. A copy ahead must fit in kAdelanto and leave room for the largest copy the
// walk may start next, beside everything else in hand.
bool CopiasEnParalelo::cabe(const Trabajo& trabajo) const {
    if (trabajo.iniciado)
        return trabajo.estado != Trabajo::Estado::EnCola || bytesSoltando_ == 0 ||
               libreJuntoA(trabajo.destino) >= trabajo.tamano + bytesSoltando_ + kHolgura;
    if (adelantados_ + trabajo.tamano > kAdelanto)
        return false;
    qint64 mayor = tamanoIniciado_;
    for (const std::shared_ptr<Trabajo>& siguiente : adelantadas_)
        mayor = std::max(mayor, siguiente->tamano);
    return libreJuntoA(trabajo.destino) >=
           adelantados_ + trabajo.tamano + bytesSoltando_ + mayor + kHolgura;
}

void CopiasEnParalelo::preparar(Trabajo& trabajo) {
    try {
        trabajo.copia = trabajo.preparar();
    } catch (const std::exception& fallo) { // out of memory and the like
        trabajo.error = QString::fromLocal8Bit(fallo.what());
    }
}

bool CopiasEnParalelo::completarSiBreve(Trabajo& trabajo) {
    try {
        if (trabajo.copia && !trabajo.copia->completarSiBreve(trabajo.copiado, trabajo.error))
            return false;
    } catch (const std::exception&) {
        return false; // left to completar
    }
    trabajo.copia.reset();
    return true;
}

void CopiasEnParalelo::completar(Trabajo& trabajo) {
    try {
        trabajo.copiado = trabajo.copia && trabajo.copia->completar(trabajo.error);
    } catch (const std::exception& fallo) { // out of memory and the like
        trabajo.copiado = false;
        trabajo.error = QString::fromLocal8Bit(fallo.what());
    }
}

void CopiasEnParalelo::trabajar() {
    std::unique_lock bloqueo(mutex_);
    for (;;) {
        auto elegido = cola_.end();
        hayTrabajo_.wait(bloqueo, [&] {
            elegido = std::find_if(cola_.begin(), cola_.end(),
                                   [this](const std::shared_ptr<Trabajo>& t) { return cabe(*t); });
            return cerrando_ || elegido != cola_.end();
        });
        if (cerrando_)
            return;
        const std::shared_ptr<Trabajo> trabajo = std::move(*elegido);
        cola_.erase(elegido);
        if (trabajo->estado == Trabajo::Estado::EnCola) {
            trabajo->estado = Trabajo::Estado::Preparando;
            if (!trabajo->iniciado) {
                trabajo->adelantado = true;
                adelantados_ += trabajo->tamano;
            }
            bloqueo.unlock();
            preparar(*trabajo);
            bloqueo.lock();
            if (trabajo->descartado) {
                hecho(*trabajo, bloqueo);
                continue;
            }
            if (!trabajo->iniciado) {
                trabajo->estado = Trabajo::Estado::Preparada; // left for the walk to start
                continue;
            }
        }
        bloqueo.unlock();
        completar(*trabajo);
        bloqueo.lock();
        // Its copy is dropped once the walk may go on: dropping a copy that replaced another
        // frees the other's space, which takes the file system a while.
        hecho(*trabajo, bloqueo);
    }
}

} // namespace zarvento
