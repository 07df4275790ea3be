#include "engine/FileCopier.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Copies all bytes from one descriptor to the other, in the kernel where it can.
bool copyContent(int in, int out, off_t size) {
    off_t left = size;
    while (left > 0) {
        const ssize_t n =
            ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(left), 0);
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            break; // fall back to read and write below
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true; // the file shrank while being copied
        left -= n;
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno != EINTR)
                return false;
            done += w > 0 ? w : 0;
        }
    }
}

} // namespace

bool AtomicFileCopier::copiar(const QString& origen, const QString& destino, QString& error) {
    const QByteArray src = QFile::encodeName(origen);
    const QByteArray dst = QFile::encodeName(destino);
    Fd in(::open(src.constData(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!in || ::fstat(in.get(), &st) != 0) {
        error = systemError("no se puede leer el origen");
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = QStringLiteral("el origen no es un archivo");
        return false;
    }
    // A short hidden name, so even a destination name of the longest length gets a temporary.
    static unsigned counter = 0;
    const QByteArray temp = dst.left(dst.lastIndexOf('/') + 1) + ".zvtmp-" +
                            QByteArray::number(::getpid()) + '-' + QByteArray::number(++counter);
    Fd out(::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!out) {
        error = systemError("no se puede escribir en el destino");
        return false;
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    const bool ok = copyContent(in.get(), out.get(), st.st_size) &&
                    ::fchmod(out.get(), st.st_mode & 07777) == 0 &&
                    ::futimens(out.get(), times) == 0 && out.close() &&
                    ::rename(temp.constData(), dst.constData()) == 0;
    if (!ok) {
        error = systemError("copia incompleta");
        ::unlink(temp.constData());
    }
    return ok;
}

} // namespace zarvento
