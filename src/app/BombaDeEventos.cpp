#include "app/BombaDeEventos.h"

#include <QCoreApplication>

namespace zarvento {

void QtEventPump::pump() {
    if (ultima_.isValid() && ultima_.elapsed() < kIntervalo)
        return;
    QCoreApplication::processEvents();
    ultima_.start();
}

} // namespace zarvento
