#include "engine/LecturaEnParalelo.h"

#include "host/Services.h"

#include <chrono>
#include <memory>

namespace zarvento {

LecturaEnParalelo::LecturaEnParalelo(EventPump& bomba) : bomba_(bomba) {
    hilo_.setMaxThreadCount(1);
    hilo_.setExpiryTimeout(-1); // one thread for the whole job
}

// A reading in hand uses the caller's objects: it ends before they go.
LecturaEnParalelo::~LecturaEnParalelo() {
    hilo_.waitForDone();
}

void LecturaEnParalelo::iniciar(std::function<ListadoCarpeta()> leer) {
    auto tarea = std::make_shared<std::packaged_task<ListadoCarpeta()>>(std::move(leer));
    listado_ = tarea->get_future();
    hilo_.start([tarea] { (*tarea)(); });
}

ListadoCarpeta LecturaEnParalelo::tomar() {
    using namespace std::chrono_literals;
    while (listado_.wait_for(20ms) != std::future_status::ready)
        bomba_.pump();
    return listado_.get();
}

} // namespace zarvento
