#include "engine/CopiaEnParalelo.h"

#include "host/Services.h"

#include <chrono>
#include <exception>
#include <memory>

namespace zarvento {

CopiaEnParalelo::CopiaEnParalelo(EventPump& bomba) : bomba_(bomba) {
    hilo_.setMaxThreadCount(1);
    hilo_.setExpiryTimeout(-1); // one thread for the whole job
}

// The copy in hand reads the caller's objects: it ends before they go.
CopiaEnParalelo::~CopiaEnParalelo() {
    hilo_.waitForDone();
}

void CopiaEnParalelo::iniciar(Copia copia) {
    auto tarea = std::make_shared<std::packaged_task<std::pair<bool, QString>()>>(
        [copia = std::move(copia)] {
            QString error;
            try {
                const bool copiado = copia(error);
                return std::pair{copiado, error};
            } catch (const std::exception& fallo) { // out of memory and the like
                return std::pair{false, QString::fromLocal8Bit(fallo.what())};
            }
        });
    resultado_ = tarea->get_future();
    hilo_.start([tarea] { (*tarea)(); });
}

bool CopiaEnParalelo::esperar(QString& error) {
    using namespace std::chrono_literals;
    if (!resultado_.valid())
        return true;
    while (resultado_.wait_for(20ms) != std::future_status::ready)
        bomba_.pump();
    auto [copiado, motivo] = resultado_.get();
    error = std::move(motivo);
    return copiado;
}

} // namespace zarvento
