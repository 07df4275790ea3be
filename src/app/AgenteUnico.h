#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace zarvento {

class Notificador;

// One agent per program folder and user: two agents of one folder would empty each other's log
// and collide in its staging folder. The agent holds a lock on a file for as long as it runs
// (the system releases it when the process ends, however it ends, so a crash leaves no stale
// lock) and listens on a local socket beside it. A later start finds the lock taken, asks the
// running agent through that socket to show its window, and ends.
//
// Both live where only the agent's user can reach them, so no other user can hold the lock or
// answer in the agent's place: in the user's runtime folder ($XDG_RUNTIME_DIR, when it is the
// user's own and closed to others) under names taken from the program folder, else in the
// program folder itself as "zarvento.lock" (mode 600; a looser or foreign one is replaced) and
// "zarvento.socket".
class AgenteUnico final : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kArchivoCerrojo = "zarvento.lock";
    static constexpr const char* kArchivoSocket = "zarvento.socket";

    enum class Inicio {
        Propio,      // this process is now the folder's agent
        Mostrado,    // another agent holds the folder and was asked to show its window
        SinRespuesta // the lock is held but no agent answers: this start must give up
    };

    // carpetaPrivada: where the lock and the socket go; empty for the program folder.
    AgenteUnico(QString carpetaPrograma, QString carpetaPrivada, QObject* parent = nullptr);
    explicit AgenteUnico(QString carpetaPrograma)
        : AgenteUnico(std::move(carpetaPrograma), carpetaPrivadaDelUsuario()) {}
    ~AgenteUnico() override;
    AgenteUnico(const AgenteUnico&) = delete;
    AgenteUnico& operator=(const AgenteUnico&) = delete;

    // A folder where no lock file can be made gives Propio: nothing can tell two agents apart
    // there.
    Inicio Iniciar();

    // Says why this start gave up (after SinRespuesta) where the user sees it: a line in the
    // folder's "Bitacora.log", on standard error and in a desktop notification.
    void avisarSinRespuesta(Notificador& notificador) const;

    QString archivoCerrojo() const;
    QString archivoSocket() const;

    // $XDG_RUNTIME_DIR when it is a folder of this user that no one else may enter, else empty.
    static QString carpetaPrivadaDelUsuario();

Q_SIGNALS:
    // A later start asked this agent to show its window.
    void mostrarPedido();

private:
    void escuchar();
    bool pedirMostrar() const;

    QString carpeta_;
    QString privada_;
    int cerrojo_ = -1;
    QLocalServer* servidor_ = nullptr;
};

} // namespace zarvento
