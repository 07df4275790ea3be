#include "engine/FileCopier.h"

#include "host/RutasLocales.h"

#include <QElapsedTimer>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zarvento {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    void reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now, reporting a failed close (where a full disk may only show).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

QString systemError(const char* what) {
    return QString::fromLatin1(what) + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(errno));
}

constexpr char kPrefijoTemporal[] = ".zvtmp-";

// The temporary file of the copy in hand, readable from a signal handler: the path is only
// written while the flag is down.
char temporalEnCurso[PATH_MAX];
volatile std::sig_atomic_t hayTemporalEnCurso = 0;

void anotarTemporal(const QByteArray& ruta) {
    hayTemporalEnCurso = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (ruta.size() >= static_cast<qsizetype>(sizeof temporalEnCurso))
        return; // too long for the system to open anyway
    std::memcpy(temporalEnCurso, ruta.constData(), static_cast<size_t>(ruta.size()) + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    hayTemporalEnCurso = 1;
}

void olvidarTemporal() {
    hayTemporalEnCurso = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

// A new temporary name beside the destination, noted for the signal handler. A short hidden name,
// so even a destination name of the longest length gets one.
QByteArray nombreTemporal(const QByteArray& dst) {
    static std::atomic<unsigned> counter = 0;
    static const QByteArray pid = QByteArray::number(::getpid());
    const QByteArray temp = dst.left(dst.lastIndexOf('/') + 1) + kPrefijoTemporal + pid + '-' +
                            QByteArray::number(++counter);
    anotarTemporal(temp);
    return temp;
}

// Creates a new temporary file beside the destination and locks it. A clean-up in another
// process may have taken and removed it between the creation and the lock: then it is made again.
int crearTemporal(const QByteArray& dst, QByteArray& temp) {
    for (int intento = 0; intento < 10; ++intento) {
        temp = nombreTemporal(dst);
        const int fd =
            ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        struct stat abierto {};
        struct stat enCarpeta {};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &abierto) == 0 &&
            ::stat(temp.constData(), &enCarpeta) == 0 && abierto.st_ino == enCarpeta.st_ino &&
            abierto.st_dev == enCarpeta.st_dev)
            return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

// Copies all bytes from one descriptor to the other, in the kernel where it can, in blocks so
// the window's events run during a large file: after the first block, then after the first
// block that ends 20 ms or more after they last ran (a block takes a few milliseconds on a disk,
// some 25 ms on a share giving 10 MB/s).
bool copyContent(int in, int out, const std::function<void()>& bombear) {
    constexpr size_t kBloque = 256 * 1024;
    QElapsedTimer desdeBombeo;
    const auto entreBloques = [&] {
        if (bombear && (!desdeBombeo.isValid() || desdeBombeo.elapsed() >= 20)) {
            bombear();
            desdeBombeo.start();
        }
    };
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kBloque, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            break; // fall back to read and write below
        if (n <= 0)
            return n == 0;
        entreBloques();
    }
    std::vector<char> buffer(kBloque);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno != EINTR)
                return false;
            done += w > 0 ? w : 0;
        }
        entreBloques();
    }
}

// Links an open file in under a name: by its descriptor where the system lets every user do so
// (Linux 6.10 on), else through /proc, which takes the system longer to resolve.
bool enlazar(int fd, const QByteArray& nombre) {
    static std::atomic<bool> porDescriptor = true;
    if (porDescriptor.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", AT_FDCWD, nombre.constData(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != ENOENT && errno != EPERM)
            return false;
    }
    const QByteArray enProc = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, enProc.constData(), AT_FDCWD, nombre.constData(), AT_SYMLINK_FOLLOW) !=
        0)
        return false;
    porDescriptor.store(false, std::memory_order_relaxed); // only /proc works here
    return true;
}

// A file written without a name (where the file system has them) gets its name only once
// complete: linked in under the destination's name when that is free, else under a temporary
// name (locked first, so no clean-up takes it) renamed over the previous copy. The previous copy
// is then held open in anterior: the file system frees its space when that closes rather than
// within the rename, which takes several times longer. False, with errno set, when it could not be
// named.
bool nombrarCompleto(int fd, const QByteArray& dst, Fd& anterior) {
    if (enlazar(fd, dst))
        return true;
    if (errno != EEXIST || ::flock(fd, LOCK_EX) != 0)
        return false;
    anterior.reset(::open(dst.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    bool nombrado = false;
    for (int intento = 0; intento < 10 && !nombrado; ++intento) {
        const QByteArray temp = nombreTemporal(dst);
        if (!enlazar(fd, temp)) {
            if (errno == EEXIST)
                continue;
            break;
        }
        nombrado = ::rename(temp.constData(), dst.constData()) == 0;
        if (!nombrado) {
            const int motivo = errno;
            ::unlink(temp.constData());
            errno = motivo;
            break;
        }
    }
    olvidarTemporal();
    return nombrado;
}

// Nothing done ahead: completing runs the whole copy.
class CopiaDiferida final : public CopiaPreparada {
public:
    CopiaDiferida(FileCopier& copiador, QString origen, QString destino)
        : copiador_(copiador), origen_(std::move(origen)), destino_(std::move(destino)) {}
    bool completar(QString& error) override { return copiador_.copiar(origen_, destino_, error); }

private:
    FileCopier& copiador_;
    QString origen_;
    QString destino_;
};

class CopiaAtomica final : public CopiaPreparada {
public:
    CopiaAtomica(QByteArray src, QByteArray dst, const std::function<void()>& bombear)
        : src_(std::move(src)), dst_(std::move(dst)), bombear_(bombear) {}

    // Opens the source and, when sinNombre and the file system allows, writes the copy into a
    // file without a name in the destination folder.
    void preparar(bool sinNombre) {
        in_.reset(::open(src_.constData(), O_RDONLY | O_CLOEXEC));
        if (!in_ || ::fstat(in_.get(), &st_) != 0) {
            error_ = systemError("no se puede leer el origen");
            return;
        }
        if (!S_ISREG(st_.st_mode)) {
            error_ = QStringLiteral("el origen no es un archivo");
            return;
        }
        if (!sinNombre)
            return;
        const QByteArray carpeta = dst_.left(dst_.lastIndexOf('/') + 1);
        out_.reset(::open(carpeta.isEmpty() ? "." : carpeta.constData(),
                          O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (!out_)
            return;
        if (!llenar(out_.get()))
            error_ = systemError("copia incompleta");
        in_.reset(-1); // read whole: closed here, on the thread that prepared it
    }

    bool completarSiBreve(bool& copiado, QString& error) override {
        // A previous copy to replace, or no file without a name: left to completar.
        if (error_.isEmpty() && !(out_ && enlazar(out_.get(), dst_)))
            return false;
        nombrado_ = error_.isEmpty();
        copiado = completar(error);
        return true;
    }

    bool completar(QString& error) override {
        if (!error_.isEmpty()) {
            error = error_;
            return false;
        }
        if (out_ && (nombrado_ || nombrarCompleto(out_.get(), dst_, anterior_)) && out_.close())
            return true;
        // No file without a name, or one the file system will not name (or no /proc to name it
        // by): the copy is written under a temporary name, reading the source again.
        if (!in_)
            in_.reset(::open(src_.constData(), O_RDONLY | O_CLOEXEC));
        if (!in_) {
            error = systemError("no se puede leer el origen");
            return false;
        }
        return copiarConNombre(error);
    }

private:
    bool llenar(int out) {
        const struct timespec times[2] = {st_.st_atim, st_.st_mtim};
        return copyContent(in_.get(), out, bombear_) && ::fchmod(out, st_.st_mode & 07777) == 0 &&
               ::futimens(out, times) == 0;
    }

    bool copiarConNombre(QString& error) {
        QByteArray temp;
        Fd out(crearTemporal(dst_, temp));
        if (!out) {
            olvidarTemporal();
            error = systemError("no se puede escribir en el destino");
            return false;
        }
        const bool ok =
            llenar(out.get()) && out.close() && ::rename(temp.constData(), dst_.constData()) == 0;
        if (!ok) {
            error = systemError("copia incompleta");
            ::unlink(temp.constData());
        }
        olvidarTemporal();
        return ok;
    }

    QByteArray src_;
    QByteArray dst_;
    const std::function<void()>& bombear_;
    Fd in_{-1};
    Fd out_{-1}; // the copy without a name, when written ahead
    struct stat st_ {};
    QString error_;         // why the copy failed while prepared
    bool nombrado_ = false; // out_ already has the destination's name
    Fd anterior_{-1};       // the previous copy it replaced, freed when this goes
};

} // namespace

std::unique_ptr<CopiaPreparada> FileCopier::preparar(const QString& origen,
                                                     const QString& destino) {
    return std::make_unique<CopiaDiferida>(*this, origen, destino);
}

bool AtomicFileCopier::copiar(const QString& origen, const QString& destino, QString& error) {
    return preparar(origen, destino)->completar(error);
}

std::unique_ptr<CopiaPreparada> AtomicFileCopier::preparar(const QString& origen,
                                                           const QString& destino) {
    auto copia =
        std::make_unique<CopiaAtomica>(rutas::aBytes(origen), rutas::aBytes(destino), bombear_);
    copia->preparar(temporales_ == Temporales::SinNombre);
    return copia;
}

int AtomicFileCopier::BorrarTemporalesAbandonados(const QString& carpeta,
                                                  const std::vector<EntradaCarpeta>& entradas) {
    const QString prefijo = carpeta.endsWith('/') ? carpeta : carpeta + '/';
    int borrados = 0;
    for (const EntradaCarpeta& entrada : entradas) {
        if (!entrada.nombre.startsWith(QLatin1String(kPrefijoTemporal)))
            continue;
        const QByteArray ruta = rutas::aBytes(prefijo + entrada.nombre);
        // A running copy holds its temporary locked; the lock ends with the process that held
        // it, so a file we can lock belongs to nobody.
        Fd fd(::open(ruta.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (fd && ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && ::unlink(ruta.constData()) == 0)
            ++borrados;
    }
    return borrados;
}

void BorrarTemporalEnCurso() noexcept {
    if (hayTemporalEnCurso)
        ::unlink(temporalEnCurso);
}

} // namespace zarvento
