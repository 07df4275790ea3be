#pragma once

#include "host/ProgramLocation.h"

#include <QString>

namespace zarvento {

// The files the main window works with, all in the program folder.
struct ArchivosPrincipal {
    QString pbArchivoIni;      // <base name>.ini
    QString pbArchivoRutas;    // documents route list
    QString pbArchivoDATAs;    // data route list
    QString carpetaTemporal;   // staging folder of the data list
    QString pbArchivoCarpetas; // which route owns which destination folder name
    QString carpetaPrograma;   // where a run holds its lock

    static ArchivosPrincipal de(const ProgramLocation& programa) {
        return {programa.pathOf(programa.baseName + QStringLiteral(".ini")),
                programa.pathOf(QStringLiteral("RutasARespaldar.txt")),
                programa.pathOf(QStringLiteral("RutasDATAaRespaldar.txt")),
                programa.pathOf(QStringLiteral("TmpData")),
                programa.pathOf(QStringLiteral("CarpetasDeRutas.txt")),
                programa.folder};
    }
};

} // namespace zarvento
