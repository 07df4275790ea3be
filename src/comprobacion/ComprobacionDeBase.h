#pragma once

#include "comprobacion/ServidorDePrueba.h"
#include "host/Services.h"

#include <QDeadlineTimer>
#include <QString>
#include <memory>

namespace zarvento {

// Proves database dumps by loading them into a scratch server (started at the first dump and
// kept for the others), checking every table and comparing the tables and their rows with what
// the dump holds.
class ComprobacionDeBase {
public:
    ComprobacionDeBase(QString carpeta, EventPump& bomba, QDeadlineTimer limite);

    // True when the dump of base loads whole and every table checks out with its rows; else
    // false with the first failing table (or the dump) and why in falla.
    bool comprobar(const QString& volcado, const QString& base, QString& falla);

    qint64 tablas() const { return tablas_; }
    qint64 filas() const { return filas_; }

private:
    QString carpeta_;
    EventPump& bomba_;
    QDeadlineTimer limite_;
    std::unique_ptr<ServidorDePrueba> servidor_;
    qint64 tablas_ = 0;
    qint64 filas_ = 0;
};

} // namespace zarvento
