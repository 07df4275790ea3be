#include "settingswindow/PosicionVentana.h"

#include "host/ClavesAjustes.h"
#include "settingswindow/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace zarvento {

namespace {

const QString kArriba = QStringLiteral("Arriba");
const QString kIzquierda = QStringLiteral("Izquierda");

// How much of the frame must show, in pixels each way, for the window to count as on screen.
constexpr int kVisibleMinimo = 48;

// A number as the component library writes a single-precision value: up to 7 significant digits.
QString comoSencillo(double valor) {
    return QString::number(static_cast<float>(valor), 'g', 7);
}

} // namespace

PosicionVentana::PosicionVentana(QString archivoIni, const QString& nombreVentana)
    : archivoIni_(std::move(archivoIni)),
      seccion_(QString::fromUtf8(ajustes::kConfiguracion) + ' ' + nombreVentana) {}

void PosicionVentana::aplicar(QWidget& ventana) const {
    const QString textoArriba = ini_.LeeIni(seccion_, kArriba, archivoIni_);
    const QString textoIzquierda = ini_.LeeIni(seccion_, kIzquierda, archivoIni_);
    QList<QRect> pantallas;
    for (const QScreen* pantalla : QGuiApplication::screens())
        pantallas.append(pantalla->availableGeometry());
    QRect marco(QPoint(twips::aPixeles(static_cast<float>(LibORVX::kvVal(textoIzquierda)),
                                       ventana.logicalDpiX()),
                       twips::aPixeles(static_cast<float>(LibORVX::kvVal(textoArriba)),
                                       ventana.logicalDpiY())),
                ventana.frameGeometry().size());
    // Never placed before: over the window that opens it, else in the middle of the screen.
    if (textoArriba.isEmpty() && textoIzquierda.isEmpty()) {
        const QWidget* duena = ventana.parentWidget() ? ventana.parentWidget()->window() : nullptr;
        const QRect sobre = duena ? duena->frameGeometry() : pantallas.value(0);
        marco.moveCenter(sobre.center());
    }
    ventana.move(enPantalla(marco, pantallas));
}

bool PosicionVentana::guardar(const QWidget& ventana, QString* motivo) const {
    const QPoint esquina = ventana.pos();
    return ini_.EscribeIni(seccion_, kArriba,
                           comoSencillo(twips::dePixeles(esquina.y(), ventana.logicalDpiY())),
                           archivoIni_, motivo) &&
           ini_.EscribeIni(seccion_, kIzquierda,
                           comoSencillo(twips::dePixeles(esquina.x(), ventana.logicalDpiX())),
                           archivoIni_, motivo);
}

QPoint PosicionVentana::enPantalla(const QRect& marco, const QList<QRect>& pantallas) {
    for (const QRect& pantalla : pantallas) {
        const QRect visible = marco.intersected(pantalla);
        if (visible.width() >= std::min(kVisibleMinimo, marco.width()) &&
            visible.height() >= std::min(kVisibleMinimo, marco.height()) && !visible.isEmpty())
            return marco.topLeft();
    }
    if (pantallas.isEmpty())
        return marco.topLeft();
    // Centred; a frame larger than the screen keeps its top-left corner (the title bar) visible.
    const QRect& principal = pantallas.first();
    QRect centrado = marco;
    centrado.moveCenter(principal.center());
    return {std::max(centrado.left(), principal.left()), std::max(centrado.top(), principal.top())};
}

} // namespace zarvento
