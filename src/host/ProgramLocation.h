#pragma once

#include <QString>

namespace zarvento {

// Where the running program lives: the program folder (no trailing separator), where its
// settings, route lists, log and staging folder are kept, and the executable's file name without
// extension. A self-contained program folder that its user can write is the executable's own
// folder; an installed program (an executable under /usr, whoever runs it) or one whose folder
// cannot be written keeps them in the user's data folder instead.
struct ProgramLocation {
    QString folder;
    QString fileName;
    QString baseName;
    // The folder the executable is started from, when it is not the program folder: its own
    // folder, or the folder of the link on the PATH an installed program is run through.
    QString executableFolder{};

    static ProgramLocation ofRunningExecutable();
    // The location of the executable (a canonical path); dataHome is the user's data folder
    // ($XDG_DATA_HOME, else ~/.local/share).
    static ProgramLocation of(const QString& executable, const QString& dataHome);

    QString pathOf(const QString& fileName) const { return folder + '/' + fileName; }
    QString executableDir() const { return executableFolder.isEmpty() ? folder : executableFolder; }
    QString executablePath() const { return executableDir() + '/' + fileName; }
};

} // namespace zarvento
