#include "mainwindow/Efectos.h"

#include <QScreen>
#include <QWidget>

namespace zarvento {

void Efectos::CentraVentana(QWidget& ventana) const {
    const QScreen* pantalla = ventana.screen();
    if (!pantalla)
        return;
    QRect marco = ventana.frameGeometry();
    marco.moveCenter(pantalla->availableGeometry().center());
    ventana.move(marco.topLeft());
}

} // namespace zarvento
