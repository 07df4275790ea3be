#pragma once

#include "app/AjustesEnIni.h"
#include "app/ConductorRespaldo.h"
#include "host/Services.h"

#include <QDateTime>
#include <QString>

namespace zarvento {

class clsRespaldar;

// The proof a run makes of its copy as the settings file asks for it: none while "Comprobar
// copias" is off; else a sample of the files (see ComprobacionDeCopia) and every dump, within
// "Minutos de comprobación". inicio: when the run started. The scratch folder goes inside the
// staging folder.
ConductorRespaldo::Comprobador ComprobacionNocturna(AjustesEnIni ajustes, const clsRespaldar& job,
                                                    QString carpetaTemporal, EventPump& bomba,
                                                    QDateTime inicio);

} // namespace zarvento
