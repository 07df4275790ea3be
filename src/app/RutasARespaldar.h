#pragma once

#include "app/Resultado.h"

#include <QString>
#include <QStringList>

namespace zarvento {

class CarpetasDeRutas;
class clsRespaldar;

// Route lists: one folder per line, lines ending at CR or CR LF (a lone LF stays in its line),
// each line used exactly as read.
namespace rutas {

// The lines of a list.
Resultado<QStringList> Leer(const QString& archivo);

// Checks a list for the review: a missing file is created empty; every line the engine refuses
// (empty, or holding control characters, shown as their visible symbols) and every line naming a
// folder that does not exist is logged ("Ruta de documentos incorrecta" or "Ruta de DATA(s)
// incorrecta") and clears blCorrecto, which is otherwise left as it was.
void LeerRutas(const QString& archivo, bool& blCorrecto, bool esData, clsRespaldar& bitacora);

// The lines of both lists in run order (documents, then data); a list that cannot be read adds
// none.
QStringList LineasDeAmbas(const QString& documentos, const QString& datos);

// Tells the review's log which routes share a folder name and which folder each one is copied
// into.
void AvisarNombresRepetidos(const CarpetasDeRutas& carpetas, clsRespaldar& bitacora);

// Tells the review's log, once, that the local destination root lies inside a route (the walk
// never enters it).
void AvisarDestinoDentro(const QString& destino, const QStringList& lineas, clsRespaldar& bitacora);

} // namespace rutas
} // namespace zarvento
