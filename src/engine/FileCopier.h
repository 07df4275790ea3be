#pragma once

#include "engine/FolderListing.h"

#include <QString>
#include <functional>
#include <memory>

namespace zarvento {

// A copy prepared but not yet showing under its name. Dropping it unfinished leaves nothing.
class CopiaPreparada {
public:
    virtual ~CopiaPreparada() = default;
    // Gives the copy its name (or runs what was not done ahead): false, with the reason in error,
    // when the copy did not complete.
    virtual bool completar(QString& error) = 0;
    // Completes the copy only when that takes no more than giving it a name that is free: false
    // when the rest (replacing a previous copy, say) is left to completar.
    virtual bool completarSiBreve(bool& /*copiado*/, QString& /*error*/) { return false; }
};

// Copies one local file.
class FileCopier {
public:
    virtual ~FileCopier() = default;
    // False, with the reason in error, when the copy did not complete.
    virtual bool copiar(const QString& origen, const QString& destino, QString& error) = 0;
    // Does ahead the part of a copy nobody can see, on any thread; the copy shows under its name
    // only once completed. By default nothing is done ahead: completing runs the whole copy.
    virtual std::unique_ptr<CopiaPreparada> preparar(const QString& origen, const QString& destino);
    // Called during the copy of a large file, so a long copy never freezes the window.
    void entreBloques(std::function<void()> bombear) { bombear_ = std::move(bombear); }

protected:
    std::function<void()> bombear_;
};

// Copies content, last-write time and permission bits into a file that gets the destination's
// name only once complete (renamed over the previous copy), so a failed copy never destroys the
// previous copy and a crash of the program never leaves a half-written file under the real name.
// The data is not flushed to disk before the rename (that would cost several times the copy
// itself): a power loss shortly after a copy can leave it short under its name, which the
// differential rule then copies again.
class AtomicFileCopier final : public FileCopier {
public:
    // Where the file system allows, a copy is written as a file without a name, so nothing of it
    // shows (or stays behind after a crash) while it is written. Elsewhere (network shares) it
    // is written under a temporary name (hidden, beginning ".zvtmp-"), locked while its copy
    // runs.
    enum class Temporales { SinNombre, ConNombre };
    explicit AtomicFileCopier(Temporales temporales = Temporales::SinNombre)
        : temporales_(temporales) {}

    bool copiar(const QString& origen, const QString& destino, QString& error) override;
    // Writes the copy's data, time and permission bits into a file without a name; completing
    // names it. Where the file system has no unnamed files, completing runs the whole copy.
    std::unique_ptr<CopiaPreparada> preparar(const QString& origen,
                                             const QString& destino) override;

    // Removes, among the entries listed in the folder, the temporary files that no running copy
    // holds (those an interrupted copy left behind); returns how many it removed.
    static int BorrarTemporalesAbandonados(const QString& carpeta,
                                           const std::vector<EntradaCarpeta>& entradas);

private:
    Temporales temporales_;
};

// Gives destino the content of existente, a complete copy on the same file system, as a second
// name of the same file (a hard link), replacing what destino holds the way a copy does: under a
// temporary name renamed over it. False, with errno set, when the link cannot be made (another
// device, a file system or share without hard links, too many links): the caller then copies.
bool EnlazarCopia(const QString& existente, const QString& destino);

// The program ends by a signal: removes the temporary files of the copies in hand, on every
// thread, and from then on no copy makes one (those in hand fail at their next block).
// Async-signal-safe: the program calls it from the handler of SIGTERM and SIGINT.
void BorrarTemporalEnCurso() noexcept;
// The same, after the handler: also waits (two seconds at most) until the copies on other threads
// have let go of their temporary files, so none is left when the program then ends at once.
void TerminarCopiasEnCurso();
// Copies may make temporary files again (once nothing is ending any more).
void ReanudarCopias() noexcept;

} // namespace zarvento
