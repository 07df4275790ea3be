#pragma once

#include <QString>

namespace zarvento {

// Why a route line cannot be backed up, or "" when it can: an empty line, or one holding NUL or
// another control character, is no folder path.
QString MotivoRutaIncorrecta(const QString& linea);

// The route as a run uses it: absolute (a relative route is taken from the current folder),
// its "." and ".." segments resolved and doubled separators merged, ending with "/". Its last
// segment then names a real folder, so the destination folder composed from it stays inside the
// destination root.
QString NormalizarRuta(const QString& ruta);

// The name of the folder a normalised route names (its last segment; "" for the root).
QString NombreDeCarpeta(const QString& rutaNormalizada);

} // namespace zarvento
