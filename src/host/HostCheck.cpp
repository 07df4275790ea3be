#include "host/HostCheck.h"

#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/DeArchivos.h"
#include "host/DelRegistro.h"
#include "host/LibORVX.h"

namespace zarvento::host {

QString LeeIniDefecto(const QString& stSeccion, const QString& stClave, const QString& stDefecto,
                      const LibORVX& oIni, const QString& stIni, QStringList* avisos) {
    const QString texto = oIni.LeeIni(stSeccion, stClave, stIni);
    if (!texto.isEmpty())
        return texto;
    QString motivo;
    if (!oIni.EscribeIni(stSeccion, stClave, stDefecto, stIni, &motivo) && avisos)
        avisos->append(QStringLiteral("No se pudo guardar ") + stClave + QStringLiteral(": ") +
                       motivo);
    return stDefecto;
}

QString BuscarInstalacion(const QString& stRuta, const DelRegistro& oRegistro) {
    return oRegistro.BuscarRegistroR0K(stRuta);
}

bool PrepararHost(const Componentes& componentes, const LibORVX& oIni, const DelRegistro& oRegistro,
                  const QString& stIni, QStringList* avisos) {
    std::unique_ptr<DeArchivos> archivos;
    componentes.CrearComponente(archivos, QStringLiteral("DeArchivos"));
    const QString ruta = LeeIniDefecto(
        QString::fromUtf8(ajustes::kConfiguracion), QString::fromUtf8(ajustes::kRutaHost),
        QString::fromUtf8(ajustes::de(ajustes::kRutaHost).defecto), oIni, stIni, avisos);
    if (!BuscarInstalacion(ruta, oRegistro).isEmpty())
        return true;
    DialogService* dialogos = componentes.entorno().dialogos;
    if (!dialogos)
        return false;
    dialogos->showMessage({QStringLiteral("Atención"),
                           QStringLiteral("En el archivo de configuración de este programa\r(") +
                               stIni +
                               QStringLiteral(")\r\rdebe indicarse la ruta correcta de Quillon "
                                              "Premium.\rRuta indicada e incorrecta: \r\r") +
                               ruta,
                           MessageIcon::Critical, MessageButtons::Ok, MessageAnswer::Ok});
    const MessageAnswer editar = dialogos->showMessage(
        {QStringLiteral("Editar INI"), QStringLiteral("¿Desea editar el archivo de configuración?"),
         MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::Yes});
    if (editar == MessageAnswer::Yes && archivos)
        archivos->AbreDocumento(stIni);
    return false;
}

} // namespace zarvento::host
