#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;
class QWidget;
class QWindow;

namespace zarvento {

// The two boxes of the backup hour: digits only, two at most, text selected when a box takes the
// focus, and the focus kept in a box while hours ":" minutes is not a valid time.
class CajasDeHora final : public QObject {
public:
    CajasDeHora(QWidget& ventana, QLineEdit& horas, QLineEdit& minutos,
                std::function<void()> pitar);

    QString texto() const;
    bool esValida() const;
    // Whether the focus may leave the window's focused control; beeps when a time box holds it
    // with an invalid time.
    bool permiteSalir();
    // Catches the window's mouse presses before they move the focus out of a time box.
    void vigilarVentana(QWindow& ventana);
    // Catches the access key of a control before it moves the focus out of a time box.
    void vigilarAtajo(QWidget& control);

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    bool tienenFoco() const;
    // The control a mouse press at the point would give the focus to, if any.
    QWidget* recibiriaFoco(const QPoint& punto) const;

    QWidget& ventana_;
    QLineEdit& horas_;
    QLineEdit& minutos_;
    std::function<void()> pitar_;
};

} // namespace zarvento
