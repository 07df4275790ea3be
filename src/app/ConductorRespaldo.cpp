#include "app/ConductorRespaldo.h"

#include "app/RutasARespaldar.h"
#include "engine/clsRespaldar.h"
#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/DeArchivos.h"
#include "host/LibORVX.h"

namespace zarvento {

ConductorRespaldo::ConductorRespaldo(const Componentes& componentes, const LibORVX& ini,
                                     clsRespaldar& job, ArchivosPrincipal archivos,
                                     const ConexionCentral& central, const Clock& reloj)
    : componentes_(componentes), ini_(ini), job_(job), archivos_(std::move(archivos)),
      central_(central), reloj_(reloj) {}

QString ConductorRespaldo::version() {
    return QStringLiteral("%1.%2.%3")
        .arg(ZARVENTO_VERSION_MAJOR)
        .arg(ZARVENTO_VERSION_MINOR)
        .arg(ZARVENTO_VERSION_PATCH);
}

void ConductorRespaldo::EjecutarRespaldo(const std::function<void()>& deshabilitarAccion) {
    std::unique_ptr<BasesDD> oBasesDD;
    if (!componentes_.CrearComponente(oBasesDD, QStringLiteral("BasesDD")))
        oBasesDD = std::make_unique<BasesDD>(); // the message was shown; the run goes on unrecorded
    oBasesDD->cRuta = central_.servidor;
    oBasesDD->cMiBase = QString::fromLatin1(kBaseCentral);
    oBasesDD->cPassword = central_.password;
    oBasesDD->cPuerto = central_.puerto;
    oBasesDD->cUsuario = central_.usuario;
    const qint64 lIdMovto = GrabarMovimiento(*oBasesDD);

    deshabilitarAccion();
    job_.Bitacorear(QStringLiteral("Iniciando respaldo"));
    bool blCorrecto = true;
    carpetas_ =
        CarpetasDeRutas(rutas::LineasDeAmbas(archivos_.pbArchivoRutas, archivos_.pbArchivoDATAs));
    RespaldarLista(archivos_.pbArchivoRutas, lIdMovto, *oBasesDD, blCorrecto, QString());
    if (blCorrecto) {
        DeArchivos::CreaRuta(archivos_.carpetaTemporal);
        RespaldarLista(archivos_.pbArchivoDATAs, lIdMovto, *oBasesDD, blCorrecto,
                       archivos_.carpetaTemporal);
        DeArchivos::DelTree(archivos_.carpetaTemporal);
        if (blCorrecto) {
            job_.Bitacorear(QStringLiteral("Respaldo finalizado"));
            escribirFecha(ajustes::kResultado, ajustes::kUltimoRespaldo);
            return;
        }
    }
    job_.Bitacorear(QStringLiteral("Error al respaldar"));
}

// Stores the run's row; its id, or 0 when the central server could not record the run.
qint64 ConductorRespaldo::GrabarMovimiento(BasesDD& oBasesDD) {
    Conexion conexion;
    Tabla movimientos;
    QString error;
    qint64 id = 0;
    if (!oBasesDD.AbrirBdD(conexion, oBasesDD.cMiBase, &error)) {
        job_.ArchivoBitacora(QStringLiteral("Servidor central no disponible: ") + error);
    } else if (oBasesDD.AbrirTabla(movimientos, conexion, QStringLiteral("rdamovtos WHERE Id = -9"),
                                   &error)) {
        movimientos.AddNew();
        movimientos.setField(QStringLiteral("Fecha"), reloj_.now().date());
        movimientos.setField(QStringLiteral("Version"), version());
        if (movimientos.Update(&error)) {
            id = oBasesDD.LastId(conexion, QStringLiteral("rdamovtos"), QStringLiteral("Id"));
            escribirFecha(ajustes::kConfiguracion, ajustes::kURGELN);
        }
    }
    if (conexion.abierta() && id == 0)
        job_.ArchivoBitacora(QStringLiteral("Respaldo no registrado en el servidor central: ") +
                             error);
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
            return;
        }
        job_.RutaOriginal(linea);
        job_.NombreDestino(carpetas_.nombreDistinto(linea));
        if (!job_.Respaldar(enDonde)) {
            blCorrecto = false;
            return;
        }
        if (lIdMovto != 0)
            GrabarDetalle(oBasesDD, lIdMovto, linea, job_.RutaRespaldado());
    }
}

void ConductorRespaldo::GrabarDetalle(BasesDD& oBasesDD, qint64 lIdMovto,
                                      const QString& stRutaRespaldada,
                                      const QString& stRutaDestino) {
    Conexion conexion;
    Tabla detalle;
    QString error;
    if (lIdMovto >= 1 && oBasesDD.AbrirBdD(conexion, oBasesDD.cMiBase, &error) &&
        oBasesDD.AbrirTabla(detalle, conexion, QStringLiteral("rdamovtosdetalle WHERE Id = -9"),
                            &error)) {
        detalle.AddNew();
        detalle.setField(QStringLiteral("IdMovto"), lIdMovto);
        detalle.setField(QStringLiteral("RutaRespaldada"), stRutaRespaldada);
        detalle.setField(QStringLiteral("RutaDestino"), stRutaDestino);
        if (detalle.Update(&error))
            error.clear();
    }
    if (!error.isEmpty())
        job_.ArchivoBitacora(QStringLiteral("Detalle no registrado en el servidor central (") +
                             stRutaRespaldada + QStringLiteral("): ") + error);
    BasesDD::CierraTabla(detalle);
    BasesDD::CierraBdD(conexion);
}

void ConductorRespaldo::escribirFecha(const char* seccion, const char* clave) {
    QString error;
    const QString hoy = reloj_.now().date().toString(QString::fromLatin1(ajustes::kFormatoFecha));
    if (!ini_.EscribeIni(QString::fromUtf8(seccion), QString::fromUtf8(clave), hoy,
                         archivos_.pbArchivoIni, &error))
        job_.Bitacorear(QStringLiteral("No se pudo guardar ") + QString::fromUtf8(clave), error);
}

} // namespace zarvento
