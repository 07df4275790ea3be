#pragma once

#include <QString>

namespace zarvento {

// The settings file and the two route lists that the settings window edits.
struct ArchivosDeAjustes {
    QString pbArchivoIni;
    QString pbArchivoRutas;
    QString pbArchivoDATAs;
};

} // namespace zarvento
