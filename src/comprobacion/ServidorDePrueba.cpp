#include "comprobacion/ServidorDePrueba.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <csignal>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zarvento {

namespace {

constexpr int kPausaMs = 50;

// The server that runs now, for Descartar: the process and the folders to remove.
pid_t pidActivo = 0;
std::string carpetaActiva;
std::string carpetaSocketActiva;

// A process the agent starts here ends with the agent, however the agent ends.
void conPadre(QProcess& proceso) {
    proceso.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

QString programa(const char* nombre) {
    const QString n = QString::fromLatin1(nombre);
    QString ruta = QStandardPaths::findExecutable(n);
    if (ruta.isEmpty())
        ruta = QStandardPaths::findExecutable(
            n, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    return ruta.isEmpty() ? n : ruta;
}

bool aceptaConexiones(const QString& socket) {
    const QByteArray ruta = QFile::encodeName(socket);
    sockaddr_un direccion{};
    direccion.sun_family = AF_UNIX;
    if (ruta.size() >= static_cast<qsizetype>(sizeof direccion.sun_path))
        return false;
    std::copy(ruta.begin(), ruta.end(), direccion.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool conectado =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&direccion), sizeof direccion) == 0;
    ::close(fd);
    return conectado;
}

QString finDelArchivo(const QString& archivo) {
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    f.seek(std::max<qint64>(0, f.size() - 400));
    const QList<QByteArray> lineas = f.readAll().trimmed().split('\n');
    return QString::fromLocal8Bit(lineas.value(lineas.size() - 1)).simplified();
}

QStringList comoRoot() {
    if (::geteuid() == 0)
        return {QStringLiteral("--user=root")};
    return {};
}

} // namespace

ServidorDePrueba::ServidorDePrueba(QString carpeta, EventPump& bomba, QDeadlineTimer limite)
    : carpeta_(QDir::cleanPath(carpeta)), bomba_(bomba), limite_(limite) {}

ServidorDePrueba::~ServidorDePrueba() {
    detener();
}

bool ServidorDePrueba::iniciar(QString& error) {
    // What a killed agent left here goes first.
    QDir(carpeta_).removeRecursively();
    if (!QDir().mkpath(carpeta_ + QStringLiteral("/vacia")) ||
        !QFile::setPermissions(carpeta_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        error = QStringLiteral("No se pudo crear ") + carpeta_;
        return false;
    }
    carpetaActiva = QFile::encodeName(carpeta_).toStdString();
    socket_ = carpeta_ + QStringLiteral("/servidor.sock");
    // A socket's path has room for 107 bytes; a longer one goes to a private temporary folder.
    if (QFile::encodeName(socket_).size() > 100) {
        carpetaSocket_ =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/zarvento-XXXXXX"));
        if (!carpetaSocket_->isValid()) {
            error = QStringLiteral("No se pudo crear la carpeta del socket: ") +
                    carpetaSocket_->errorString();
            return false;
        }
        socket_ = carpetaSocket_->path() + QStringLiteral("/servidor.sock");
        carpetaSocketActiva = QFile::encodeName(carpetaSocket_->path()).toStdString();
    }
    const QString datos = carpeta_ + QStringLiteral("/datos");
    // Fast writes: what this server holds is thrown away.
    const QStringList motor = {QStringLiteral("--innodb-buffer-pool-size=64M"),
                               QStringLiteral("--innodb-log-file-size=64M"),
                               QStringLiteral("--innodb-flush-log-at-trx-commit=0"),
                               QStringLiteral("--innodb-doublewrite=0"),
                               QStringLiteral("--skip-log-bin")};

    QProcess instalacion;
    conPadre(instalacion);
    instalacion.setProcessChannelMode(QProcess::MergedChannels);
    instalacion.start(
        programa("mariadb-install-db"),
        QStringList{QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + datos,
                    QStringLiteral("--auth-root-authentication-method=normal"),
                    QStringLiteral("--skip-test-db"), QStringLiteral("--skip-name-resolve")} +
            comoRoot() + motor);
    if (!esperar(instalacion, QStringLiteral("mariadb-install-db"), error))
        return false;

    servidor_ = std::make_unique<QProcess>();
    conPadre(*servidor_);
    servidor_->setStandardOutputFile(QProcess::nullDevice());
    servidor_->setStandardErrorFile(QProcess::nullDevice());
    const QString registro = carpeta_ + QStringLiteral("/servidor.log");
    servidor_->start(
        programa("mariadbd"),
        QStringList{QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + datos,
                    QStringLiteral("--socket=") + socket_, QStringLiteral("--skip-networking"),
                    QStringLiteral("--pid-file=") + carpeta_ + QStringLiteral("/servidor.pid"),
                    QStringLiteral("--log-error=") + registro,
                    // The dump may not read or write files of the workstation.
                    QStringLiteral("--secure-file-priv=") + carpeta_ + QStringLiteral("/vacia"),
                    QStringLiteral("--local-infile=0"), QStringLiteral("--max-allowed-packet=1G")} +
            comoRoot() + motor);
    if (!servidor_->waitForStarted()) {
        error = QStringLiteral("mariadbd: ") + servidor_->errorString();
        return false;
    }
    pidActivo = static_cast<pid_t>(servidor_->processId());
    while (!aceptaConexiones(socket_)) {
        if (servidor_->state() == QProcess::NotRunning) {
            error = QStringLiteral("El servidor de prueba no arrancó: ") + finDelArchivo(registro);
            return false;
        }
        if (limite_.hasExpired()) {
            error = QStringLiteral("Tiempo agotado al arrancar el servidor de prueba");
            return false;
        }
        bomba_.pump();
        servidor_->waitForFinished(kPausaMs);
    }
    return true;
}

QStringList ServidorDePrueba::argumentosDeCliente() const {
    return {QStringLiteral("--no-defaults"),
            QStringLiteral("--socket=") + socket_,
            QStringLiteral("--user=root"),
            QStringLiteral("--batch"),
            QStringLiteral("--skip-column-names"),
            QStringLiteral("--sandbox"),
            QStringLiteral("--local-infile=0"),
            QStringLiteral("--max-allowed-packet=1G"),
            QStringLiteral("--default-character-set=utf8mb4")};
}

bool ServidorDePrueba::cargar(const QString& volcado, QString& error) {
    QProcess cliente;
    cliente.setStandardInputFile(volcado);
    cliente.setStandardOutputFile(QProcess::nullDevice());
    return ejecutarCliente(cliente, QStringLiteral("mariadb"), error);
}

std::optional<QByteArray> ServidorDePrueba::consultar(const QByteArray& sentencias,
                                                      QString& error) {
    const QString archivo = carpeta_ + QStringLiteral("/consulta.sql");
    QFile f(archivo);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(sentencias) != sentencias.size() || !f.flush()) {
        error = QStringLiteral("No se pudo escribir ") + archivo + QStringLiteral(": ") +
                f.errorString();
        return std::nullopt;
    }
    f.close();
    QProcess cliente;
    cliente.setStandardInputFile(archivo);
    if (!ejecutarCliente(cliente, QStringLiteral("mariadb"), error))
        return std::nullopt;
    return cliente.readAllStandardOutput();
}

bool ServidorDePrueba::ejecutarCliente(QProcess& cliente, const QString& paso, QString& error) {
    if (!servidor_ || servidor_->state() != QProcess::Running) {
        error = QStringLiteral("El servidor de prueba no está en marcha");
        return false;
    }
    conPadre(cliente);
    cliente.start(programa("mariadb"), argumentosDeCliente());
    return esperar(cliente, paso, error);
}

bool ServidorDePrueba::esperar(QProcess& proceso, const QString& paso, QString& error) {
    if (!proceso.waitForStarted()) {
        error = paso + QStringLiteral(": ") + proceso.errorString();
        return false;
    }
    QByteArray salida;
    while (proceso.state() != QProcess::NotRunning) {
        if (limite_.hasExpired()) {
            proceso.kill();
            proceso.waitForFinished();
            error = QStringLiteral("Tiempo agotado en ") + paso;
            return false;
        }
        bomba_.pump();
        proceso.waitForFinished(kPausaMs);
    }
    if (proceso.exitStatus() == QProcess::NormalExit && proceso.exitCode() == 0)
        return true;
    QByteArray motivo = proceso.readAllStandardError().trimmed();
    if (motivo.isEmpty())
        motivo = proceso.readAllStandardOutput().trimmed();
    // The client repeats the whole failing statement before its error; the error is enough.
    if (const qsizetype desde = motivo.lastIndexOf("ERROR "); desde >= 0)
        motivo = motivo.mid(desde);
    error = QString::fromLocal8Bit(motivo).simplified();
    if (error.isEmpty())
        error = paso + QStringLiteral(" terminó con código ") + QString::number(proceso.exitCode());
    return false;
}

void ServidorDePrueba::detener() {
    if (servidor_) {
        servidor_->kill();
        servidor_->waitForFinished();
        servidor_.reset();
    }
    pidActivo = 0;
    QDir(carpeta_).removeRecursively();
    carpetaSocket_.reset();
    carpetaActiva.clear();
    carpetaSocketActiva.clear();
}

void ServidorDePrueba::Descartar() {
    if (pidActivo > 0) {
        ::kill(pidActivo, SIGKILL);
        ::waitpid(pidActivo, nullptr, 0);
        pidActivo = 0;
    }
    for (std::string* carpeta : {&carpetaActiva, &carpetaSocketActiva}) {
        if (!carpeta->empty())
            QDir(QFile::decodeName(QByteArray::fromStdString(*carpeta))).removeRecursively();
        carpeta->clear();
    }
}

} // namespace zarvento
