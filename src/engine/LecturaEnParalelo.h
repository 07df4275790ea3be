#pragma once

#include "engine/FolderListing.h"

#include <QThreadPool>
#include <functional>
#include <future>

namespace zarvento {

class EventPump;

// Reads one folder at a time on a thread of its own, so the walk can prepare the destination
// folder meanwhile (each reading asks the file system about every entry, which it answers faster
// for two folders at once than one after the other). While the walk waits for the listing, the
// window's events keep running.
class LecturaEnParalelo {
public:
    explicit LecturaEnParalelo(EventPump& bomba);
    ~LecturaEnParalelo();
    LecturaEnParalelo(const LecturaEnParalelo&) = delete;
    LecturaEnParalelo& operator=(const LecturaEnParalelo&) = delete;

    // Starts a reading; the one before must have been taken.
    void iniciar(std::function<ListadoCarpeta()> leer);
    // Waits for the reading started last (what it threw, it throws here).
    ListadoCarpeta tomar();

private:
    EventPump& bomba_;
    QThreadPool hilo_;
    std::future<ListadoCarpeta> listado_;
};

} // namespace zarvento
