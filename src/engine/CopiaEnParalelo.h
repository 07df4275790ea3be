#pragma once

#include <QString>
#include <QThreadPool>
#include <functional>
#include <future>
#include <utility>

namespace zarvento {

class EventPump;

// Runs one file copy at a time on a worker thread, so the walk goes on deciding the next files
// while the file system works (replacing a previous copy makes it place the new data at once).
// The caller takes each result before it starts another copy; while it waits, the window's
// events keep running.
class CopiaEnParalelo {
public:
    using Copia = std::function<bool(QString& error)>;

    explicit CopiaEnParalelo(EventPump& bomba);
    ~CopiaEnParalelo();
    CopiaEnParalelo(const CopiaEnParalelo&) = delete;
    CopiaEnParalelo& operator=(const CopiaEnParalelo&) = delete;

    // Starts a copy; the one before must have been taken with esperar.
    void iniciar(Copia copia);
    bool enCurso() const { return resultado_.valid(); }
    // Waits for the copy in hand: false, with the reason in error, when it failed.
    bool esperar(QString& error);

private:
    EventPump& bomba_;
    QThreadPool hilo_;
    std::future<std::pair<bool, QString>> resultado_;
};

} // namespace zarvento
