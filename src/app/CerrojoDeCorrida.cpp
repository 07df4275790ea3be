#include "app/CerrojoDeCorrida.h"

#include "host/RutasLocales.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zarvento {

CerrojoDeCorrida::CerrojoDeCorrida(const QString& carpetaPrograma) {
    if (carpetaPrograma.isEmpty())
        return;
    const QByteArray archivo = rutas::aBytes(carpetaPrograma + '/' + QString::fromLatin1(kArchivo));
    descriptor_ = ::open(archivo.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor_ >= 0 && ::flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
        ocupado_ = errno == EWOULDBLOCK;
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

CerrojoDeCorrida::~CerrojoDeCorrida() {
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

bool CerrojoDeCorrida::enCurso(const QString& carpetaPrograma) {
    return !CerrojoDeCorrida(carpetaPrograma).tomado();
}

} // namespace zarvento
