#pragma once

#include "engine/LogBox.h"
#include "host/Regional.h"
#include "host/Services.h"

#include <QString>

namespace zarvento {

// The program's log: lines shown in the on-screen log box and appended, time-stamped, to
// "Bitacora.log". The file is opened and closed on every call, so it can be read at any time.
class Bitacora {
public:
    Bitacora(QString archivo, const Clock& reloj, Regional regional = Regional());

    void ObjetoLog(LogBox* caja) { caja_ = caja; }

    // One line from a label and an optional value, to the screen and the file. False when the
    // file could not be written (the screen still shows the line).
    bool Bitacorear(const QString& stEtiqueta, const QString& stDato = QString(),
                    bool blEtiquetaDirecta = false);
    // One time-stamped line to the file only, or, with blLimpiar, an emptied file.
    bool ArchivoBitacora(QString stTexto, bool blLimpiar = false);

    static QString ComponerLinea(const QString& stEtiqueta, const QString& stDato,
                                 bool blEtiquetaDirecta);

    const QString& archivo() const { return archivo_; }
    const Regional& regional() const { return regional_; }

private:
    QString archivo_;
    const Clock& reloj_;
    Regional regional_;
    LogBox* caja_ = nullptr;
};

} // namespace zarvento
