#include "mainwindow/BandejaPrincipal.h"

#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace zarvento {

QIcon BandejaPrincipal::iconoPrograma() {
    return QIcon(QStringLiteral(":/zarvento/zarvento.svg"));
}

QIcon BandejaPrincipal::iconoConFallo() {
    QIcon conFallo;
    for (const int lado : {16, 22, 24, 32, 48, 64}) {
        QPixmap imagen = iconoPrograma().pixmap(lado, lado);
        QPainter pintor(&imagen);
        pintor.setRenderHint(QPainter::Antialiasing);
        pintor.setPen(QPen(Qt::white, lado / 16.0));
        pintor.setBrush(QColor(0xd0, 0x1f, 0x1f));
        const qreal radio = lado * 0.27;
        pintor.drawEllipse(QPointF(lado - radio - 0.5, lado - radio - 0.5), radio, radio);
        pintor.end();
        conFallo.addPixmap(imagen);
    }
    return conFallo;
}

BandejaPrincipal::BandejaPrincipal(QObject* parent)
    : QObject(parent), menu_(std::make_unique<QMenu>()),
      icono_(new QSystemTrayIcon(iconoPrograma(), this)) {
    menu_->addAction(QStringLiteral("Mostrar"), this, &BandejaPrincipal::mostrarVentana);
    menu_->addAction(QStringLiteral("Respaldar ahora"), this, &BandejaPrincipal::respaldarAhora);
    menu_->addAction(QStringLiteral("Ajustes"), this, &BandejaPrincipal::abrirAjustes);
    menu_->addAction(QStringLiteral("Restaurar…"), this, &BandejaPrincipal::restaurar);
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Cerrar"), this, &BandejaPrincipal::cerrar);
    connect(menu_.get(), &QMenu::aboutToShow, this, &BandejaPrincipal::menuPorAbrir);
    icono_->setContextMenu(menu_.get());
    icono_->setToolTip(QStringLiteral("Zarvento"));
    connect(icono_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason motivo) {
                if (motivo == QSystemTrayIcon::Trigger || motivo == QSystemTrayIcon::DoubleClick)
                    Q_EMIT mostrarVentana();
            });
}

BandejaPrincipal::~BandejaPrincipal() = default;

QAction* BandejaPrincipal::accion(const QString& texto) const {
    for (QAction* a : menu_->actions()) {
        if (a->text() == texto)
            return a;
    }
    return nullptr;
}

void BandejaPrincipal::mostrar() {
    icono_->show();
}

bool BandejaPrincipal::hayBandeja() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void BandejaPrincipal::actualizar(const EstadoDeRespaldos& estado) {
    const QString resumen = estado.resumen();
    if (icono_->toolTip() != resumen)
        icono_->setToolTip(resumen);
    if (estado.conFallo() != conFallo_) {
        conFallo_ = estado.conFallo();
        icono_->setIcon(conFallo_ ? iconoConFallo() : iconoPrograma());
    }
}

void BandejaPrincipal::notificar(const Notificacion& notificacion) {
    icono_->showMessage(notificacion.titulo, notificacion.texto,
                        conFallo_ ? iconoConFallo() : iconoPrograma());
}

} // namespace zarvento
