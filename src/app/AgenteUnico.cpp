#include "app/AgenteUnico.h"

#include "app/CerrojoPrivado.h"
#include "app/EstadoDeRespaldos.h"
#include "engine/Bitacora.h"
#include "host/RutasLocales.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvento {

AgenteUnico::AgenteUnico(QString carpetaPrograma, QString carpetaPrivada, QObject* parent)
    : QObject(parent), carpeta_(std::move(carpetaPrograma)), privada_(std::move(carpetaPrivada)) {}

AgenteUnico::~AgenteUnico() {
    if (cerrojo_ >= 0)
        ::close(cerrojo_);
}

QString AgenteUnico::carpetaPrivadaDelUsuario() {
    const QByteArray carpeta = qgetenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (carpeta.startsWith('/') && ::stat(carpeta.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
        EsPrivado(st))
        return QFile::decodeName(carpeta);
    return {};
}

QString AgenteUnico::archivoCerrojo() const {
    if (privada_.isEmpty())
        return carpeta_ + '/' + QString::fromLatin1(kArchivoCerrojo);
    // One user's agents of several program folders share the runtime folder.
    const QString canonica = QFileInfo(carpeta_).canonicalFilePath();
    const QByteArray huella =
        QCryptographicHash::hash(rutas::aBytes(canonica.isEmpty() ? carpeta_ : canonica),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return privada_ + QStringLiteral("/zarvento-") + QString::fromLatin1(huella) +
           QStringLiteral(".lock");
}

QString AgenteUnico::archivoSocket() const {
    if (privada_.isEmpty())
        return carpeta_ + '/' + QString::fromLatin1(kArchivoSocket);
    QString socket = archivoCerrojo();
    socket.replace(socket.size() - 4, 4, QStringLiteral("socket"));
    return socket;
}

AgenteUnico::Inicio AgenteUnico::Iniciar() {
    bool deOtro = false;
    cerrojo_ = TomarCerrojoPrivado(rutas::aBytes(archivoCerrojo()), &deOtro);
    if (deOtro)
        return pedirMostrar() ? Inicio::Mostrado : Inicio::SinRespuesta;
    escuchar();
    return Inicio::Propio;
}

void AgenteUnico::avisarSinRespuesta(Notificador& notificador) const {
    const QString texto =
        QStringLiteral("Otro proceso tiene tomada la carpeta %1 (cerrojo %2) y no responde. "
                       "Ciérrelo e inicie Zarvento de nuevo.")
            .arg(carpeta_, archivoCerrojo());
    const SystemClock reloj;
    Bitacora(carpeta_ + QStringLiteral("/Bitacora.log"), reloj)
        .ArchivoBitacora(QStringLiteral("Agente no iniciado: ") + texto);
    std::fprintf(stderr, "zarvento: Agente no iniciado: %s\n", texto.toLocal8Bit().constData());
    notificador.notificar({QStringLiteral("Zarvento no se inició"), texto});
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
    const QString nombre = archivoSocket();
    if (!servidor_->listen(nombre)) {
        // A socket left by an agent that crashed: the lock says no agent of this folder runs.
        QLocalServer::removeServer(nombre);
        servidor_->listen(nombre);
    }
}

bool AgenteUnico::pedirMostrar() const {
    // The running agent may be starting: it takes the lock before it listens.
    QLocalSocket llamada;
    for (int intento = 0; intento < 20; ++intento) {
        llamada.connectToServer(archivoSocket());
        if (llamada.waitForConnected(500)) {
            llamada.disconnectFromServer();
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

} // namespace zarvento
