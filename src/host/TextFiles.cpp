#include "host/TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zarvento::textfiles {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unused codes map to themselves.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeCp1252(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b));
    }
    return text;
}

// A hidden name beside the file, for its replacement until it takes the file's name.
QByteArray nombreTemporal(const QByteArray& archivo) {
    static std::atomic<unsigned> contador = 0;
    const qsizetype barra = archivo.lastIndexOf('/');
    return archivo.left(barra + 1) + '.' + archivo.mid(barra + 1) + ".zvnuevo-" +
           QByteArray::number(::getpid()) + '-' + QByteArray::number(contador++);
}

// The replacement of one file while it is written: a file without a name in the file's folder
// where the file system has them, else a file under a hidden temporary name there. Whatever
// has not taken the file's name when this ends is removed.
class Reemplazo {
public:
    Reemplazo(const QByteArray& archivo, const QByteArray& carpeta, mode_t modo)
        : archivo_(archivo) {
        fd_ = ::open(carpeta.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, modo);
        if (fd_ >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
            return;
        temporal_ = nombreTemporal(archivo);
        fd_ = ::open(temporal_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, modo);
        if (fd_ < 0)
            temporal_.clear();
    }
    ~Reemplazo() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!temporal_.isEmpty())
            ::unlink(temporal_.constData());
    }
    Reemplazo(const Reemplazo&) = delete;
    Reemplazo& operator=(const Reemplazo&) = delete;

    int fd() const { return fd_; }

    // Gives the written file the file's name; false with errno set when it could not.
    bool nombrar() {
        if (temporal_.isEmpty()) {
            const QByteArray nombre = nombreTemporal(archivo_);
            const QByteArray enProc = "/proc/self/fd/" + QByteArray::number(fd_);
            if (::linkat(fd_, "", AT_FDCWD, nombre.constData(), AT_EMPTY_PATH) != 0 &&
                ::linkat(AT_FDCWD, enProc.constData(), AT_FDCWD, nombre.constData(),
                         AT_SYMLINK_FOLLOW) != 0)
                return false;
            temporal_ = nombre;
        }
        // A file system may report a failed write only when the file is closed (network shares).
        if (::close(std::exchange(fd_, -1)) != 0 ||
            ::rename(temporal_.constData(), archivo_.constData()) != 0)
            return false;
        temporal_.clear();
        return true;
    }

private:
    QByteArray archivo_;
    QByteArray temporal_;
    int fd_ = -1;
};

} // namespace

QString decode(const QByteArray& bytes) {
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return decodeCp1252(body);
}

bool isUtf8(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = utf8.decode(bytes);
    return !utf8.hasError();
}

std::optional<QByteArray> encodeCp1252(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const auto alto = std::find(std::begin(kCp1252High), std::end(kCp1252High), u);
        if (alto != std::end(kCp1252High))
            bytes.append(static_cast<char>(0x80 + (alto - std::begin(kCp1252High))));
        else if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
            bytes.append(static_cast<char>(u));
        else
            return std::nullopt;
    }
    return bytes;
}

std::optional<QString> read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return decode(file.readAll());
}

bool writeAtomically(const QString& path, const QString& text, QString* error) {
    return writeBytesAtomically(path, text.toUtf8(), error);
}

bool writeBytesAtomically(const QString& path, const QByteArray& bytes, QString* error,
                          Permisos permisos) {
    const auto fallo = [&path, error](int causa) {
        if (error)
            *error = QStringLiteral("no se puede escribir ") + path + QStringLiteral(": ") +
                     QString::fromLocal8Bit(std::strerror(causa));
        return false;
    };
    const QFileInfo info(path);
    const QString destino = !info.isSymLink()                    ? info.absoluteFilePath()
                            : info.canonicalFilePath().isEmpty() ? info.symLinkTarget()
                                                                 : info.canonicalFilePath();
    const QByteArray archivo = QFile::encodeName(destino);
    struct stat previo {};
    const bool existe = ::stat(archivo.constData(), &previo) == 0;
    // Created private, so nothing written reaches other users before its mode is set.
    const bool modoDeSiempre = permisos == Permisos::Conservar && !existe;
    Reemplazo nuevo(archivo, QFile::encodeName(QFileInfo(destino).absolutePath()),
                    modoDeSiempre ? 0666 : 0600);
    if (nuevo.fd() < 0)
        return fallo(errno);
    for (qsizetype escritos = 0; escritos < bytes.size();) {
        const ssize_t n = ::write(nuevo.fd(), bytes.constData() + escritos,
                                  static_cast<size_t>(bytes.size() - escritos));
        if (n < 0 && errno != EINTR)
            return fallo(errno);
        escritos += std::max<ssize_t>(n, 0);
    }
    if (::fsync(nuevo.fd()) != 0 && errno != EINVAL)
        return fallo(errno);
    // The file replaced keeps its owner and group where the system lets us (root rewriting a
    // user's private file must not take it away from that user).
    if (existe && ::fchown(nuevo.fd(), previo.st_uid, previo.st_gid) != 0 && errno != EPERM)
        return fallo(errno);
    if (!modoDeSiempre &&
        ::fchmod(nuevo.fd(), permisos == Permisos::SoloDueno ? 0600 : previo.st_mode & 07777) != 0)
        return fallo(errno);
    return nuevo.nombrar() || fallo(errno);
}

QStringList splitAtCr(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            continue;
        lines.append(text.mid(start, i - start));
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QStringList splitAnyLineEnd(const QString& text) {
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    unified.replace('\n', '\r');
    return splitAtCr(unified);
}

} // namespace zarvento::textfiles
