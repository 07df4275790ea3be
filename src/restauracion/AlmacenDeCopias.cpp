#include "restauracion/AlmacenDeCopias.h"

#include "engine/FolderListing.h"
#include "host/RutasLocales.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvento {

namespace {

QString motivoDelSistema(const QString& que, const QString& ruta) {
    return que + ' ' + rutas::legible(ruta) + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(errno));
}

// Closes a descriptor at the end of its scope.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

bool escribirTodo(int fd, const char* datos, ssize_t tamano) {
    for (ssize_t escrito = 0; escrito < tamano;) {
        const ssize_t n = ::write(fd, datos + escrito, size_t(tamano - escrito));
        if (n < 0 && errno != EINTR)
            return false;
        escrito += std::max<ssize_t>(n, 0);
    }
    return true;
}

// Files at or above this size report their progress.
constexpr qint64 kArchivoGrande = 8 << 20;

} // namespace

std::unique_ptr<AlmacenDeCopias> AlmacenDeCopias::para(const LugarDeCopias& lugar,
                                                       EventPump& bomba) {
    if (lugar.ftp)
        return std::make_unique<AlmacenFTP>(lugar, bomba);
    return std::make_unique<AlmacenLocal>();
}

QString AlmacenDeCopias::legible(const QString& archivo, const QString& local, qint64 tamano,
                                 QString& error) {
    const Descriptor copia{
        ::open(rutas::aBytes(local).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
    if (copia.fd < 0) {
        error = motivoDelSistema(QStringLiteral("No se puede crear"), local);
        return {};
    }
    return traer(archivo, copia.fd, local, tamano, {}, error) ? local : QString();
}

std::optional<QList<EntradaDeCopia>> AlmacenLocal::listar(const QString& carpeta, QString& error) {
    const ListadoCarpeta listado = LectorCarpetas().listar(carpeta, ConDatos::Si);
    if (!listado.completo) {
        error = QStringLiteral("No se puede leer ") + rutas::legible(carpeta);
        return std::nullopt;
    }
    QList<EntradaDeCopia> entradas;
    for (const EntradaCarpeta& e : listado.entradas) {
        if (e.tipo == EntradaCarpeta::Tipo::Otro)
            continue;
        const DatosArchivo datos = e.datos.value_or(DatosArchivo{});
        entradas.append({e.nombre, e.tipo == EntradaCarpeta::Tipo::Carpeta, datos.tamano,
                         QDateTime::fromSecsSinceEpoch(datos.modificado, Qt::UTC)});
    }
    return entradas;
}

std::optional<QByteArray> AlmacenLocal::leer(const QString& archivo, QString& error) {
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly)) {
        error = f.errorString();
        return std::nullopt;
    }
    return f.readAll();
}

bool AlmacenLocal::traer(const QString& archivo, int local, const QString& nombreLocal,
                         qint64 tamano, const Progreso& progreso, QString& error) {
    const Descriptor origen{::open(rutas::aBytes(archivo).constData(), O_RDONLY | O_CLOEXEC)};
    if (origen.fd < 0) {
        error = motivoDelSistema(QStringLiteral("No se puede abrir"), archivo);
        return false;
    }
    // The kernel copies without the data passing through here (and shares blocks where the
    // file system can); a large file goes in pieces, so its progress can be shown. Between two
    // file systems (a backup disk restored to this one) the kernel refuses, and the data is
    // read and written here.
    const size_t pieza = tamano >= kArchivoGrande ? size_t(4) << 20 : size_t(1) << 30;
    QByteArray leido;
    for (qint64 hechos = 0;;) {
        ssize_t n = 0;
        if (leido.isEmpty()) {
            n = ::copy_file_range(origen.fd, nullptr, local, nullptr, pieza, 0);
            if (n < 0 && hechos == 0 &&
                (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                leido.resize(1 << 20);
                continue;
            }
        } else if ((n = ::read(origen.fd, leido.data(), leido.size())) > 0 &&
                   !escribirTodo(local, leido.constData(), n)) {
            error = motivoDelSistema(QStringLiteral("No se puede escribir"), nombreLocal);
            return false;
        }
        if (n == 0)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = motivoDelSistema(QStringLiteral("No se pudo copiar"), archivo);
            return false;
        }
        hechos += n;
        if (tamano >= kArchivoGrande && progreso && !progreso(hechos, tamano)) {
            error = QStringLiteral("detenida");
            return false;
        }
    }
}

bool AlmacenLocal::copiarDeNuevo(const QString& archivo, QString& error) {
    const timespec tiempos[2] = {{0, UTIME_OMIT}, {0, 0}};
    if (::utimensat(AT_FDCWD, rutas::aBytes(archivo).constData(), tiempos, 0) == 0)
        return true;
    error = motivoDelSistema(QStringLiteral("No se puede cambiar la hora de"), archivo);
    return false;
}

bool AlmacenLocal::guardar(const QString& archivo, const QByteArray& contenido, QString& error) {
    QSaveFile nuevo(archivo);
    if (nuevo.open(QIODevice::WriteOnly) && nuevo.write(contenido) == contenido.size() &&
        nuevo.commit())
        return true;
    error = nuevo.errorString();
    return false;
}

AlmacenFTP::AlmacenFTP(const LugarDeCopias& lugar, EventPump& bomba) : lugar_(lugar) {
    ftp_.SetModePassive();
    ftp_.SetTransferBinary();
    ftp_.setEventPump([&bomba] { bomba.pump(); });
    ftp_.setFileTransferProgress([this](qint64& hechos, qint64& total) {
        if (progreso_ && !progreso_(hechos, total))
            ftp_.setBlSigue(false);
    });
}

bool AlmacenFTP::conectar(QString& error) {
    if (ftp_.OpenConnection(lugar_.servidor, lugar_.usuario, lugar_.password))
        return true;
    error = ftp_.GetLastErrorMessage();
    return false;
}

std::optional<QList<EntradaDeCopia>> AlmacenFTP::listar(const QString& carpeta, QString& error) {
    if (!conectar(error))
        return std::nullopt;
    const auto remotas = ftp_.FolderEntries(carpeta);
    if (!remotas) {
        error = ftp_.GetLastErrorMessage();
        return std::nullopt;
    }
    QList<EntradaDeCopia> entradas;
    for (const ftp::RemoteEntry& e : *remotas) {
        if (e.name != QLatin1String(".") && e.name != QLatin1String(".."))
            entradas.append({e.name, e.isFolder, e.size, e.modified});
    }
    return entradas;
}

std::optional<QByteArray> AlmacenFTP::leer(const QString& archivo, QString& error) {
    QBuffer leido;
    leido.open(QIODevice::WriteOnly);
    if (!conectar(error))
        return std::nullopt;
    if (!ftp_.SimpleFTPGetFile(leido, archivo, archivo)) {
        error = ftp_.GetLastErrorMessage();
        return std::nullopt;
    }
    return leido.data();
}

bool AlmacenFTP::traer(const QString& archivo, int local, const QString& nombreLocal, qint64 tamano,
                       const Progreso& progreso, QString& error) {
    // Buffered: a large file comes in blocks of a few hundred bytes, a system call each
    // unbuffered.
    QFile copia;
    if (!copia.open(local, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        error = copia.errorString();
        return false;
    }
    if (!conectar(error))
        return false;
    // A large file goes block by block with its progress (which costs a listing of its folder
    // for its size); the others in one piece, checked against the size the caller knows (a
    // file of no known size, 0, has its size asked for).
    progreso_ = progreso;
    ftp_.setBlSigue(true);
    const bool traido =
        tamano >= kArchivoGrande
            ? ftp_.FTPDownloadFile(copia, nombreLocal, archivo)
            : ftp_.SimpleFTPGetFile(copia, nombreLocal, archivo, tamano > 0 ? tamano : -1);
    progreso_ = nullptr;
    if (!traido) {
        error = ftp_.GetLastErrorMessage();
        return false;
    }
    if (!copia.flush()) {
        error = copia.errorString();
        return false;
    }
    return true;
}

bool AlmacenFTP::copiarDeNuevo(const QString& archivo, QString& error) {
    if (!conectar(error))
        return false;
    if (ftp_.DeleteFTPFile(archivo))
        return true;
    error = ftp_.GetLastErrorMessage();
    return false;
}

bool AlmacenFTP::guardar(const QString& archivo, const QByteArray& contenido, QString& error) {
    QTemporaryFile texto(QDir::tempPath() + QStringLiteral("/zarvento-guardado-XXXXXX"));
    if (!texto.open() || texto.write(contenido) != contenido.size() || !texto.flush()) {
        error = texto.errorString();
        return false;
    }
    if (!conectar(error))
        return false;
    if (ftp_.FTPUploadFile(texto.fileName(), archivo))
        return true;
    error = ftp_.GetLastErrorMessage();
    return false;
}

} // namespace zarvento
