#include "engine/FileCopier.h"

#include "host/RutasLocales.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
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

constexpr char kPrefijoTemporal[] = ".zvtmp-";

// Set when the program ends by a signal: from then on no copy makes a temporary file, and the
// copies in hand stop at their next block.
std::atomic<bool> terminando = false;

// errno of a source that ended before the size it had when opened.
constexpr int kOrigenCorto = ENODATA;

QString systemError(const char* what) {
    QString motivo;
    if (errno == kOrigenCorto)
        motivo = QStringLiteral("el origen terminó antes de su tamaño");
    else if (errno == ECANCELED && terminando)
        motivo = QStringLiteral("el programa está terminando");
    else
        motivo = QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromLatin1(what) + QStringLiteral(": ") + motivo;
}

// The named temporary files of the copies in hand, one slot each, readable from a signal handler
// on any thread. A slot's sello holds its state in its two low bits and grows each time the slot
// is taken, so a reader that finds the same sello before and after reading the path read it whole.
struct RegistroTemporal {
    std::atomic<unsigned> sello = 0;
    std::atomic<pid_t> hilo = 0; // the thread that noted it
    char ruta[PATH_MAX];
};
constexpr unsigned kLibre = 0;
constexpr unsigned kEscribiendo = 1;
constexpr unsigned kAnotado = 2;
constexpr unsigned kEstado = 3;
RegistroTemporal registros[8];
static_assert(std::atomic<unsigned>::is_always_lock_free &&
              std::atomic<bool>::is_always_lock_free && std::atomic<pid_t>::is_always_lock_free);

// A temporary file noted for the clean-up at a signal for as long as it may exist. Whoever makes
// the file notes it first, and checks terminando once it is made: the clean-up either finds it
// noted or the maker sees the program ending and removes it.
class TemporalAnotado {
public:
    TemporalAnotado() = default;
    TemporalAnotado(const TemporalAnotado&) = delete;
    TemporalAnotado& operator=(const TemporalAnotado&) = delete;
    ~TemporalAnotado() { olvidar(); }

    // False, with errno set, when no temporary may be made: the program is ending (or the path is
    // too long for the system anyway, or every slot is taken).
    bool anotar(const QByteArray& ruta) {
        olvidar();
        if (ruta.size() >= PATH_MAX) {
            errno = ENAMETOOLONG;
            return false;
        }
        for (RegistroTemporal& registro : registros) {
            unsigned sello = registro.sello.load();
            if ((sello & kEstado) != kLibre ||
                !registro.sello.compare_exchange_strong(sello, sello + kEscribiendo))
                continue;
            for (qsizetype i = 0; i <= ruta.size(); ++i) // with its NUL
                std::atomic_ref<char>(registro.ruta[i])
                    .store(ruta.constData()[i], std::memory_order_relaxed);
            registro.hilo.store(::gettid());
            registro_ = &registro;
            sello_ = sello + kAnotado;
            registro.sello.store(sello_);
            return !terminado();
        }
        errno = EBUSY;
        return false;
    }
    void olvidar() {
        if (registro_)
            registro_->sello.store(sello_ + (4 - kAnotado)); // free, and taken anew next time
        registro_ = nullptr;
    }
    // Whether the program is ending: the caller then removes what it made and gives up.
    static bool terminado() {
        if (!terminando.load())
            return false;
        errno = ECANCELED;
        return true;
    }

private:
    RegistroTemporal* registro_ = nullptr;
    unsigned sello_ = 0;
};

// A new temporary name beside the destination. A short hidden name, so even a destination name of
// the longest length gets one.
QByteArray nombreTemporal(const QByteArray& dst) {
    static std::atomic<unsigned> counter = 0;
    static const QByteArray pid = QByteArray::number(::getpid());
    return dst.left(dst.lastIndexOf('/') + 1) + kPrefijoTemporal + pid + '-' +
           QByteArray::number(++counter);
}

// Creates a new temporary file beside the destination, noted, and locks it. A clean-up in another
// process may have taken and removed it between the creation and the lock: then it is made again.
int crearTemporal(const QByteArray& dst, QByteArray& temp, TemporalAnotado& anotado) {
    for (int intento = 0; intento < 10; ++intento) {
        temp = nombreTemporal(dst);
        if (!anotado.anotar(temp))
            return -1;
        const int fd =
            ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        if (TemporalAnotado::terminado()) {
            ::close(fd);
            ::unlink(temp.constData());
            errno = ECANCELED;
            return -1;
        }
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

// Copies the source's bytes to the other descriptor, in the kernel where it can, in blocks so the
// window's events run during a large file: after the first block, then after the first block
// that ends 20 ms or more after they last ran (a block takes a few milliseconds on a disk, some
// 25 ms on a share giving 10 MB/s). A source that ends before tamano bytes (cut short while
// copied) fails the copy, as does the program ending.
bool copyContent(int in, int out, off_t tamano, const std::function<void()>& bombear) {
    constexpr size_t kBloque = 256 * 1024;
    QElapsedTimer desdeBombeo;
    const auto entreBloques = [&] {
        if (bombear && (!desdeBombeo.isValid() || desdeBombeo.elapsed() >= 20)) {
            bombear();
            desdeBombeo.start();
        }
    };
    off_t copiados = 0;
    for (;;) {
        if (TemporalAnotado::terminado())
            return false;
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kBloque, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            break; // fall back to read and write below
        if (n < 0)
            return false;
        if (n == 0 && copiados >= tamano)
            return true;
        if (n == 0)
            break; // cut short, or a file system that copies nothing this way: read tells
        copiados += n;
        entreBloques();
    }
    std::vector<char> buffer(kBloque);
    for (;;) {
        if (TemporalAnotado::terminado())
            return false;
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = kOrigenCorto;
            return copiados >= tamano;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno != EINTR)
                return false;
            done += w > 0 ? w : 0;
        }
        copiados += n;
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

// Names a complete file without a name over the previous copy: linked in under a temporary name
// (locked first, so no clean-up takes it), closed (a close may be the first to report a failed
// write), and only then renamed over the previous copy. The previous copy is then held open in
// anterior: the file system frees its space when that closes rather than within the rename, which
// takes several times longer. False, with errno set, when it could not be named.
bool nombrarSobreAnterior(Fd& out, const QByteArray& dst, Fd& anterior) {
    if (::flock(out.get(), LOCK_EX) != 0)
        return false;
    TemporalAnotado anotado;
    QByteArray temp;
    for (int intento = 0;; ++intento) {
        temp = nombreTemporal(dst);
        if (!anotado.anotar(temp))
            return false;
        if (enlazar(out.get(), temp))
            break;
        if (errno != EEXIST || intento == 9)
            return false;
    }
    const Fd cerrojo(::dup(out.get())); // keeps the lock while out closes
    anterior.reset(::open(dst.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (cerrojo && out.close() && !TemporalAnotado::terminado() &&
        ::rename(temp.constData(), dst.constData()) == 0)
        return true;
    const int motivo = errno;
    ::unlink(temp.constData());
    errno = motivo;
    return false;
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
        if (error_.isEmpty() && !(out_ && nombrarSiLibre()))
            return false;
        copiado = completar(error);
        return true;
    }

    bool completar(QString& error) override {
        if (error_.isEmpty() && out_ && !nombrado_ &&
            (nombrarSiLibre() || (errno == EEXIST && nombrarSobreAnterior(out_, dst_, anterior_))))
            nombrado_ = true;
        if (!error_.isEmpty()) {
            error = error_;
            return false;
        }
        if (nombrado_)
            return true;
        if (TemporalAnotado::terminado()) {
            error = systemError("copia incompleta");
            return false;
        }
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
        return copyContent(in_.get(), out, st_.st_size, bombear_) &&
               ::fchmod(out, st_.st_mode & 07777) == 0 && ::futimens(out, times) == 0;
    }

    // Gives the file without a name the destination's name when that is free, and closes it;
    // false, with errno set (EEXIST when a previous copy holds the name), when it is not named.
    bool nombrarSiLibre() {
        if (!enlazar(out_.get(), dst_))
            return false;
        nombrado_ = true;
        if (!out_.close()) { // a write that failed late: the new name goes again
            error_ = systemError("copia incompleta");
            ::unlink(dst_.constData());
        }
        return true;
    }

    bool copiarConNombre(QString& error) {
        TemporalAnotado anotado;
        QByteArray temp;
        Fd out(crearTemporal(dst_, temp, anotado));
        if (!out) {
            error = systemError("no se puede escribir en el destino");
            return false;
        }
        const bool ok = llenar(out.get()) && out.close() && !TemporalAnotado::terminado() &&
                        ::rename(temp.constData(), dst_.constData()) == 0;
        if (!ok) {
            error = systemError("copia incompleta");
            ::unlink(temp.constData());
        }
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

bool EnlazarCopia(const QString& existente, const QString& destino) {
    const QByteArray src = rutas::aBytes(existente);
    const QByteArray dst = rutas::aBytes(destino);
    if (::link(src.constData(), dst.constData()) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    // Locked, so no clean-up takes the temporary name (it locks the same file).
    const Fd abierto(::open(src.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!abierto || ::flock(abierto.get(), LOCK_EX) != 0)
        return false;
    TemporalAnotado anotado;
    for (int intento = 0; intento < 10; ++intento) {
        const QByteArray temp = nombreTemporal(dst);
        if (!anotado.anotar(temp))
            return false;
        if (::link(src.constData(), temp.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (!TemporalAnotado::terminado() && ::rename(temp.constData(), dst.constData()) == 0)
            return true;
        const int motivo = errno;
        ::unlink(temp.constData());
        errno = motivo;
        return false;
    }
    return false;
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
    terminando.store(true);
    for (RegistroTemporal& registro : registros) {
        const unsigned sello = registro.sello.load();
        if ((sello & kEstado) != kAnotado)
            continue;
        char ruta[PATH_MAX];
        for (std::size_t i = 0; i < sizeof ruta; ++i) {
            ruta[i] = std::atomic_ref<char>(registro.ruta[i]).load(std::memory_order_relaxed);
            if (ruta[i] == '\0')
                break;
        }
        ruta[PATH_MAX - 1] = '\0';
        std::atomic_thread_fence(std::memory_order_acquire);
        if (registro.sello.load(std::memory_order_relaxed) == sello)
            ::unlink(ruta);
    }
}

void TerminarCopiasEnCurso() {
    using namespace std::chrono_literals;
    BorrarTemporalEnCurso();
    const pid_t yo = ::gettid();
    const QDeadlineTimer plazo(2s);
    for (RegistroTemporal& registro : registros) {
        for (;;) {
            const unsigned estado = registro.sello.load() & kEstado;
            if (estado == kLibre || (estado == kAnotado && registro.hilo.load() == yo) ||
                plazo.hasExpired())
                break;
            std::this_thread::sleep_for(1ms);
        }
    }
}

void ReanudarCopias() noexcept {
    terminando.store(false);
}

} // namespace zarvento
