#include "app/ConductorRespaldo.h"

#include "app/AgendaDeRespaldo.h"
#include "app/CerrojoDeCorrida.h"
#include "app/HoraDelRespaldo.h"
#include "app/RutasARespaldar.h"
#include "engine/clsRespaldar.h"
#include "host/Componentes.h"
#include "host/DeArchivos.h"
#include "host/Regional.h"

#include <QSysInfo>
#include <cerrno>

namespace zarvento {

ConductorRespaldo::ConductorRespaldo(const Componentes& componentes, const LibORVX& ini,
                                     clsRespaldar& job, ArchivosPrincipal archivos,
                                     const ConexionCentral& central, const Clock& reloj)
    : componentes_(componentes), job_(job), archivos_(std::move(archivos)),
      ajustes_(ini, archivos_.pbArchivoIni), central_(central), reloj_(reloj) {}

QString ConductorRespaldo::version() {
    return QStringLiteral("%1.%2.%3")
        .arg(ZARVENTO_VERSION_MAJOR)
        .arg(ZARVENTO_VERSION_MINOR)
        .arg(ZARVENTO_VERSION_PATCH);
}

void ConductorRespaldo::EjecutarRespaldo(const std::function<void()>& deshabilitarAccion) {
    // A run of this folder in another process (from the command line, or the agent's) goes on
    // alone; this one ends as a failed run.
    const CerrojoDeCorrida cerrojo(archivos_.carpetaPrograma);
    if (!cerrojo.tomado()) {
        job_.Bitacorear(QStringLiteral("Respaldo en curso en otro proceso"));
        job_.Bitacorear(QStringLiteral("Error al respaldar"));
        return;
    }
    // One date for the whole run, however long it takes: the moment it started gives every
    // route's cycle folder, and the day it is for is the one stored when it completes.
    const QDateTime inicio = reloj_.now();
    const auto hora = hora::interpretar(ajustes_.leer(ajustes::de(ajustes::kHoraDelRespaldo)));
    dia_ = hora ? AgendaDeRespaldo::diaDebido(inicio, *hora) : inicio.date();
    job_.InicioDeCorrida(inicio);
    struct AlTerminar {
        clsRespaldar& job;
        ~AlTerminar() { job.InicioDeCorrida({}); }
    } alTerminar{job_};
    if (!job_.RotarBitacora())
        job_.ArchivoBitacora(QStringLiteral("No se pudo guardar la bitácora anterior: ") +
                             qt_error_string(errno));

    std::unique_ptr<BasesDD> oBasesDD;
    if (!componentes_.CrearComponente(oBasesDD, QStringLiteral("BasesDD")))
        oBasesDD = std::make_unique<BasesDD>(); // the message was shown; the run goes on unrecorded
    oBasesDD->cRuta = central_.servidor;
    oBasesDD->cMiBase = QString::fromLatin1(kBaseCentral);
    oBasesDD->cPassword = central_.password;
    oBasesDD->cPuerto = central_.puerto;
    oBasesDD->cUsuario = central_.usuario;
    oBasesDD->cTLS = central_.tls;
    oBasesDD->cCertificadoCA = central_.certificadoCA;
    const Resultado<qint64> movimiento = GrabarMovimiento(*oBasesDD);
    if (!movimiento)
        job_.ArchivoBitacora(movimiento.motivo());
    const qint64 lIdMovto = movimiento ? *movimiento : 0; // 0: the run goes on unrecorded

    deshabilitarAccion();
    job_.Bitacorear(QStringLiteral("Iniciando respaldo"));
    registro_ = {inicio, {}, {}, version(), QSysInfo::machineHostName(), {}, {}};
    archivoRegistro_ = job_.ArchivoDeRegistro();
    guardarRegistro(QString::fromLatin1(RegistroDeCopia::kEnCurso));
    carpetas_ = CarpetasDeRutas::deArchivos(archivos_.pbArchivoRutas, archivos_.pbArchivoDATAs,
                                            archivos_.pbArchivoCarpetas);
    // Written before the first copy, so a route's folder stays its own whatever happens next.
    if (const auto guardado = carpetas_.guardarRegistro(archivos_.pbArchivoCarpetas); !guardado)
        job_.Bitacorear(QStringLiteral("No se pudo guardar ") + archivos_.pbArchivoCarpetas,
                        guardado.motivo());
    // A failed route fails the run, but every other route is still backed up.
    bool blCorrecto = true;
    RespaldarLista(archivos_.pbArchivoRutas, lIdMovto, *oBasesDD, blCorrecto, QString());
    DeArchivos::CreaRuta(archivos_.carpetaTemporal);
    RespaldarLista(archivos_.pbArchivoDATAs, lIdMovto, *oBasesDD, blCorrecto,
                   archivos_.carpetaTemporal);
    DeArchivos::DelTree(archivos_.carpetaTemporal);
    comprobacion_.reset();
    if (blCorrecto && comprobador_)
        comprobacion_ = comprobador_(registro_);
    if (comprobacion_) {
        registro_.comprobacion = comprobacion_;
        job_.Bitacorear(comprobacion_->resultado(), comprobacion_->detalle(Regional()));
        if (lIdMovto != 0)
            GrabarComprobacion(*oBasesDD, lIdMovto, *comprobacion_);
        // A copy that could not be read back as it was made is not trusted.
        blCorrecto = comprobacion_->correcta();
    }
    if (!blCorrecto) {
        job_.Bitacorear(QStringLiteral("Error al respaldar"));
        guardarRegistro(QStringLiteral("Error al respaldar"));
        return;
    }
    job_.Bitacorear(QStringLiteral("Respaldo finalizado"));
    // A clock stepped back never takes the date back.
    const ajustes::Ajuste& ultimo = ajustes::de(ajustes::kUltimoRespaldo);
    if (const QDate antes = ajustes::fechaDe(ajustes_.leer(ultimo));
        !antes.isValid() || antes < dia_)
        escribirFecha(ultimo, dia_);
    guardarRegistro(QStringLiteral("Respaldo finalizado"));
}

void ConductorRespaldo::guardarRegistro(const QString& resultado) {
    registro_.resultado = resultado;
    if (resultado != QLatin1String(RegistroDeCopia::kEnCurso))
        registro_.fin = reloj_.now();
    QString error;
    if (!job_.GuardarRegistro(archivoRegistro_, registro_, error))
        job_.Bitacorear(QStringLiteral("Registro de la copia no guardado"), error);
}

// Stores the run's row and returns its id.
Resultado<qint64> ConductorRespaldo::GrabarMovimiento(BasesDD& oBasesDD) {
    Conexion conexion;
    Tabla movimientos;
    const auto grabar = [&]() -> Resultado<qint64> {
        QString error;
        if (!oBasesDD.AbrirBdD(conexion, oBasesDD.cMiBase, &error))
            return Fallo{QStringLiteral("Servidor central no disponible: ") + error};
        qint64 id = 0;
        if (oBasesDD.AbrirTabla(movimientos, conexion, QStringLiteral("rdamovtos WHERE Id = -9"),
                                &error)) {
            movimientos.AddNew();
            movimientos.setField(QStringLiteral("Fecha"), reloj_.now().date());
            movimientos.setField(QStringLiteral("Version"), version());
            if (movimientos.Update(&error)) {
                id = oBasesDD.LastId(conexion, QStringLiteral("rdamovtos"), QStringLiteral("Id"));
                escribirFecha(ajustes::de(ajustes::kURGELN), reloj_.now().date());
            }
        }
        if (id == 0)
            return Fallo{QStringLiteral("Respaldo no registrado en el servidor central: ") + error};
        return id;
    };
    Resultado<qint64> id = grabar();
    BasesDD::CierraTabla(movimientos);
    BasesDD::CierraBdD(conexion);
    return id;
}

void ConductorRespaldo::RespaldarLista(const QString& stArchivoLista, qint64 lIdMovto,
                                       BasesDD& oBasesDD, bool& blCorrecto,
                                       const QString& enDonde) {
    const auto lineas = rutas::Leer(stArchivoLista);
    if (!lineas) {
        job_.Bitacorear(QStringLiteral("Lista de rutas no disponible"), stArchivoLista);
        blCorrecto = false;
        return;
    }
    for (const QString& linea : *lineas) {
        rutaActual_ = linea;
        // An empty line would name the root of the file system.
        if (linea.isEmpty()) {
            job_.Bitacorear(QStringLiteral("Ruta a respaldar vacía"), stArchivoLista);
            blCorrecto = false;
            continue;
        }
        job_.RutaOriginal(linea);
        job_.NombreDestino(carpetas_.nombreDistinto(linea));
        // Only a route backed up whole gets its detail row.
        const bool respaldada = job_.Respaldar(enDonde);
        registro_.rutas.push_back(job_.RegistroDeRuta());
        if (!respaldada) {
            blCorrecto = false;
            continue;
        }
        if (lIdMovto != 0)
            GrabarDetalle(oBasesDD, lIdMovto, linea, job_.RutaRespaldado());
    }
}

void ConductorRespaldo::GrabarDetalle(BasesDD& oBasesDD, qint64 lIdMovto,
                                      const QString& stRutaRespaldada,
                                      const QString& stRutaDestino) {
    const QString error = GrabarFila(oBasesDD, QStringLiteral("rdamovtosdetalle"),
                                     {{QStringLiteral("IdMovto"), lIdMovto},
                                      {QStringLiteral("RutaRespaldada"), stRutaRespaldada},
                                      {QStringLiteral("RutaDestino"), stRutaDestino}});
    if (!error.isEmpty())
        job_.ArchivoBitacora(QStringLiteral("Detalle no registrado en el servidor central (") +
                             stRutaRespaldada + QStringLiteral("): ") + error);
}

void ConductorRespaldo::GrabarComprobacion(BasesDD& oBasesDD, qint64 lIdMovto,
                                           const ResultadoDeComprobacion& comprobacion) {
    const QString error = GrabarFila(oBasesDD, QStringLiteral("rdacomprobaciones"),
                                     {{QStringLiteral("IdMovto"), lIdMovto},
                                      {QStringLiteral("Fecha"), reloj_.now()},
                                      {QStringLiteral("Resultado"), comprobacion.resultado()},
                                      {QStringLiteral("Archivos"), comprobacion.archivos},
                                      {QStringLiteral("Bytes"), comprobacion.bytes},
                                      {QStringLiteral("Tablas"), comprobacion.tablas},
                                      {QStringLiteral("Falla"), comprobacion.falla}});
    // A server from before the proof has no table for it; the run's own rows are kept.
    if (!error.isEmpty())
        job_.ArchivoBitacora(QStringLiteral("Comprobación no registrada en el servidor central: ") +
                             error);
}

// Adds a row of the run to a table of the central server; "" when it was stored, else why not.
QString ConductorRespaldo::GrabarFila(BasesDD& oBasesDD, const QString& tabla,
                                      const std::vector<std::pair<QString, QVariant>>& campos) {
    Conexion conexion;
    Tabla fila;
    QString error;
    if (oBasesDD.AbrirBdD(conexion, oBasesDD.cMiBase, &error) &&
        oBasesDD.AbrirTabla(fila, conexion, tabla + QStringLiteral(" WHERE Id = -9"), &error)) {
        fila.AddNew();
        for (const auto& [campo, valor] : campos)
            fila.setField(campo, valor);
        if (fila.Update(&error))
            error.clear();
    }
    BasesDD::CierraTabla(fila);
    BasesDD::CierraBdD(conexion);
    return error;
}

void ConductorRespaldo::escribirFecha(const ajustes::Ajuste& ajuste, const QDate& fecha) {
    if (const auto hecho = ajustes_.escribir(ajuste, ajustes::comoFecha(fecha)); !hecho)
        job_.Bitacorear(QStringLiteral("No se pudo guardar ") + QString::fromUtf8(ajuste.clave),
                        hecho.motivo());
}

} // namespace zarvento
