#pragma once

#include "host/LibORVX.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

class QWidget;

namespace zarvento {

// The memory of a window's position in the settings file: section "Configuración " followed by
// the window's name, keys "Arriba" (top) and "Izquierda" (left), in twips.
class PosicionVentana {
public:
    PosicionVentana(QString archivoIni, const QString& nombreVentana);

    // Moves the window to the stored position, or onto the primary screen when that position
    // would leave it off every screen. With no stored position it is centred over its parent's
    // window (over the screen without one).
    void aplicar(QWidget& ventana) const;
    // Stores the window's current position; false (with the reason) when the file was not written.
    bool guardar(const QWidget& ventana, QString* motivo) const;

    // The top-left corner for a window frame: unchanged while enough of the frame shows on one
    // of the screens, else centred on the first screen (the primary one).
    static QPoint enPantalla(const QRect& marco, const QList<QRect>& pantallas);

private:
    QString archivoIni_;
    QString seccion_;
    LibORVX ini_;
};

} // namespace zarvento
