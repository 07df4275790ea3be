#include "app/CerrojoPrivado.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvento {

namespace {

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

// Opens the file, this user's own and closed to others, replacing a foreign or looser one. -1
// when no such file can be had.
int abrirPrivado(const QByteArray& archivo) {
    for (int intento = 0; intento < 3; ++intento) {
        const int fd = ::open(archivo.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && EsPrivado(st))
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

// Whether the name still leads to the open file: another process may have replaced it meanwhile.
bool nombraAlAbierto(const QByteArray& archivo, int fd) {
    struct stat abierto {};
    struct stat nombrado {};
    return ::fstat(fd, &abierto) == 0 && ::stat(archivo.constData(), &nombrado) == 0 &&
           abierto.st_dev == nombrado.st_dev && abierto.st_ino == nombrado.st_ino;
}

} // namespace

bool EsPrivado(const struct stat& st) {
    return st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

int TomarCerrojoPrivado(const QByteArray& archivo, bool* deOtro) {
    *deOtro = false;
    for (int intento = 0; intento < 3; ++intento) {
        const int fd = abrirPrivado(archivo);
        if (fd < 0)
            return -1;
        const bool tomado = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        if (!tomado && nombraAlAbierto(archivo, fd))
            return fd;
        *deOtro = tomado && errno == EWOULDBLOCK;
        ::close(fd);
        if (tomado)
            return -1; // held by another process, or no locks on this file system
    }
    return -1;
}

} // namespace zarvento
