#pragma once

#include "app/Resultado.h"

#include <QString>
#include <QStringList>

namespace zarvento {

class clsRespaldar;

// Route lists: one folder per line, lines ending at CR or CR LF (a lone LF stays in its line),
// each line used exactly as read.
namespace rutas {

// The lines of a list.
Resultado<QStringList> Leer(const QString& archivo);

// Checks a list for the review: a missing file is created empty; every empty line and every line
// naming a folder that does not exist is logged ("Ruta de documentos incorrecta" or "Ruta de
// DATA(s) incorrecta") and clears blCorrecto, which is otherwise left as it was.
void LeerRutas(const QString& archivo, bool& blCorrecto, bool esData, clsRespaldar& bitacora);

} // namespace rutas
} // namespace zarvento
