#include "app/AgenteUnico.h"

#include "host/RutasLocales.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zarvento {

AgenteUnico::AgenteUnico(QString carpetaPrograma, QObject* parent)
    : QObject(parent), carpeta_(std::move(carpetaPrograma)) {}

AgenteUnico::~AgenteUnico() {
    if (cerrojo_ >= 0)
        ::close(cerrojo_);
}

QString AgenteUnico::nombreServidor(const QString& carpetaPrograma) {
    const QString canonica = QFileInfo(carpetaPrograma).canonicalFilePath();
    const QByteArray huella =
        QCryptographicHash::hash(rutas::aBytes(canonica.isEmpty() ? carpetaPrograma : canonica),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return QStringLiteral("zarvento-%1-%2").arg(::getuid()).arg(QString::fromLatin1(huella));
}

bool AgenteUnico::Iniciar() {
    const QByteArray archivo = rutas::aBytes(carpeta_ + '/' + QString::fromLatin1(kArchivoCerrojo));
    cerrojo_ = ::open(archivo.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (cerrojo_ >= 0 && ::flock(cerrojo_, LOCK_EX | LOCK_NB) != 0) {
        const bool tomado = errno == EWOULDBLOCK;
        ::close(cerrojo_);
        cerrojo_ = -1;
        if (tomado) {
            pedirMostrar();
            return false;
        }
    }
    escuchar();
    return true;
}

void AgenteUnico::escuchar() {
    servidor_ = new QLocalServer(this);
    servidor_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(servidor_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* llamada = servidor_->nextPendingConnection()) {
            llamada->deleteLater();
            Q_EMIT mostrarPedido();
        }
    });
    const QString nombre = nombreServidor(carpeta_);
    if (!servidor_->listen(nombre)) {
        // A socket left by an agent that crashed: the lock says no agent of this folder runs.
        QLocalServer::removeServer(nombre);
        servidor_->listen(nombre);
    }
}

void AgenteUnico::pedirMostrar() const {
    // The running agent may be starting: it takes the lock before it listens.
    QLocalSocket llamada;
    for (int intento = 0; intento < 20; ++intento) {
        llamada.connectToServer(nombreServidor(carpeta_));
        if (llamada.waitForConnected(500)) {
            llamada.disconnectFromServer();
            return;
        }
        QThread::msleep(100);
    }
}

} // namespace zarvento
