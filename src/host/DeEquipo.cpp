#include "host/DeEquipo.h"

#include "host/Componentes.h"
#include "host/IniFile.h"

namespace zarvento {

namespace {
const QString kSeccion = QStringLiteral("Servidor central");
}

DeEquipo::DeEquipo(const Entorno& entorno)
    : archivo_(entorno.registroMaquina.isEmpty()
                   ? QString()
                   : entorno.registroMaquina + QStringLiteral("/equipo.ini")) {}

bool DeEquipo::DDCR(QString& usuario, QString& password, QString& puerto) const {
    if (archivo_.isEmpty())
        return false;
    const QString user = ini::read(archivo_, kSeccion, QStringLiteral("Usuario"));
    const QString port = ini::read(archivo_, kSeccion, QStringLiteral("Puerto"));
    if (user.isEmpty() || port.isEmpty())
        return false;
    usuario = user;
    password = ini::read(archivo_, kSeccion, QStringLiteral("Password"));
    puerto = port;
    return true;
}

} // namespace zarvento
