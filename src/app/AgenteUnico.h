#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace zarvento {

// One agent per program folder: two agents of one folder would empty each other's log and
// collide in its staging folder. The agent holds a lock on "zarvento.lock" in the folder for as
// long as it runs (the system releases it when the process ends, however it ends, so a crash
// leaves no stale lock) and listens on a local socket named after the folder and the user. A
// later start finds the lock taken, asks the running agent through that socket to show its
// window, and ends.
class AgenteUnico final : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kArchivoCerrojo = "zarvento.lock";

    explicit AgenteUnico(QString carpetaPrograma, QObject* parent = nullptr);
    ~AgenteUnico() override;
    AgenteUnico(const AgenteUnico&) = delete;
    AgenteUnico& operator=(const AgenteUnico&) = delete;

    // True when this process is now the folder's agent. False when another agent holds the
    // folder; that agent has then been asked to show its window. A folder where no lock file can
    // be made gives true: nothing can tell two agents apart there.
    bool Iniciar();

    // The local socket's name for a program folder.
    static QString nombreServidor(const QString& carpetaPrograma);

Q_SIGNALS:
    // A later start asked this agent to show its window.
    void mostrarPedido();

private:
    void escuchar();
    void pedirMostrar() const;

    QString carpeta_;
    int cerrojo_ = -1;
    QLocalServer* servidor_ = nullptr;
};

} // namespace zarvento
