#pragma once

#include "app/AjustesEnIni.h"
#include "app/ConductorRespaldo.h"
#include "host/Services.h"

#include <QString>

namespace zarvento {

class clsRespaldar;

// The proof a run makes of its copy as the settings file asks for it: none while "Comprobar
// copias" is off; else a sample of the files (see ComprobacionDeCopia) and every dump, read back
// from the destination of the settings, within "Minutos de comprobación". The scratch folder goes
// inside the staging folder.
ConductorRespaldo::Comprobador ComprobacionNocturna(AjustesEnIni ajustes, const clsRespaldar& job,
                                                    QString carpetaTemporal, EventPump& bomba);

} // namespace zarvento
