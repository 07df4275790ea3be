#include "app/CerrojoDeCorrida.h"

#include "app/CerrojoPrivado.h"
#include "host/RutasLocales.h"

#include <unistd.h>

namespace zarvento {

CerrojoDeCorrida::CerrojoDeCorrida(const QString& carpetaPrograma) {
    if (!carpetaPrograma.isEmpty())
        descriptor_ = TomarCerrojoPrivado(
            rutas::aBytes(carpetaPrograma + '/' + QString::fromLatin1(kArchivo)), &ocupado_);
}

CerrojoDeCorrida::~CerrojoDeCorrida() {
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

bool CerrojoDeCorrida::enCurso(const QString& carpetaPrograma) {
    return !CerrojoDeCorrida(carpetaPrograma).tomado();
}

} // namespace zarvento
