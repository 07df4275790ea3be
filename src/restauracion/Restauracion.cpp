#include "restauracion/Restauracion.h"

#include "host/DeArchivos.h"
#include "host/RutasLocales.h"
#include "restauracion/CargaDeBase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace zarvento {

struct Restauracion::Trabajo {
    enum class Fin { Omitido, Hecho, Existente, Fallido }; // Omitido: cancelled first

    QString origen;  // in the store
    QString destino; // the restored file
    DatosArchivo datos;
    Fin fin = Fin::Omitido;
    QString error;
};

namespace {

QString conSeparador(const QString& ruta) {
    return ruta.endsWith('/') ? ruta : ruta + '/';
}

bool existe(const QString& ruta) {
    struct stat datos {};
    return ::lstat(rutas::aBytes(ruta).constData(), &datos) == 0;
}

QString errorDelSistema() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

mode_t mascaraDelUsuario() {
    const mode_t mascara = ::umask(0);
    ::umask(mascara);
    return mascara;
}

constexpr char kPrefijoTemporal[] = ".zv-restaurando-";

// A restored file while it is written: a file without a name in its folder where the file system
// has them, so nothing of it shows, or stays behind whatever becomes of the program. Elsewhere
// (network shares) a file under a hidden temporary name, locked while it is written, so that a
// later restore tells it from what a killed one left. Whatever has not taken the file's name
// when this ends is removed.
class ArchivoNuevo {
public:
    explicit ArchivoNuevo(QByteArray destino) : destino_(std::move(destino)) {
        const QByteArray carpeta = destino_.left(destino_.lastIndexOf('/') + 1);
        fd_ = ::open(carpeta.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd_ >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
            return;
        static std::atomic<unsigned> contador = 0;
        temporal_ = carpeta + kPrefijoTemporal + QByteArray::number(::getpid()) + '-' +
                    QByteArray::number(++contador);
        fd_ = ::open(temporal_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0)
            temporal_.clear();
        else if (::flock(fd_, LOCK_EX) != 0)
            cerrar();
    }
    ~ArchivoNuevo() { cerrar(); }
    ArchivoNuevo(const ArchivoNuevo&) = delete;
    ArchivoNuevo& operator=(const ArchivoNuevo&) = delete;

    int fd() const { return fd_; }

    // Gives the file its name when that is free (link, unlike rename, never replaces what has
    // it), and closes it; false with errno set, EEXIST when the name is taken.
    bool nombrar() {
        if (!(temporal_.isEmpty() ? enlazar()
                                  : ::link(temporal_.constData(), destino_.constData()) == 0))
            return false;
        // A file system may report a failed write only when the file is closed (shares).
        if (::close(std::exchange(fd_, -1)) == 0)
            return true;
        const int motivo = errno;
        ::unlink(destino_.constData());
        errno = motivo;
        return false;
    }

private:
    // By the descriptor where the system lets every user do so (Linux 6.10 on), else through
    // /proc.
    bool enlazar() const {
        if (::linkat(fd_, "", AT_FDCWD, destino_.constData(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != ENOENT && errno != EPERM)
            return false;
        const QByteArray enProc = "/proc/self/fd/" + QByteArray::number(fd_);
        return ::linkat(AT_FDCWD, enProc.constData(), AT_FDCWD, destino_.constData(),
                        AT_SYMLINK_FOLLOW) == 0;
    }

    void cerrar() {
        const int motivo = errno;
        if (fd_ >= 0)
            ::close(std::exchange(fd_, -1));
        if (!temporal_.isEmpty())
            ::unlink(std::exchange(temporal_, {}).constData());
        errno = motivo;
    }

    QByteArray destino_;
    QByteArray temporal_; // "" for a file without a name
    int fd_ = -1;
};

// Removes from a folder the temporary files of restores that were killed while writing them:
// those with this program's temporary names that no restore under way holds locked.
void borrarAbandonados(const QString& carpeta) {
    static const QRegularExpression propio(QStringLiteral("^\\.zv-restaurando-\\d+-\\d+$"));
    const QStringList nombres = QDir(carpeta).entryList(
        {QString::fromLatin1(kPrefijoTemporal) + '*'}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& nombre : nombres) {
        if (!propio.match(nombre).hasMatch())
            continue;
        const QByteArray ruta = rutas::aBytes(carpeta + '/' + nombre);
        const int fd = ::open(ruta.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat datos {};
        if (fd >= 0 && ::fstat(fd, &datos) == 0 && S_ISREG(datos.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(ruta.constData());
        if (fd >= 0)
            ::close(fd);
    }
}

// Two copies at once keep a local disk busy the way cp does alone: one thread waits on each
// new file while the other copies.
constexpr int kHilosLocales = 2;

} // namespace

Restauracion::Restauracion(AlmacenDeCopias& almacen, LugarDeCopias lugar, EventPump& bomba,
                           Avisos avisos)
    : almacen_(almacen), lugar_(std::move(lugar)), bomba_(bomba), avisos_(std::move(avisos)) {}

void Restauracion::servidorDeBase(ServidorDeBase servidor, QString carpetaSeguridad,
                                  const Clock& reloj) {
    servidor_ = std::move(servidor);
    carpetaSeguridad_ = std::move(carpetaSeguridad);
    reloj_ = &reloj;
}

ResumenDeRestauracion Restauracion::restaurar(const CopiaDisponible& copia,
                                              const PedidoDeRestauracion& pedido) {
    QElapsedTimer cronometro;
    cronometro.start();
    ResumenDeRestauracion resumen;
    std::vector<RutaRegistrada> rutas = elegidas(copia, pedido, resumen);
    total_ = hechos_ = 0;
    for (RutaRegistrada& ruta : rutas) {
        if (!copia.registro)
            archivosDe(ruta);
        for (const ArchivoRegistrado& archivo : ruta.archivos)
            total_ += archivo.datos.tamano;
    }
    for (const RutaRegistrada& ruta : rutas) {
        if (cancelada_)
            break;
        const QString destino =
            conSeparador(conSeparador(pedido.carpeta) + CarpetaDeRestauracion(ruta, copia, lugar_));
        // Files put into a running server's data folder behind its back damage its databases.
        if (CarpetaDeServidorActivo(destino)) {
            resumen.fallas.append(QStringLiteral("No se restaura ") + ruta.origen +
                                  QStringLiteral(" en ") + destino +
                                  QStringLiteral(": es la carpeta de un servidor de base de "
                                                 "datos en marcha"));
            avisos_.linea(resumen.fallas.last());
            continue;
        }
        restaurarRuta(ruta, destino, pedido, resumen);
        if (pedido.base && !ruta.base.isEmpty() && !cancelada_) {
            if (pedido.prueba)
                avisos_.linea(QStringLiteral("Se cargaría la base ") + ruta.base);
            else
                cargarBase(ruta, resumen);
        }
    }
    if (pedido.base && std::none_of(rutas.begin(), rutas.end(),
                                    [](const RutaRegistrada& r) { return !r.base.isEmpty(); }))
        resumen.fallas.append(QStringLiteral("La copia no tiene volcado de base de datos"));
    resumen.cancelada = cancelada_;
    if (resumen.cancelada)
        avisos_.linea(QStringLiteral("Restauración cancelada"));
    resumen.milisegundos = cronometro.elapsed();
    return resumen;
}

std::vector<RutaRegistrada> Restauracion::elegidas(const CopiaDisponible& copia,
                                                   const PedidoDeRestauracion& pedido,
                                                   ResumenDeRestauracion& resumen) {
    std::vector<RutaRegistrada> todas = copia.rutas();
    if (pedido.rutas.isEmpty())
        return todas;
    const auto comoCarpeta = [](const QString& ruta) { return QDir::cleanPath(ruta) + '/'; };
    std::vector<RutaRegistrada> elegidas;
    for (const QString& pedida : pedido.rutas) {
        const auto hallada = std::find_if(todas.begin(), todas.end(), [&](const RutaRegistrada& r) {
            return comoCarpeta(r.origen) == comoCarpeta(pedida);
        });
        if (hallada == todas.end())
            resumen.fallas.append(QStringLiteral("La copia no tiene la ruta ") + pedida);
        else
            elegidas.push_back(*hallada);
    }
    return elegidas;
}

// A copy without a record: its files as its folders list them now, hidden ones left out as a
// run leaves them out.
void Restauracion::archivosDe(RutaRegistrada& ruta) {
    QStringList pendientes{QString()};
    while (!pendientes.isEmpty()) {
        const QString relativa = pendientes.takeFirst();
        QString error;
        const auto entradas = almacen_.listar(lugar_.raiz + ruta.destino + relativa, error);
        if (!entradas) {
            avisos_.linea(QStringLiteral("No se puede leer ") + ruta.destino + relativa +
                          QStringLiteral(": ") + error);
            continue;
        }
        for (const EntradaDeCopia& e : *entradas) {
            if (e.nombre.startsWith('.'))
                continue;
            if (e.carpeta)
                pendientes.append(relativa + e.nombre + '/');
            else
                ruta.archivos.push_back(
                    {relativa + e.nombre, {e.tamano, e.modificado.toSecsSinceEpoch()}});
        }
    }
}

void Restauracion::restaurarRuta(const RutaRegistrada& ruta, const QString& destino,
                                 const PedidoDeRestauracion& pedido,
                                 ResumenDeRestauracion& resumen) {
    bomba_.pump();
    avisos_.linea(QStringLiteral("Restaurando ") + rutas::legible(ruta.origen) +
                  QStringLiteral(" en ") + rutas::legible(destino) + QStringLiteral(" (") +
                  QString::number(ruta.archivos.size()) + QStringLiteral(" archivos)"));
    std::vector<Trabajo> trabajos;
    QSet<QString> carpetas;
    for (const ArchivoRegistrado& archivo : ruta.archivos) {
        const QString final = destino + archivo.ruta;
        if (existe(final)) {
            ++resumen.existentes;
            avisos_.linea(QStringLiteral("Ya existe, no se restaura: ") + rutas::legible(final));
            continue;
        }
        if (pedido.prueba) {
            ++resumen.archivos;
            resumen.bytes += archivo.datos.tamano;
            avisos_.linea(QStringLiteral("Se restauraría: ") + rutas::legible(final));
            continue;
        }
        carpetas.insert(final.left(final.lastIndexOf('/')));
        trabajos.push_back({lugar_.raiz + ruta.destino + archivo.ruta,
                            final,
                            archivo.datos,
                            Trabajo::Fin::Omitido,
                            {}});
    }
    for (const QString& carpeta : carpetas) {
        if (existe(carpeta))
            borrarAbandonados(carpeta);
        else if (!DeArchivos::CreaRuta(carpeta)) {
            resumen.fallas.append(QStringLiteral("No se pudo crear la carpeta ") +
                                  rutas::legible(carpeta));
            avisos_.linea(resumen.fallas.last());
        }
    }
    ejecutar(trabajos, resumen);
}

void Restauracion::ejecutar(std::vector<Trabajo>& trabajos, ResumenDeRestauracion& resumen) {
    // A large file's progress as the copy reports it; the window's thread shows it.
    struct {
        std::mutex candado;
        QString archivo;
        qint64 hechos = 0;
        qint64 total = 0;
        int mostrado = 0;
    } grande;
    std::atomic<qint64> bytesTerminados{0};
    const auto mostrar = [&] {
        std::lock_guard bloqueo(grande.candado);
        qint64 parcial = 0;
        if (grande.total > 0 && grande.hechos < grande.total) {
            parcial = grande.hechos;
            // Every step of 10 % passed since the last look, so none is missed.
            for (const int porciento = int(grande.hechos * 10 / grande.total) * 10;
                 grande.mostrado < porciento;) {
                grande.mostrado += 10;
                if (avisos_.archivoGrande)
                    avisos_.archivoGrande(rutas::legible(grande.archivo), grande.mostrado);
            }
        }
        if (avisos_.avance)
            avisos_.avance(hechos_ + bytesTerminados + parcial, total_);
    };
    const auto principal = std::this_thread::get_id();
    const auto progreso = [&](const QString& archivo) {
        return [&, archivo](qint64 hechos, qint64 total) {
            {
                std::lock_guard bloqueo(grande.candado);
                if (grande.archivo != archivo)
                    grande.mostrado = 0;
                grande.archivo = archivo;
                grande.hechos = hechos;
                grande.total = total;
            }
            if (std::this_thread::get_id() == principal)
                mostrar();
            return !cancelada_;
        };
    };
    const auto uno = [&](Trabajo& trabajo) {
        restaurarArchivo(trabajo, progreso(trabajo.destino));
        bytesTerminados += trabajo.datos.tamano;
    };

    if (!almacen_.enParalelo()) {
        for (Trabajo& trabajo : trabajos) {
            bomba_.pump();
            if (cancelada_)
                break;
            uno(trabajo);
            mostrar();
        }
    } else {
        std::atomic<std::size_t> siguiente{0};
        std::atomic<int> hilosActivos{kHilosLocales};
        std::vector<std::thread> hilos;
        for (int h = 0; h < kHilosLocales; ++h) {
            hilos.emplace_back([&] {
                for (std::size_t i; !cancelada_ && (i = siguiente++) < trabajos.size();)
                    uno(trabajos[i]);
                --hilosActivos;
            });
        }
        while (hilosActivos > 0) {
            bomba_.pump();
            mostrar();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        for (std::thread& hilo : hilos)
            hilo.join();
        mostrar();
    }
    hechos_ += bytesTerminados;

    for (const Trabajo& trabajo : trabajos) {
        switch (trabajo.fin) {
        case Trabajo::Fin::Omitido:
            break;
        case Trabajo::Fin::Hecho:
            ++resumen.archivos;
            resumen.bytes += trabajo.datos.tamano;
            break;
        case Trabajo::Fin::Existente:
            ++resumen.existentes;
            avisos_.linea(QStringLiteral("Ya existe, no se restaura: ") +
                          rutas::legible(trabajo.destino));
            break;
        case Trabajo::Fin::Fallido:
            resumen.fallas.append(QStringLiteral("No se restauró ") +
                                  rutas::legible(trabajo.destino) + QStringLiteral(": ") +
                                  trabajo.error);
            avisos_.linea(resumen.fallas.last());
            break;
        }
    }
}

// Runs on any thread when the store allows it.
bool Restauracion::restaurarArchivo(Trabajo& trabajo, const AlmacenDeCopias::Progreso& progreso) {
    static const mode_t permisos = 0666 & ~mascaraDelUsuario();
    const auto fallar = [&](const QString& error) {
        trabajo.error = error;
        // A transfer stopped by a cancel is no failure: the file is only not restored.
        trabajo.fin = cancelada_ ? Trabajo::Fin::Omitido : Trabajo::Fin::Fallido;
        return false;
    };
    ArchivoNuevo nuevo(rutas::aBytes(trabajo.destino));
    if (nuevo.fd() < 0)
        return fallar(errorDelSistema());
    if (!almacen_.traer(trabajo.origen, nuevo.fd(), trabajo.destino, trabajo.datos.tamano, progreso,
                        trabajo.error))
        return fallar(trabajo.error);
    struct stat leido {};
    if (::fstat(nuevo.fd(), &leido) != 0)
        return fallar(errorDelSistema());
    // A copy cut short at the destination is not its backed-up content.
    if (leido.st_size != trabajo.datos.tamano)
        return fallar(QStringLiteral("mide %1 bytes en la copia, y %2 en su registro")
                          .arg(leido.st_size)
                          .arg(trabajo.datos.tamano));
    const timespec tiempos[2] = {{trabajo.datos.modificado, 0}, {trabajo.datos.modificado, 0}};
    if (::fchmod(nuevo.fd(), permisos) != 0 || ::futimens(nuevo.fd(), tiempos) != 0)
        return fallar(errorDelSistema());
    if (!nuevo.nombrar()) {
        const bool yaEstaba = errno == EEXIST;
        fallar(errorDelSistema());
        if (yaEstaba)
            trabajo.fin = Trabajo::Fin::Existente;
        return false;
    }
    trabajo.fin = Trabajo::Fin::Hecho;
    return true;
}

void Restauracion::cargarBase(const RutaRegistrada& ruta, ResumenDeRestauracion& resumen) {
    const QString archivo = ruta.base + QStringLiteral(".sql");
    QString error;
    QTemporaryDir privada(QDir::tempPath() + QStringLiteral("/zarvento-base-XXXXXX"));
    const QString volcado = privada.filePath(archivo);
    const auto registrado =
        std::find_if(ruta.archivos.begin(), ruta.archivos.end(),
                     [&](const ArchivoRegistrado& a) { return a.ruta == archivo; });
    const qint64 tamano = registrado == ruta.archivos.end() ? 0 : registrado->datos.tamano;
    QFile copia(volcado);
    bool cargada = false;
    if (!servidor_)
        error = QStringLiteral("no hay servidor de base de datos en los ajustes");
    else if (!privada.isValid() || !copia.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        error = QStringLiteral("no se pudo traer su volcado: ") + copia.errorString();
    else if (!almacen_.traer(lugar_.raiz + ruta.destino + archivo, copia.handle(), volcado, tamano,
                             {}, error))
        error = QStringLiteral("no se pudo traer su volcado: ") + error;
    // A dump cut short at the destination may still end on a whole statement: loaded, it would
    // leave the database with only part of its rows.
    else if (registrado != ruta.archivos.end() && QFileInfo(volcado).size() != tamano)
        error = QStringLiteral("su volcado mide %1 bytes en la copia, y %2 en su registro")
                    .arg(QFileInfo(volcado).size())
                    .arg(tamano);
    else
        cargada = CargaDeBase(*servidor_, bomba_, carpetaSeguridad_, *reloj_)
                      .cargar(ruta.base, volcado, avisos_.linea, error);
    if (cargada) {
        ++resumen.bases;
        avisos_.linea(QStringLiteral("Base restaurada: ") + ruta.base);
        return;
    }
    resumen.fallas.append(QStringLiteral("Base ") + ruta.base + QStringLiteral(" no restaurada: ") +
                          error);
    avisos_.linea(resumen.fallas.last());
}

} // namespace zarvento
