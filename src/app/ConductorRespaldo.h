#pragma once

#include "app/AjustesEnIni.h"
#include "app/ArchivosPrincipal.h"
#include "app/CarpetasDeRutas.h"
#include "app/Resultado.h"
#include "engine/RegistroDeCopia.h"
#include "host/BasesDD.h"
#include "host/ConexionCentral.h"
#include "host/Services.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace zarvento {

class clsRespaldar;
class Componentes;
class LibORVX;

// One backup run over both route lists: the run is recorded on the central report server, the
// documents list is backed up, then the data list through the staging folder, and the date of a
// complete run is stored in the settings file (the day the run was for, see AgendaDeRespaldo). A
// failed route fails the run ("Error al respaldar", no date stored) without stopping it: every
// other route is still backed up. Needs no window.
class ConductorRespaldo {
public:
    static constexpr const char* kBaseCentral = "orlanet_liberaktq";

    ConductorRespaldo(const Componentes& componentes, const LibORVX& ini, clsRespaldar& job,
                      ArchivosPrincipal archivos, const ConexionCentral& central,
                      const Clock& reloj);

    // Runs the backup; deshabilitarAccion is called when the run button must be disabled.
    void EjecutarRespaldo(const std::function<void()>& deshabilitarAccion);

    // The proof of the run's copy, made after a run whose every route went through; nullopt
    // when no proof is made. A failed proof fails the run.
    // It is given the record of the run's copy; the record then keeps its result.
    using Comprobador =
        std::function<std::optional<ResultadoDeComprobacion>(const RegistroDeCopia&)>;
    void comprobador(Comprobador comprobar) { comprobador_ = std::move(comprobar); }
    // The last run's proof; nullopt when it made none.
    const std::optional<ResultadoDeComprobacion>& comprobacion() const { return comprobacion_; }

    // The route-list line being backed up.
    const QString& rutaActual() const { return rutaActual_; }
    // The day the last run was for: the latest day whose backup was due when it started.
    const QDate& diaDeLaCorrida() const { return dia_; }

    static QString version();

private:
    Resultado<qint64> GrabarMovimiento(BasesDD& oBasesDD);
    void RespaldarLista(const QString& stArchivoLista, qint64 lIdMovto, BasesDD& oBasesDD,
                        bool& blCorrecto, const QString& enDonde);
    void GrabarDetalle(BasesDD& oBasesDD, qint64 lIdMovto, const QString& stRutaRespaldada,
                       const QString& stRutaDestino);
    void GrabarComprobacion(BasesDD& oBasesDD, qint64 lIdMovto,
                            const ResultadoDeComprobacion& comprobacion);
    static QString GrabarFila(BasesDD& oBasesDD, const QString& tabla,
                              const std::vector<std::pair<QString, QVariant>>& campos);
    void escribirFecha(const ajustes::Ajuste& ajuste, const QDate& fecha);
    // The record of the copy: written as the run starts (so a run that never ends leaves no
    // older record to be taken for its copy) and again at its end.
    void guardarRegistro(const QString& resultado);

    const Componentes& componentes_;
    clsRespaldar& job_;
    ArchivosPrincipal archivos_;
    AjustesEnIni ajustes_;
    const ConexionCentral& central_;
    const Clock& reloj_;
    QString rutaActual_;
    QDate dia_;
    // The destination folder names of this run's routes.
    CarpetasDeRutas carpetas_;
    RegistroDeCopia registro_;
    QString archivoRegistro_;
    Comprobador comprobador_;
    std::optional<ResultadoDeComprobacion> comprobacion_;
};

} // namespace zarvento
