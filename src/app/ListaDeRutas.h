#pragma once

#include <QString>
#include <optional>

namespace zarvento::rutaslista {

// A route list as its text box shows it: one folder per line, lines separated by "\n".

// The box text for a route-list file's content: every line as read (lines end at CR or CR LF),
// empty lines included, without an empty line for a final line end.
QString paraCaja(const QString& contenido);

// The file content for a box text: every line trimmed, empty lines dropped, each remaining line
// followed by CR LF; "" when nothing remains. No line is ever left out.
QString paraArchivo(const QString& textoCaja);

// The box text with the folder appended as a new last line, or nullopt when a line already
// names that folder (whole text, ignoring letter case).
std::optional<QString> conCarpeta(const QString& textoCaja, const QString& carpeta);

} // namespace zarvento::rutaslista
