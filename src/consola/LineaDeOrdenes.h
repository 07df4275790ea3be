#pragma once

#include "consola/Orden.h"

#include <QStringList>

namespace zarvento {

// Runs the command the arguments name (the first argument is the program's own name) and returns
// the exit status. Exactly one command; an unknown option, an option of another command, a
// missing value or an argument too many is a usage error (status 2, the reason and a pointer to
// the help on standard error).
int EjecutarLineaDeOrdenes(const QStringList& argumentos, Consola& consola);

// The help: the synopsis, every command with its options, and the exit statuses.
QString TextoDeAyuda(const QString& programa);

} // namespace zarvento
