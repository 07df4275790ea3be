#include "restauracion/AjustesDeRestauracion.h"

#include "host/DeAcceso.h"

namespace zarvento {

Resultado<AjustesDeRestauracion> AjustesDeRestauracion::leer(const AjustesEnIni& ajustes) {
    using ajustes::de;
    const DeAcceso acceso;
    const auto descifrado = [&](const ajustes::Ajuste& ajuste) {
        const QString texto = ajustes.leer(ajuste);
        return ajustes::sinDefinir(texto) ? QString()
                                          : acceso.DesEncripta(texto, ajustes::kLlaveFTP);
    };
    AjustesDeRestauracion leidos;
    LugarDeCopias& lugar = leidos.lugar;
    lugar.raiz = ajustes.leer(de(ajustes::kRutaDestino));
    if (ajustes::sinDefinir(lugar.raiz))
        return Fallo{QStringLiteral("Ruta destino no definida en ") + ajustes.ruta()};
    if (!lugar.raiz.endsWith('/'))
        lugar.raiz += '/';
    // Empty keys take the defaults a review would write.
    const auto siNo = [&](const ajustes::Ajuste& ajuste) {
        const QString texto = ajustes.leer(ajuste);
        return ajustes::esSi(texto.isEmpty() ? QString::fromUtf8(ajuste.defecto) : texto);
    };
    lugar.ciclos = siNo(de(ajustes::kRespaldosVariados));
    lugar.cicloPrimero = siNo(de(ajustes::kDiaPrimero));
    lugar.ftp = siNo(de(ajustes::kRespaldoEnFTP));
    if (lugar.ftp) {
        lugar.servidor = descifrado(de(ajustes::kFTPservidor));
        lugar.usuario = descifrado(de(ajustes::kFTPusuario));
        lugar.password = descifrado(de(ajustes::kFTPpassword));
        if (lugar.servidor.isEmpty())
            return Fallo{QStringLiteral("FTP servidor no definido en ") + ajustes.ruta()};
    }
    const QString servidor = ajustes.leer(de(ajustes::kBaseServidor));
    const QString usuario = ajustes.leer(de(ajustes::kBaseUsuario));
    if (!ajustes::sinDefinir(servidor) && !ajustes::sinDefinir(usuario))
        leidos.base = ServidorDeBase{servidor, usuario, descifrado(de(ajustes::kBasePassword))};
    return leidos;
}

} // namespace zarvento
