#include "app/AgenteUnico.h"

#include "app/EstadoDeRespaldos.h"
#include "engine/Bitacora.h"
#include "host/RutasLocales.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvento {

namespace {

bool esPrivado(const struct stat& st) {
    return st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// Puts a new, empty file of mode 600 in the place of the one named.
bool reemplazar(const QByteArray& archivo) {
    const QByteArray nuevo = archivo + '.' + QByteArray::number(::getpid());
    ::unlink(nuevo.constData());
    const int fd = ::open(nuevo.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    if (::rename(nuevo.constData(), archivo.constData()) == 0)
        return true;
    ::unlink(nuevo.constData());
    return false;
}

// Opens the lock file, this user's own and closed to others. A file of another owner or open to
// others (left by an older agent, or put there by someone else) is replaced first, so that a
// descriptor someone else holds on it locks nothing of ours. -1 when no such file can be had.
int abrirPrivado(const QByteArray& archivo) {
    for (int intento = 0; intento < 3; ++intento) {
        const int fd = ::open(archivo.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && esPrivado(st))
            return fd;
        if (fd >= 0)
            ::close(fd);
        else if (errno != EACCES && errno != ELOOP)
            return -1;
        if (!reemplazar(archivo))
            return -1;
    }
    return -1;
}

// Whether the name still leads to the open file: another start may have replaced it meanwhile.
bool nombraAlAbierto(const QByteArray& archivo, int fd) {
    struct stat abierto {};
    struct stat nombrado {};
    return ::fstat(fd, &abierto) == 0 && ::stat(archivo.constData(), &nombrado) == 0 &&
           abierto.st_dev == nombrado.st_dev && abierto.st_ino == nombrado.st_ino;
}

} // namespace

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
        esPrivado(st))
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
    const QByteArray archivo = rutas::aBytes(archivoCerrojo());
    for (int intento = 0; intento < 3; ++intento) {
        cerrojo_ = abrirPrivado(archivo);
        if (cerrojo_ < 0)
            break;
        const bool tomado = ::flock(cerrojo_, LOCK_EX | LOCK_NB) != 0;
        const bool deOtro = tomado && errno == EWOULDBLOCK;
        if (!tomado && nombraAlAbierto(archivo, cerrojo_))
            break;
        ::close(cerrojo_);
        cerrojo_ = -1;
        if (deOtro)
            return pedirMostrar() ? Inicio::Mostrado : Inicio::SinRespuesta;
        if (tomado)
            break; // no locks on this file system
    }
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
