#pragma once

#include "engine/LogBox.h"
#include "host/Regional.h"
#include "host/Services.h"

#include <QString>

namespace zarvento {

// The program's log: lines shown in the on-screen log box and appended, time-stamped, to
// "Bitacora.log", each line written whole at once, so the file can be read at any time. The file
// stays open between lines (a run writes one for every file it copies); a log file removed or
// replaced meanwhile is opened again, so no line goes where nobody can read it.
class Bitacora {
public:
    Bitacora(QString archivo, const Clock& reloj, Regional regional = Regional());
    ~Bitacora();
    Bitacora(const Bitacora&) = delete;
    Bitacora& operator=(const Bitacora&) = delete;

    void ObjetoLog(LogBox* caja) { caja_ = caja; }

    // One line from a label and an optional value, to the screen and the file. False when the
    // file could not be written (the screen still shows the line).
    bool Bitacorear(const QString& stEtiqueta, const QString& stDato = QString(),
                    bool blEtiquetaDirecta = false);
    // A log file larger than kLimite becomes the previous log, "<file>.1" (one previous file
    // only), and the next line starts a new one: called when a run starts, so an agent that is
    // never restarted keeps its log bounded. False when the file could not be renamed.
    static constexpr qint64 kLimite = 8 * 1024 * 1024;
    bool Rotar();
    // One time-stamped line to the file only, or, with blLimpiar, an emptied file.
    bool ArchivoBitacora(QString stTexto, bool blLimpiar = false);

    static QString ComponerLinea(const QString& stEtiqueta, const QString& stDato,
                                 bool blEtiquetaDirecta);

    const QString& archivo() const { return archivo_; }
    const Regional& regional() const { return regional_; }

private:
    // The open log file, opened again when its name no longer leads to it: -1 when it cannot be
    // opened.
    int abierto();

    QString archivo_;
    int fd_ = -1;
    const Clock& reloj_;
    Regional regional_;
    LogBox* caja_ = nullptr;
};

} // namespace zarvento
