#include "settingswindow/CajasDeHora.h"

#include "app/HoraDelRespaldo.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace zarvento {

CajasDeHora::CajasDeHora(QWidget& ventana, QLineEdit& horas, QLineEdit& minutos,
                         std::function<void()> pitar)
    : QObject(&ventana), ventana_(ventana), horas_(horas), minutos_(minutos),
      pitar_(std::move(pitar)) {
    auto* soloDigitos =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), this);
    for (QLineEdit* caja : {&horas_, &minutos_}) {
        caja->setMaxLength(2);
        caja->setValidator(soloDigitos);
        caja->installEventFilter(this);
    }
}

QString CajasDeHora::texto() const {
    return horas_.text() + ':' + minutos_.text();
}

bool CajasDeHora::esValida() const {
    return hora::interpretar(texto()).has_value();
}

bool CajasDeHora::tienenFoco() const {
    const QWidget* foco = ventana_.focusWidget();
    return foco == &horas_ || foco == &minutos_;
}

bool CajasDeHora::permiteSalir() {
    if (!tienenFoco() || esValida())
        return true;
    pitar_();
    return false;
}

void CajasDeHora::vigilarVentana(QWindow& ventana) {
    ventana.installEventFilter(this);
}

void CajasDeHora::vigilarAtajo(QWidget& control) {
    control.installEventFilter(this);
}

QWidget* CajasDeHora::recibiriaFoco(const QPoint& punto) const {
    // As the toolkit does on a press: the first enabled control from the one under the pointer
    // up to the window that takes the focus on a click.
    for (QWidget* control = ventana_.childAt(punto); control && control != &ventana_;
         control = control->parentWidget()) {
        if (control->isEnabled() && (control->focusPolicy() & Qt::ClickFocus))
            return control;
    }
    return nullptr;
}

bool CajasDeHora::eventFilter(QObject* objeto, QEvent* evento) {
    switch (evento->type()) {
    case QEvent::FocusIn:
        if (auto* caja = qobject_cast<QLineEdit*>(objeto)) {
            // After the click that gave the focus has placed the cursor.
            QTimer::singleShot(0, caja, &QLineEdit::selectAll);
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (qobject_cast<QWindow*>(objeto)) {
            const auto* raton = static_cast<QMouseEvent*>(evento);
            QWidget* destino = recibiriaFoco(raton->position().toPoint());
            if (destino && destino != ventana_.focusWidget() && !permiteSalir())
                return true;
        }
        break;
    case QEvent::Shortcut:
        if (objeto != &horas_ && objeto != &minutos_ && !permiteSalir())
            return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(objeto, evento);
}

} // namespace zarvento
