#pragma once

#include "consola/Orden.h"

#include <vector>

namespace zarvento {

// Every command, in the order the help lists them.
const std::vector<Orden>& Ordenes();

// The commands, each defined in a file of its own.
Orden OrdenRespaldar();
Orden OrdenCopias();
Orden OrdenRestaurar();
Orden OrdenComprobar();

} // namespace zarvento
