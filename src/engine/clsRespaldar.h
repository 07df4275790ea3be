#pragma once

#include "engine/Bitacora.h"
#include "engine/CopiasEnParalelo.h"
#include "engine/Destino.h"
#include "engine/FileCopier.h"
#include "engine/FolderListing.h"
#include "engine/LecturaEnParalelo.h"
#include "engine/LogBox.h"
#include "engine/RegistroDeCopia.h"
#include "engine/RutaRespaldo.h"
#include "host/ClienteDeBase.h"
#include "host/Regional.h"
#include "host/Services.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace zarvento {

// What the backup job needs from the program around it.
struct ServiciosRespaldo {
    const Clock& reloj;
    EventPump& bomba;
    NoticeLabel& aviso;
    // The program's folder, where "Bitacora.log" lives.
    QString carpetaPrograma;
    Regional regional = Regional();
};

// The backup job: the options of a backup, one route per Respaldar call, and the program's
// only logger. Folder paths always end with "/".
class clsRespaldar {
public:
    explicit clsRespaldar(
        ServiciosRespaldo servicios,
        std::unique_ptr<FileCopier> copiador = std::make_unique<AtomicFileCopier>(),
        std::unique_ptr<LectorCarpetas> lector = std::make_unique<LectorCarpetas>());
    ~clsRespaldar();
    clsRespaldar(const clsRespaldar&) = delete;
    clsRespaldar& operator=(const clsRespaldar&) = delete;

    // Progress of an FTP upload: the file, its position in the run and the bytes sent so far.
    void deFTP_FileTransferProgress(qint64& lCurrentBytes, qint64& lTotalBytes);

    bool DiaAlInicio() const { return vDiaAlInicio; }
    void DiaAlInicio(bool vDato) { vDiaAlInicio = vDato; }
    void FTPpassword(const QString& vDato) { vFTPpassword = vDato; }
    void FTPservidor(const QString& vDato) { vFTPservidor = vDato; }
    void ftpUsuario(const QString& vDato) { vftpUsuario = vDato; }
    bool IncluirSubdirectorios() const { return vIncluirSubdirectorios; }
    void IncluirSubdirectorios(bool vDato) { vIncluirSubdirectorios = vDato; }
    bool Incremental() const { return vIncremental; }
    void Incremental(bool vDato) { vIncremental = vDato; }
    void ObjetoLog(LogBox* vDato) { bitacora_.ObjetoLog(vDato); }
    bool RespaldoEnFTP() const { return vRespaldoEnFTP; }
    void RespaldoEnFTP(bool vDato) { vRespaldoEnFTP = vDato; }
    const QString& RutaDestino() const { return vRutaDestino; }
    void RutaDestino(const QString& vDato);
    // Setting the route clears NombreDestino.
    void RutaOriginal(const QString& vDato);
    // The name of the route's folder under the destination root, when it must differ from the
    // route's own folder name (two routes of one name must not share a destination folder); one
    // folder name, without separators. Empty: the route's own name.
    void NombreDestino(const QString& vDato) { vNombreDestino = vDato; }
    const QString& RutaRespaldado() const { return vRutaRespaldado; }
    // The moment the run started: every route of the run takes its cycle folder from it, so a
    // run that goes past midnight stays in one cycle folder. Invalid: each route's own start.
    void InicioDeCorrida(const QDateTime& vDato) { vInicioDeCorrida = vDato; }
    bool EsSemanal() const { return vEsSemanal; }
    void EsSemanal(bool vDato) { vEsSemanal = vDato; }
    bool RespaldoMultiple() const { return vRespaldoMultiple; }
    void RespaldoMultiple(bool vDato) { vRespaldoMultiple = vDato; }
    // In a differential run to a folder with cycle folders, a file whose copy in the route's most
    // recent other cycle folder matches the source (same size and time) is linked from there
    // instead of copied again, so the cycle folders share the files that did not change.
    bool CompartirArchivos() const { return vCompartirArchivos; }
    void CompartirArchivos(bool vDato) { vCompartirArchivos = vDato; }

    bool ArchivoBitacora(const QString& stTexto, bool blLimpiar = false) {
        return bitacora_.ArchivoBitacora(stTexto, blLimpiar);
    }
    bool RotarBitacora() { return bitacora_.Rotar(); }
    bool Bitacorear(const QString& stEtiqueta, const QString& stDato = QString(),
                    bool blEtiquetaDirecta = false) {
        return bitacora_.Bitacorear(stEtiqueta, stDato, blEtiquetaDirecta);
    }
    // The gate before the settings window; access is always granted.
    bool PedirPassword() const { return true; }
    // Backs up the route in RutaOriginal; true when every copy went through and every folder
    // was read whole (the summary's "Respaldo incompleto" line counts those that were not). A
    // non-empty enDonde names a staging folder every file passes through (subfolders are then not
    // walked). The route is normalised first (see NormalizarRuta); a route MotivoRutaIncorrecta
    // refuses fails. RespaldoEnFTP must be set before RutaDestino; an FTP run sends the files to
    // the server FTPservidor ("host" or "host:port") with ftpUsuario and FTPpassword.
    bool Respaldar(const QString& enDonde = QString());
    // Files made for the next route outside its folder (a database dump): its run copies them
    // into the route's destination folder, whether or not the run is differential, and
    // its deletion pass keeps them. They apply to that one run only.
    void ArchivosAdicionales(const QStringList& vDato) { vArchivosAdicionales = vDato; }
    // The database server of the data routes (those backed up through a staging folder): a data
    // route whose folder is one of its databases gets a consistent copy of that database beside
    // its files, and a copy that fails or takes longer than limite fails the route. Without one,
    // a data route whose folder belongs to a running server is only warned about. Either way,
    // the last copy made stays at the destination until a new one replaces it.
    void CopiaConsistente(std::optional<ServidorDeBase> vDato,
                          std::chrono::milliseconds limite = ClienteDeBase::kLimitePorDefecto) {
        vCopiaConsistente = std::move(vDato);
        vLimiteCopia = limite;
    }
    // What the last Respaldar put into the copy: its destination folder, its files and database
    // (the caller names the route and whether it is a data route).
    const RutaRegistrada& RegistroDeRuta() const { return registro_; }
    // Where the record of a run starting now goes: the root of today's cycle folder, or of the
    // destination (see RegistroDeCopia::nombreDeArchivo).
    QString ArchivoDeRegistro() const;
    // Writes the record in one piece, as every copy is written (on a server: uploaded under a
    // temporary name and renamed); false with the reason in error.
    bool GuardarRegistro(const QString& archivo, const RegistroDeCopia& registro, QString& error);

private:
    bool correr(const QString& enDonde);
    // The day whose cycle folder the run writes.
    QDate diaDeCorrida() const;
    QString RutaDeRespaldo(const QString& ruta, const QDate& dia) const;
    QString cicloDe(const QDate& dia) const;
    QString cicloDeHoy() const;
    QString cicloAnterior(const QString& ruta) const;
    QString copiaParaEnlazar(qsizetype k, const EntradaCarpeta& entrada) const;
    bool enlazarUno(const QString& origen, const QString& destino, const QString& anterior,
                    const DatosArchivo& datos, const QString& enDonde);
    bool esCarpetaExcluida(const QString& carpeta) const;
    void BuscarSubdirectorios(const std::vector<EntradaCarpeta>& listadoRuta);
    void AgregarSubdirectorios(qsizetype k, std::vector<QStringList>& pendientes);
    bool CrearRutaDestino(const QString& carpeta, QString& error);
    void recorrerArchivos(qsizetype k, const std::vector<EntradaCarpeta>& listado,
                          const QString& enDonde, bool& resultado);
    CopiasEnParalelo::Preparar preparacion(const QString& origen, const QString& destino);
    bool copiarUno(const QString& origen, const QString& destino, const DatosArchivo& datos,
                   const QString& enDonde);
    // Starts the copy (on a worker when the destination allows): false when it already failed.
    bool CopiarArchivo(const QString& origen, const QString& destino, qint64 tamano,
                       const QString& fuenteOriginal);
    // Takes the result of the copy started on a worker, if any: false when it failed.
    bool terminarCopia();
    bool contarCopia(bool copiado, const QString& fuenteOriginal, const QString& error);
    bool CopiarBase(const QString& ruta, const QString& enDonde, QString& volcado);
    void copiarAdicionales(bool& resultado);
    void pasadaBorrado(qsizetype k, const std::vector<EntradaCarpeta>& listadoOrigen,
                       const QString& enDonde);
    void carpetaSinLeer(const QString& carpeta);
    void reportarOmitidas(qsizetype k, const std::vector<EntradaCarpeta>& listado);
    void BorrarArchivo(const QString& ruta);
    void MostrarAviso(const QString& texto);
    void resumen();
    // Log writes inside a run: a log file that cannot be written ends the route (false then, and
    // every later write of the run is left out).
    bool registrar(const QString& etiqueta, const QString& dato = QString());
    bool registrarArchivo(const QString& texto);
    // Ends the route in an orderly way: the walk stops, Respaldar logs the first reason given
    // and returns false. Always false, so callers can return it.
    bool interrumpir(const QString& motivo);
    bool interrumpida() const { return !motivoInterrupcion_.isEmpty(); }
    std::unique_ptr<DestinoRespaldo> crearDestino();

    ServiciosRespaldo servicios_;
    Bitacora bitacora_;
    std::unique_ptr<FileCopier> copiador_;
    std::unique_ptr<LectorCarpetas> lector_;
    // The destination of the current run (for an FTP run, it holds the FTP client until the
    // next run starts or the job ends).
    std::unique_ptr<DestinoRespaldo> destino_;
    // Declared after what its copy uses, so it ends first.
    CopiasEnParalelo paralelo_;
    LecturaEnParalelo lectura_;
    QString fuenteEnCurso_; // the source of the copy started in paralelo_
    // The copy started last, for the record once it went through.
    ArchivoRegistrado archivoEnCurso_;
    RutaRegistrada registro_;

    // The current run.
    QStringList colOrigenes;
    QStringList colDestinos;
    qint64 lTotalArchivos = 0;
    qint64 lRespaldados = 0; // files really backed up
    qint64 lIntentados = 0;  // copies attempted, as the notice counts them
    qint64 lBorrados = 0;
    QStringList colErroresCopia;
    qint64 lRevisados = 0;
    QString stArchivoActual;
    QStringList colErroresLectura;
    qint64 lCarpetasSinLeer = 0;
    QString motivoInterrupcion_;
    // The route's folder in its most recent other cycle folder, whose copies this run may share;
    // empty when it shares none.
    QString cicloAnterior_;
    // Folders the walk never enters: the destination root and the run's destination folder.
    std::vector<IdentidadCarpeta> carpetasExcluidas_;

    QString vRutaRespaldado;
    bool vIncluirSubdirectorios = false;
    QString vRutaOriginal;
    QString vNombreDestino;
    QString vRutaDestino;
    QDateTime vInicioDeCorrida;
    bool vEsSemanal = true;
    bool vDiaAlInicio = true;
    bool vIncremental = false;
    bool vRespaldoEnFTP = false;
    QString vFTPservidor;
    QString vftpUsuario;
    QString vFTPpassword;
    bool vRespaldoMultiple = true;
    bool vCompartirArchivos = true;
    QStringList vArchivosAdicionales;
    std::optional<ServidorDeBase> vCopiaConsistente;
    std::chrono::milliseconds vLimiteCopia = ClienteDeBase::kLimitePorDefecto;
};

} // namespace zarvento
