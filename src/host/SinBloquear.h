#pragma once

#include "host/Services.h"

#include <chrono>
#include <future>
#include <utility>

namespace zarvento {

// How often the window's events run while a call waits on the network.
inline constexpr std::chrono::milliseconds kTurnoDeEventos{10};

// Runs a call that may wait long (a server that does not answer) on a worker thread, and lets the
// window's events run every kTurnoDeEventos until it returns. Without a pump the call runs here.
// Only the worker touches what the call uses until it returns.
template <class Trabajo> auto sinBloquear(EventPump* bomba, Trabajo&& trabajo) {
    if (!bomba)
        return std::forward<Trabajo>(trabajo)();
    auto resultado = std::async(std::launch::async, std::forward<Trabajo>(trabajo));
    while (resultado.wait_for(kTurnoDeEventos) != std::future_status::ready)
        bomba->pump();
    return resultado.get();
}

} // namespace zarvento
