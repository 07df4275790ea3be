#include "app/BombaDeEventos.h"
#include "app/CerrojoDeCorrida.h"
#include "app/ConductorRespaldo.h"
#include "app/RevisionConfiguracion.h"
#include "app/VigiaDeCorrida.h"
#include "comprobacion/ComprobacionNocturna.h"
#include "consola/Ordenes.h"
#include "consola/ServiciosDeConsola.h"
#include "engine/clsRespaldar.h"
#include "host/DelRegistro.h"
#include "host/HostCheck.h"
#include "host/LibORVX.h"

#include <QDir>

namespace zarvento {

namespace {

// The review's effects without a window: only whether the configuration is correct counts. An
// overdue backup is not started from the review: the command runs one anyway.
class RevisionSinVentana final : public VentanaRevisable {
public:
    void prepararRevision() override {}
    void habilitarAccion(bool habilitada) override { correcta = habilitada; }
    void activarReloj(bool) override {}
    void horaAceptada(const QString&) override {}
    void respaldarAhora() override {}

    bool correcta = false;
};

// One backup now, as the run button makes it: the host check, the review, the run with its log
// lines and run records. The log's lines go to standard output as they are written.
int Respaldar(const QCommandLineParser&, Consola& consola) {
    DialogosDeConsola dialogos(consola.errores);
    QtEventPump bomba;
    Entorno entorno = consola.entorno();
    entorno.dialogos = &dialogos;
    entorno.bomba = &bomba;
    const Componentes componentes(std::move(entorno));
    const ProgramLocation& programa = componentes.entorno().programa;
    if (CerrojoDeCorrida::enCurso(programa.folder)) {
        consola.errores << consola.programa
                        << QStringLiteral(": hay un respaldo en curso en la carpeta ")
                        << programa.folder << '\n';
        return kSalidaFallida;
    }
    QDir::setCurrent(programa.folder);
    const ArchivosPrincipal archivos = ArchivosPrincipal::de(programa);
    const auto ini = componentes.CrearObj<LibORVX>(QStringLiteral("LibORVX"));
    std::unique_ptr<DelRegistro> registro;
    if (!componentes.CrearComponente(registro, QStringLiteral("DelRegistro")))
        return kSalidaFallida;
    QString avisoCentral;
    const ConexionCentral central = CargarConexionCentral(componentes, &avisoCentral);
    QStringList avisos; // settings that could not be written, for the log
    if (!host::PrepararHost(componentes, *ini, *registro, archivos.pbArchivoIni, &avisos))
        return kSalidaFallida;

    const FinDeOrden fin(consola, QStringLiteral("respaldo interrumpido"));
    LogEnSalida salida(consola.salida);
    VigiaDeCorrida vigia(salida);
    SinAviso aviso;
    const SystemClock reloj;
    clsRespaldar job(ServiciosRespaldo{reloj, bomba, aviso, programa.folder});
    job.IncluirSubdirectorios(true);
    job.Incremental(true);
    job.RespaldoMultiple(true);
    job.ObjetoLog(&vigia);
    if (!avisoCentral.isEmpty())
        avisos.prepend(avisoCentral);
    for (const QString& aviso : avisos)
        job.ArchivoBitacora(aviso);

    RevisionSinVentana ventana;
    RevisionConfiguracion(componentes, *ini, job, archivos, reloj, ventana).RevisarConfiguracion();
    if (!ventana.correcta)
        return kSalidaFallida;
    vigia.empezar();
    ConductorRespaldo conductor(componentes, *ini, job, archivos, central, reloj);
    conductor.comprobador(ComprobacionNocturna(AjustesEnIni(*ini, archivos.pbArchivoIni), job,
                                               archivos.carpetaTemporal, bomba));
    conductor.EjecutarRespaldo([] {});
    return vigia.terminoConError() ? kSalidaFallida : kSalidaCorrecta;
}

} // namespace

Orden OrdenRespaldar() {
    return {
        QStringLiteral("respaldar"),
        {},
        QStringLiteral("Hace un respaldo ahora, sin ventana, y termina, con la comprobación de\n"
                       "la copia si los ajustes la piden. Muestra las líneas de la bitácora;\n"
                       "sale con 0 si el respaldo terminó bien (\"Respaldo finalizado\") y con\n"
                       "1 si falló o la configuración es incorrecta."),
        {},
        0,
        Respaldar};
}

} // namespace zarvento
