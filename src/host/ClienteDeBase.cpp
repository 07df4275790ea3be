#include "host/ClienteDeBase.h"

#include "host/RutasLocales.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace zarvento {

namespace {

// A value of an options file: quoted, so "#" and blanks are kept, with the file's escapes.
QByteArray valorDeOpcion(const QString& valor) {
    QByteArray texto = valor.toUtf8();
    texto.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n").replace('\r', "\\r");
    texto.replace('\t', "\\t");
    return '"' + texto + '"';
}

// The [client] group that tells the tools where the server is and who connects.
std::optional<QByteArray> opcionesDeConexion(const ServidorDeBase& s, QString& error) {
    QByteArray texto = "[client]\nuser=" + valorDeOpcion(s.usuario) +
                       "\npassword=" + valorDeOpcion(s.password) + '\n';
    if (s.servidor.startsWith('/'))
        return texto + "protocol=socket\nsocket=" + valorDeOpcion(s.servidor) + '\n';

    static const QRegularExpression forma(
        QStringLiteral(R"(^(?:\[([0-9A-Fa-f:.]+)\]|([^:\[\]\s]+))(?::(\d{1,5}))?$)"));
    const auto partes = forma.match(s.servidor.trimmed());
    const int puerto = partes.captured(3).toInt();
    if (!partes.hasMatch() || (partes.hasCaptured(3) && (puerto < 1 || puerto > 65535))) {
        error = QStringLiteral("Servidor de base no válido: ") + s.servidor;
        return std::nullopt;
    }
    const QString host = partes.hasCaptured(1) ? partes.captured(1) : partes.captured(2);
    texto += "host=" + valorDeOpcion(host) + '\n';
    // Without a port, "localhost" keeps meaning the server's usual local socket.
    if (partes.hasCaptured(3))
        texto += "protocol=tcp\nport=" + QByteArray::number(puerto) + '\n';
    return texto;
}

// An open descriptor, closed with its owner.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

QString motivoDeSistema() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool escribirTodo(int fd, const QByteArray& datos) {
    for (qsizetype hecho = 0; hecho < datos.size();) {
        const ssize_t escrito = ::write(fd, datos.constData() + hecho, datos.size() - hecho);
        if (escrito < 0 && errno != EINTR)
            return false;
        hecho += std::max<ssize_t>(escrito, 0);
    }
    return true;
}

bool terminaCompleto(int fd) {
    struct stat datos {};
    if (::fstat(fd, &datos) != 0 || datos.st_size == 0)
        return false;
    char cola[200];
    const off_t desde = std::max<off_t>(0, datos.st_size - off_t(sizeof cola));
    const ssize_t leido = ::pread(fd, cola, sizeof cola, desde);
    return leido > 0 && QByteArray::fromRawData(cola, leido).contains("\n-- Dump completed");
}

QString duracion(std::chrono::milliseconds limite) {
    if (limite.count() % 60000 == 0)
        return QString::number(limite.count() / 60000) + QStringLiteral(" minutos");
    return QString::number((limite.count() + 999) / 1000) + QStringLiteral(" segundos");
}

QString textoSql(const QString& texto) {
    QString entre = texto;
    entre.replace('\\', QStringLiteral("\\\\")).replace('\'', QStringLiteral("\\'"));
    return '\'' + entre + '\'';
}

// Whether some process holds a lock on the file: asked of the file itself when it can be
// opened, else looked up in the kernel's table of locks.
bool archivoBloqueado(const QString& ruta) {
    const QByteArray nativa = rutas::aBytes(ruta);
    const int fd = ::open(nativa.constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        struct flock candado {};
        candado.l_type = F_RDLCK;
        candado.l_whence = SEEK_SET;
        const bool bloqueado = ::fcntl(fd, F_GETLK, &candado) == 0 && candado.l_type != F_UNLCK;
        ::close(fd);
        return bloqueado;
    }
    struct stat datos {};
    if (::stat(nativa.constData(), &datos) != 0)
        return false;
    QFile tabla(QStringLiteral("/proc/locks"));
    if (!tabla.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QByteArray clave = QByteArray::number(major(datos.st_dev), 16).rightJustified(2, '0') +
                             ':' +
                             QByteArray::number(minor(datos.st_dev), 16).rightJustified(2, '0') +
                             ':' + QByteArray::number(static_cast<qulonglong>(datos.st_ino));
    for (const QByteArray& linea : tabla.readAll().split('\n')) {
        if (linea.split(' ').contains(clave))
            return true;
    }
    return false;
}

} // namespace

ClienteDeBase::ClienteDeBase(ServidorDeBase servidor, EventPump& bomba,
                             std::chrono::milliseconds limite)
    : servidor_(std::move(servidor)), bomba_(bomba), limite_(limite) {}

bool ClienteDeBase::Volcar(const QString& base, const QString& archivo, QString& error,
                           const AvisoDeBloqueo& alBloquear) {
    const auto sinTransacciones = tablasSinTransacciones(base, error);
    if (!sinTransacciones)
        return false;
    if (!sinTransacciones->isEmpty() && alBloquear)
        alBloquear(*sinTransacciones);

    // The dump holds the shop's data: it is private from the start. It is written to a file
    // without a name, named only once complete, so a dump cut short (by a failure, or by the
    // program ending) leaves nothing behind; a file system without such files gets the name at
    // once.
    const QByteArray nombre = rutas::aBytes(archivo);
    Descriptor volcado{::open(rutas::aBytes(QFileInfo(archivo).absolutePath()).constData(),
                              O_TMPFILE | O_RDWR | O_CLOEXEC, 0600)};
    const bool conNombre = volcado.fd < 0;
    if (conNombre)
        volcado.fd = ::open(nombre.constData(), O_CREAT | O_TRUNC | O_RDWR | O_CLOEXEC, 0600);
    if (volcado.fd < 0 || (conNombre && ::fchmod(volcado.fd, 0600) != 0)) {
        error = QStringLiteral("No se pudo crear ") + archivo + QStringLiteral(": ") +
                motivoDeSistema();
        return false;
    }
    // One transaction sees every table with transactions at one instant without stopping the
    // shop; a table without them is only consistent while nobody can write to the database.
    const QString consistencia = sinTransacciones->isEmpty()
                                     ? QStringLiteral("--single-transaction")
                                     : QStringLiteral("--lock-tables");
    QByteArray salida;
    bool hecho = Ejecutar(QStringLiteral("mariadb-dump"),
                          {consistencia, QStringLiteral("--quick"), QStringLiteral("--routines"),
                           QStringLiteral("--events"), QStringLiteral("--triggers"),
                           QStringLiteral("--hex-blob"), QStringLiteral("--databases"),
                           QStringLiteral("--"), base},
                          salida, error, {QString(), volcado.fd});
    if (hecho && !terminaCompleto(volcado.fd)) {
        hecho = false;
        error = QStringLiteral("El volcado de ") + base + QStringLiteral(" quedó incompleto");
    }
    if (hecho && !conNombre) {
        ::unlink(nombre.constData());
        const QByteArray enProc = "/proc/self/fd/" + QByteArray::number(volcado.fd);
        hecho = ::linkat(AT_FDCWD, enProc.constData(), AT_FDCWD, nombre.constData(),
                         AT_SYMLINK_FOLLOW) == 0;
        if (!hecho)
            error = QStringLiteral("No se pudo nombrar ") + archivo + QStringLiteral(": ") +
                    motivoDeSistema();
    }
    if (!hecho && conNombre)
        ::unlink(nombre.constData());
    return hecho;
}

std::optional<QStringList> ClienteDeBase::Bases(QString& error) {
    QByteArray salida;
    if (!Ejecutar(QStringLiteral("mariadb"),
                  {QStringLiteral("--batch"), QStringLiteral("--skip-column-names"),
                   QStringLiteral("--execute=SHOW DATABASES")},
                  salida, error))
        return std::nullopt;
    return QString::fromUtf8(salida).split('\n', Qt::SkipEmptyParts);
}

std::optional<QStringList> ClienteDeBase::tablasSinTransacciones(const QString& base,
                                                                 QString& error) {
    QByteArray salida;
    if (!Ejecutar(QStringLiteral("mariadb"),
                  {QStringLiteral("--batch"), QStringLiteral("--skip-column-names"),
                   QStringLiteral("--execute=SELECT TABLE_NAME FROM information_schema.TABLES"
                                  " JOIN information_schema.ENGINES USING (ENGINE)"
                                  " WHERE TABLE_TYPE = 'BASE TABLE' AND TRANSACTIONS <> 'YES'"
                                  " AND TABLE_SCHEMA = ") +
                       textoSql(base) + QStringLiteral(" ORDER BY TABLE_NAME")},
                  salida, error))
        return std::nullopt;
    return QString::fromUtf8(salida).split('\n', Qt::SkipEmptyParts);
}

QString ClienteDeBase::BaseDeCarpeta(const QString& carpeta) {
    QString nombre = QDir::cleanPath(carpeta);
    nombre = nombre.mid(nombre.lastIndexOf('/') + 1);
    static const QRegularExpression codigo(QStringLiteral("@([0-9a-fA-F]{4})"));
    QString base;
    qsizetype desde = 0;
    for (auto it = codigo.globalMatch(nombre); it.hasNext();) {
        const auto m = it.next();
        base += nombre.mid(desde, m.capturedStart() - desde) +
                QChar(static_cast<char16_t>(m.captured(1).toUShort(nullptr, 16)));
        desde = m.capturedEnd();
    }
    return base + nombre.mid(desde);
}

bool ClienteDeBase::Ejecutar(const QString& programa, const QStringList& argumentos,
                             QByteArray& salida, QString& error, const CanalesDeCliente& canales) {
    const auto opciones = opcionesDeConexion(servidor_, error);
    if (!opciones)
        return false;
    // The tools ignore an options file that others may write, and a memory file starts out
    // writable by all.
    const Descriptor enMemoria{::memfd_create("zarvento-base", MFD_CLOEXEC)};
    if (enMemoria.fd < 0 || ::fchmod(enMemoria.fd, 0600) != 0 ||
        !escribirTodo(enMemoria.fd, *opciones)) {
        error = QStringLiteral("No se pudieron preparar las opciones de conexión: ") +
                motivoDeSistema();
        return false;
    }

    QProcess proceso;
    if (!canales.entrada.isEmpty())
        proceso.setStandardInputFile(canales.entrada);
    if (canales.salida >= 0)
        proceso.setStandardOutputFile(QProcess::nullDevice());
    // In the child, between fork and exec: only async-signal-safe calls.
    proceso.setChildProcessModifier(
        [opcionesFd = enMemoria.fd, salidaFd = canales.salida, padre = ::getpid()] {
            ::fcntl(opcionesFd, F_SETFD, 0);
            if (salidaFd >= 0)
                ::dup2(salidaFd, STDOUT_FILENO);
            // The tool ends with the program, however the program ends.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != padre)
                ::_exit(127);
        });
    proceso.start(programa, QStringList{QStringLiteral("--defaults-extra-file=/dev/fd/") +
                                        QString::number(enMemoria.fd)} +
                                argumentos);
    if (!proceso.waitForStarted()) {
        error = programa + QStringLiteral(": ") + proceso.errorString();
        return false;
    }
    const QDeadlineTimer plazo(limite_);
    while (proceso.state() != QProcess::NotRunning) {
        if (plazo.hasExpired()) {
            proceso.kill();
            proceso.waitForFinished(-1);
            error = programa + QStringLiteral(" no terminó en el tiempo máximo de ") +
                    duracion(limite_);
            return false;
        }
        bomba_.pump();
        proceso.waitForFinished(kPausaBombaMs);
    }
    salida = proceso.readAllStandardOutput();
    if (proceso.exitStatus() == QProcess::NormalExit && proceso.exitCode() == 0)
        return true;
    error = QString::fromLocal8Bit(proceso.readAllStandardError()).simplified();
    if (error.isEmpty())
        error =
            programa + QStringLiteral(" terminó con código ") + QString::number(proceso.exitCode());
    return false;
}

bool CarpetaDeServidorActivo(const QString& carpeta) {
    const QString ruta = QDir::cleanPath(carpeta);
    for (const QString& datos : {ruta, QFileInfo(ruta).path()}) {
        for (const char* archivo : {"ibdata1", "aria_log_control"}) {
            if (archivoBloqueado(datos + '/' + QString::fromLatin1(archivo)))
                return true;
        }
    }
    return false;
}

} // namespace zarvento
