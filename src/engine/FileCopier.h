#pragma once

#include <QString>

namespace zarvento {

// Copies one local file.
class FileCopier {
public:
    virtual ~FileCopier() = default;
    // False, with the reason in error, when the copy did not complete.
    virtual bool copiar(const QString& origen, const QString& destino, QString& error) = 0;
};

// Copies content, last-write time and permission bits into a temporary file beside the
// destination and renames it over the destination only once complete, so a failed copy never
// destroys the previous copy and a crash never leaves a half-written file under the real name.
class AtomicFileCopier final : public FileCopier {
public:
    bool copiar(const QString& origen, const QString& destino, QString& error) override;
};

} // namespace zarvento
