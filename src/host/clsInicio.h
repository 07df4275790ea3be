#pragma once

#include <QString>
#include <QStringList>

namespace zarvento {

struct Entorno;

// Keeps the program among the user's start-up programs: a desktop autostart entry named after
// the executable whose Exec line holds the running executable's full path. The entry is
// written when missing or when it names another path, and never removed.
class clsInicio {
public:
    explicit clsInicio(const Entorno& entorno);

    // stArchivo: "/" followed by the executable's file name. Start-up goes on whether or not the
    // entry could be written; why it could not is added to *avisos, for the log file.
    void SiRegistrado(const QString& stArchivo, QStringList* avisos = nullptr) const;

    // The autostart folder: $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
    static QString carpetaPorDefecto();
    // The Exec value that starts the program at the path (quoted when it needs it).
    static QString lineaExec(const QString& ejecutable);

private:
    QString carpetaPrograma_;
    QString carpetaAutostart_;
};

} // namespace zarvento
