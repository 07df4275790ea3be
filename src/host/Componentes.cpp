#include "host/Componentes.h"

#include "host/DelRegistro.h"
#include "host/EntradaDeMenu.h"
#include "host/clsInicio.h"

namespace zarvento {

Entorno Entorno::delPrograma(DialogService* dialogos) {
    return {ProgramLocation::ofRunningExecutable(), dialogos,
            DelRegistro::carpetaMaquinaPorDefecto(), DelRegistro::carpetaUsuarioPorDefecto(),
            clsInicio::carpetaPorDefecto(), nullptr, EntradaDeMenu::carpetaPorDefecto()};
}

void Componentes::avisarFallo(const QString& progId) const {
    if (!entorno_.dialogos)
        return;
    MessageRequest aviso;
    aviso.title = QStringLiteral("Alerta");
    aviso.text = QStringLiteral("Error nº 429, El componente no puede crear el objeto\r\n"
                                "Intentanto crear \"") +
                 progId + '"';
    aviso.icon = MessageIcon::Critical;
    entorno_.dialogos->showMessage(aviso);
}

} // namespace zarvento
