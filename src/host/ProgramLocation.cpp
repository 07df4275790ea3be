#include "host/ProgramLocation.h"

#include <QFileInfo>

namespace zarvento {

ProgramLocation ProgramLocation::ofRunningExecutable() {
    const QFileInfo exe(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
    return {exe.absolutePath(), exe.fileName(), exe.fileName().section('.', 0, 0)};
}

} // namespace zarvento
