#pragma once

#include <QString>
#include <QStringList>

namespace zarvento {

class Componentes;
class DelRegistro;
class LibORVX;

// The check that the host product is installed in the folder the settings name.
namespace host {

// The key's text; when it reads empty, the default is written under the key and returned (why
// it could not be written is added to *avisos, for the log file).
QString LeeIniDefecto(const QString& stSeccion, const QString& stClave, const QString& stDefecto,
                      const LibORVX& oIni, const QString& stIni, QStringList* avisos = nullptr);

// What the registry store records for a host installation in the folder, "" when none.
QString BuscarInstalacion(const QString& stRuta, const DelRegistro& oRegistro);

// True when a host installation is recorded for the folder of "Ruta de Quillon Premium". When
// none is, the user is told, offered to edit the settings file, and false is returned.
bool PrepararHost(const Componentes& componentes, const LibORVX& oIni, const DelRegistro& oRegistro,
                  const QString& stIni, QStringList* avisos = nullptr);

} // namespace host
} // namespace zarvento
