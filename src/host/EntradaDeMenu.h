#pragma once

#include <QString>
#include <QStringList>

namespace zarvento {

struct Entorno;

// Keeps the program in the desktop's applications menu: an entry named after the executable in
// $XDG_DATA_HOME/applications (else ~/.local/share/applications) whose Exec line holds the
// running executable's full path, and the program's icon beside the user's other icons, named by
// the entry's Icon line. Both are rewritten when they differ, and never removed.
class EntradaDeMenu {
public:
    static constexpr const char* kNombre = "Zarvento";

    explicit EntradaDeMenu(const Entorno& entorno);

    // stArchivo: "/" followed by the executable's file name; icono: the icon's SVG file (a Qt
    // resource path works). Nothing is written when the entorno names no data folder. Start-up
    // goes on whether or not they could be written; why not is added to *avisos, for the log.
    void Mantener(const QString& stArchivo, const QString& icono,
                  QStringList* avisos = nullptr) const;

    // $XDG_DATA_HOME, else ~/.local/share.
    static QString carpetaPorDefecto();

private:
    QString carpetaPrograma_;
    QString carpetaDatos_;
};

} // namespace zarvento
