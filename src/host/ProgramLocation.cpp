#include "host/ProgramLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zarvento {

namespace {

// The folder of the command an installed program is run by, when a link on the PATH names it.
QString carpetaDelEnlace(const QFileInfo& ejecutable) {
    const QString enlace = QStringLiteral("/usr/bin/") + ejecutable.fileName();
    return QFileInfo(enlace).canonicalFilePath() == ejecutable.filePath()
               ? QStringLiteral("/usr/bin")
               : ejecutable.absolutePath();
}

} // namespace

ProgramLocation ProgramLocation::of(const QString& executable, const QString& dataHome) {
    const QFileInfo exe(executable);
    ProgramLocation location{exe.absolutePath(), exe.fileName(), exe.fileName().section('.', 0, 0)};
    if (!executable.startsWith(QStringLiteral("/usr/")) && QFileInfo(location.folder).isWritable())
        return location;
    location.executableFolder = carpetaDelEnlace(exe);
    location.folder = dataHome + QStringLiteral("/zarvento");
    return location;
}

ProgramLocation ProgramLocation::ofRunningExecutable() {
    const QString datos = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    ProgramLocation location =
        of(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget(), datos);
    // Only its user reads a folder made here: the settings file holds the scrambled passwords.
    if (!location.executableFolder.isEmpty() && QDir().mkpath(datos))
        QDir().mkdir(location.folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return location;
}

} // namespace zarvento
