#include "mainwindow/NotificacionesDBus.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace zarvento {

void NotificacionesDBus::notificar(const Notificacion& notificacion) {
    QDBusMessage mensaje = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    mensaje << QStringLiteral("Zarvento") << 0u << icono_ << notificacion.titulo
            << notificacion.texto << QStringList() << QVariantMap() << -1;
    bus_.send(mensaje);
}

} // namespace zarvento
