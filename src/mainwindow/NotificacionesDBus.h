#pragma once

#include "app/EstadoDeRespaldos.h"

#include <QDBusConnection>

namespace zarvento {

// The desktop's notification service on the session bus, for desktops without a tray. Sends
// without waiting for an answer; without a session bus nothing is shown.
class NotificacionesDBus final : public Notificador {
public:
    explicit NotificacionesDBus(QString icono, QDBusConnection bus = QDBusConnection::sessionBus())
        : icono_(std::move(icono)), bus_(std::move(bus)) {}

    void notificar(const Notificacion& notificacion) override;

private:
    QString icono_;
    QDBusConnection bus_;
};

} // namespace zarvento
