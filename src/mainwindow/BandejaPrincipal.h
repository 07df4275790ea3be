#pragma once

#include "app/EstadoDeRespaldos.h"

#include <QIcon>
#include <QObject>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace zarvento {

// The program's icon in the desktop's tray: its tooltip sums up the backups, a red badge marks a
// failure, and its menu offers the window's commands. Where the desktop has a tray, the
// notifications are shown through it.
class BandejaPrincipal final : public QObject, public Notificador {
    Q_OBJECT

public:
    // The program's icon, and the same icon with a failure badge.
    static QIcon iconoPrograma();
    static QIcon iconoConFallo();

    explicit BandejaPrincipal(QObject* parent);
    ~BandejaPrincipal() override;

    QMenu* menu() const { return menu_.get(); }
    QAction* accion(const QString& texto) const;
    QSystemTrayIcon* iconoDeBandeja() const { return icono_; }
    // Shows the icon, where the desktop has a tray.
    void mostrar();
    void actualizar(const EstadoDeRespaldos& estado);
    bool hayBandeja() const;

    void notificar(const Notificacion& notificacion) override;

Q_SIGNALS:
    void mostrarVentana();
    void respaldarAhora();
    void abrirAjustes();
    void restaurar();
    void cerrar();
    // The menu is about to open: the commands' availability can be brought up to date.
    void menuPorAbrir();

private:
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* icono_;
    bool conFallo_ = false;
};

} // namespace zarvento
