#pragma once

#include <QDateTime>
#include <QString>

namespace zarvento {

class Regional;

// What the proof of a copy found: the files and bytes read back and compared, the tables
// checked, and the first failing file or table with why ("" when the copy was proven).
struct ResultadoDeComprobacion {
    qint64 archivos = 0;
    qint64 bytes = 0;
    qint64 tablas = 0;
    QString falla;
    QDateTime momento;  // when the proof ended
    bool todos = false; // every file of the copy was read, not a sample

    bool correcta() const { return falla.isEmpty(); }
    // "Copia comprobada" or "Copia con fallas", as the log and the central server name it.
    QString resultado() const;
    // The figures, or the failure, for the log line after the result.
    QString detalle(const Regional& regional) const;
};

} // namespace zarvento
