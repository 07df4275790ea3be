#pragma once

#include <QString>

namespace zarvento {

// Where the running program lives: its folder (no trailing separator) and the executable's
// file name without extension. Settings, route lists and the log are kept in that folder.
struct ProgramLocation {
    QString folder;
    QString fileName;
    QString baseName;

    static ProgramLocation ofRunningExecutable();

    QString pathOf(const QString& fileName) const { return folder + '/' + fileName; }
    QString executablePath() const { return pathOf(fileName); }
};

} // namespace zarvento
