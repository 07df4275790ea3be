#include "host/ClienteDeBase.h"

#include "host/RutasLocales.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <fcntl.h>
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

bool terminaCompleto(const QString& archivo) {
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly) || f.size() == 0)
        return false;
    f.seek(std::max<qint64>(0, f.size() - 200));
    return f.readAll().contains("\n-- Dump completed");
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

ClienteDeBase::ClienteDeBase(ServidorDeBase servidor, EventPump& bomba)
    : servidor_(std::move(servidor)), bomba_(bomba) {}

bool ClienteDeBase::Volcar(const QString& base, const QString& archivo, QString& error) {
    // The dump holds the shop's data: it is made private before anything is written to it.
    QFile destino(archivo);
    if (!destino.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !destino.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
        error = QStringLiteral("No se pudo crear ") + archivo + QStringLiteral(": ") +
                destino.errorString();
        return false;
    }
    destino.close();
    QByteArray salida;
    const bool hecho = ejecutar(QStringLiteral("mariadb-dump"),
                                {QStringLiteral("--single-transaction"), QStringLiteral("--quick"),
                                 QStringLiteral("--routines"), QStringLiteral("--events"),
                                 QStringLiteral("--triggers"), QStringLiteral("--hex-blob"),
                                 QStringLiteral("--result-file=") + archivo,
                                 QStringLiteral("--databases"), QStringLiteral("--"), base},
                                salida, error);
    if (hecho && !terminaCompleto(archivo))
        error = QStringLiteral("El volcado de ") + base + QStringLiteral(" quedó incompleto");
    if (hecho && error.isEmpty())
        return true;
    QFile::remove(archivo);
    return false;
}

std::optional<QStringList> ClienteDeBase::Bases(QString& error) {
    QByteArray salida;
    if (!ejecutar(QStringLiteral("mariadb"),
                  {QStringLiteral("--batch"), QStringLiteral("--skip-column-names"),
                   QStringLiteral("--execute=SHOW DATABASES")},
                  salida, error))
        return std::nullopt;
    return QString::fromUtf8(salida).split('\n', Qt::SkipEmptyParts);
}

bool ClienteDeBase::Cargar(const QString& archivo, QString& error) {
    QByteArray salida;
    return ejecutar(QStringLiteral("mariadb"), {QStringLiteral("--batch")}, salida, error, archivo);
}

bool ClienteDeBase::Ejecutar(const QString& sentencia, QString& error) {
    QByteArray salida;
    return ejecutar(QStringLiteral("mariadb"),
                    {QStringLiteral("--batch"), QStringLiteral("--execute=") + sentencia}, salida,
                    error);
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

bool ClienteDeBase::ejecutar(const QString& programa, const QStringList& argumentos,
                             QByteArray& salida, QString& error, const QString& entrada) {
    const auto opciones = opcionesDeConexion(servidor_, error);
    if (!opciones)
        return false;
    // QTemporaryFile makes the file readable and writable by its owner only.
    QTemporaryFile archivoOpciones(QDir::tempPath() + QStringLiteral("/zarvento-base-XXXXXX.cnf"));
    if (!archivoOpciones.open() || archivoOpciones.write(*opciones) != opciones->size() ||
        !archivoOpciones.flush()) {
        error = QStringLiteral("No se pudo escribir el archivo de opciones: ") +
                archivoOpciones.errorString();
        return false;
    }

    QProcess proceso;
    if (!entrada.isEmpty())
        proceso.setStandardInputFile(entrada);
    proceso.start(programa, QStringList{QStringLiteral("--defaults-extra-file=") +
                                        archivoOpciones.fileName()} +
                                argumentos);
    if (!proceso.waitForStarted()) {
        error = programa + QStringLiteral(": ") + proceso.errorString();
        return false;
    }
    while (proceso.state() != QProcess::NotRunning) {
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
