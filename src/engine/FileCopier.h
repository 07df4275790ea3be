#pragma once

#include "engine/FolderListing.h"

#include <QString>
#include <functional>

namespace zarvento {

// Copies one local file.
class FileCopier {
public:
    virtual ~FileCopier() = default;
    // False, with the reason in error, when the copy did not complete.
    virtual bool copiar(const QString& origen, const QString& destino, QString& error) = 0;
    // Called during the copy of a large file, so a long copy never freezes the window.
    void entreBloques(std::function<void()> bombear) { bombear_ = std::move(bombear); }

protected:
    std::function<void()> bombear_;
};

// Copies content, last-write time and permission bits into a temporary file beside the
// destination and renames it over the destination only once complete, so a failed copy never
// destroys the previous copy and a crash of the program never leaves a half-written file under
// the real name. The data is not flushed to disk before the rename (that would cost several
// times the copy itself): a power loss shortly after a copy can leave it short under its name,
// which the differential rule then copies again.
// The temporary file (a hidden name beginning ".zvtmp-") stays locked while its copy runs.
class AtomicFileCopier final : public FileCopier {
public:
    bool copiar(const QString& origen, const QString& destino, QString& error) override;

    // Removes, among the entries listed in the folder, the temporary files that no running copy
    // holds (those an interrupted copy left behind); returns how many it removed.
    static int BorrarTemporalesAbandonados(const QString& carpeta,
                                           const std::vector<EntradaCarpeta>& entradas);
};

// Removes the temporary file of the copy in hand, if there is one. Async-signal-safe: the
// program calls it when SIGTERM or SIGINT ends it, from the signal handler or after it.
void BorrarTemporalEnCurso() noexcept;

} // namespace zarvento
