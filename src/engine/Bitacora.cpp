#include "engine/Bitacora.h"

#include "host/LibORVX.h"
#include "host/RutasLocales.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvento {

Bitacora::Bitacora(QString archivo, const Clock& reloj, Regional regional)
    : archivo_(std::move(archivo)), reloj_(reloj), regional_(std::move(regional)) {}

Bitacora::~Bitacora() {
    if (fd_ >= 0)
        ::close(fd_);
}

int Bitacora::abierto() {
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_nlink > 0)
        return fd_;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = ::open(rutas::aBytes(archivo_).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC,
                 0666);
    return fd_;
}

QString Bitacora::ComponerLinea(const QString& stEtiqueta, const QString& stDato,
                                bool blEtiquetaDirecta) {
    if (blEtiquetaDirecta)
        return QStringLiteral("  ") + stEtiqueta;
    if (!stDato.isEmpty())
        return LibORVX::pad(QStringLiteral("*)") + stEtiqueta + ':', 27, '-',
                            LibORVX::Relleno::Derecha) +
               QStringLiteral("> ") + stDato;
    return stEtiqueta + QStringLiteral("  ... ");
}

bool Bitacora::Bitacorear(const QString& stEtiqueta, const QString& stDato,
                          bool blEtiquetaDirecta) {
    const QString linea = rutas::legible(ComponerLinea(stEtiqueta, stDato, blEtiquetaDirecta));
    if (caja_)
        caja_->appendLine(linea);
    return ArchivoBitacora(linea);
}

bool Bitacora::Rotar() {
    if (QFileInfo(archivo_).size() <= kLimite)
        return true;
    if (::rename(rutas::aBytes(archivo_).constData(),
                 rutas::aBytes(archivo_ + QStringLiteral(".1")).constData()) != 0)
        return false;
    if (fd_ >= 0)
        ::close(fd_); // the next line opens a new file under the name
    fd_ = -1;
    return true;
}

bool Bitacora::ArchivoBitacora(QString stTexto, bool blLimpiar) {
    if (blLimpiar)
        return QFile(archivo_).open(QIODevice::WriteOnly | QIODevice::Truncate);
    stTexto = rutas::legible(stTexto.remove(QStringLiteral("\r\n")));
    const QByteArray linea =
        (regional_.sello(reloj_.now()) + QStringLiteral("     ") + stTexto + QStringLiteral("\r\n"))
            .toUtf8();
    const int fd = abierto();
    return fd >= 0 && ::write(fd, linea.constData(), static_cast<size_t>(linea.size())) ==
                          static_cast<ssize_t>(linea.size());
}

} // namespace zarvento
