#pragma once

#include "app/AjustesEnIni.h"
#include "app/Resultado.h"
#include "host/ClienteDeBase.h"
#include "restauracion/AlmacenDeCopias.h"

#include <optional>

namespace zarvento {

// What a restore takes from the settings file: where the copies are and, for the database, the
// server of the consistent copy. Reads only; nothing is written back.
struct AjustesDeRestauracion {
    LugarDeCopias lugar;
    std::optional<ServidorDeBase> base; // none when the server or the user is not defined

    static Resultado<AjustesDeRestauracion> leer(const AjustesEnIni& ajustes);
};

} // namespace zarvento
