#include "engine/clsRespaldar.h"

#include "engine/DestinoFTP.h"
#include "host/DeArchivos.h"
#include "host/LibORVX.h"
#include "host/RutasLocales.h"

#include <QDir>
#include <QSet>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <exception>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zarvento {

namespace {

QString conSeparador(const QString& ruta) {
    return ruta.endsWith('/') ? ruta : ruta + '/';
}

// Files of a folder as the run counts them: hidden ones included.
qint64 archivosEn(const std::vector<EntradaCarpeta>& listado) {
    return std::count_if(listado.begin(), listado.end(), [](const EntradaCarpeta& e) {
        return e.tipo == EntradaCarpeta::Tipo::Archivo;
    });
}

QStringList subcarpetasDe(const std::vector<EntradaCarpeta>& listado) {
    QStringList nombres;
    for (const EntradaCarpeta& e : listado) {
        if (e.esCarpetaNormal())
            nombres.append(e.nombre);
    }
    return nombres;
}

} // namespace

clsRespaldar::clsRespaldar(ServiciosRespaldo servicios, std::unique_ptr<FileCopier> copiador,
                           std::unique_ptr<LectorCarpetas> lector)
    : servicios_(std::move(servicios)),
      bitacora_(servicios_.carpetaPrograma + QStringLiteral("/Bitacora.log"), servicios_.reloj,
                servicios_.regional),
      copiador_(std::move(copiador)), lector_(std::move(lector)), paralelo_(servicios_.bomba),
      lectura_(servicios_.bomba) {
    // Only the thread that owns the window may run its events; a copy on the worker leaves that
    // to the waiting walk.
    copiador_->entreBloques([this, principal = std::this_thread::get_id()] {
        if (std::this_thread::get_id() == principal)
            servicios_.bomba.pump();
    });
}

clsRespaldar::~clsRespaldar() = default;

void clsRespaldar::RutaDestino(const QString& vDato) {
    vRutaDestino = conSeparador(vDato);
}

void clsRespaldar::RutaOriginal(const QString& vDato) {
    vRutaOriginal = conSeparador(vDato);
    vNombreDestino.clear();
}

std::unique_ptr<DestinoRespaldo> clsRespaldar::crearDestino() {
    if (!vRespaldoEnFTP)
        return std::make_unique<DestinoLocal>(*copiador_, *lector_);
    DestinoFTP::Avisos avisos{
        [this](const QString& texto) { MostrarAviso(texto); },
        [this] { servicios_.aviso.hideNotice(); }, [this] { servicios_.bomba.pump(); },
        [this](qint64& actual, qint64& total) { deFTP_FileTransferProgress(actual, total); },
        [this](const QString& etiqueta, const QString& dato) { registrar(etiqueta, dato); }};
    return std::make_unique<DestinoFTP>(vFTPservidor, vftpUsuario, vFTPpassword, std::move(avisos));
}

void clsRespaldar::deFTP_FileTransferProgress(qint64& lCurrentBytes, qint64& lTotalBytes) {
    const Regional& regional = servicios_.regional;
    MostrarAviso(stArchivoActual + QStringLiteral("   ") + QString::number(lIntentados) +
                 QStringLiteral(" de ") + QString::number(lTotalArchivos) +
                 QStringLiteral("\r\nBytes copiados ") + regional.agrupado(lCurrentBytes) +
                 QStringLiteral(" de ") + regional.agrupado(lTotalBytes));
}

bool clsRespaldar::Respaldar(const QString& enDonde) {
    struct SoloEstaRuta {
        QStringList& adicionales;
        ~SoloEstaRuta() { adicionales.clear(); }
    } soloEstaRuta{vArchivosAdicionales};
    motivoInterrupcion_.clear();
    registro_ = {};
    registro_.origen = vRutaOriginal;
    registro_.datos = !enDonde.isEmpty();
    bool resultado = false;
    try {
        resultado = correr(enDonde);
    } catch (const std::exception& error) { // out of memory and the like
        interrumpir(QString::fromLocal8Bit(error.what()));
    }
    terminarCopia(); // a copy still in hand when the walk was cut short
    paralelo_.terminar();
    registro_.correcta = resultado && !interrumpida();
    if (!interrumpida())
        return resultado;
    servicios_.aviso.hideNotice();
    Bitacorear(QStringLiteral("Respaldo interrumpido"), motivoInterrupcion_);
    return false;
}

bool clsRespaldar::interrumpir(const QString& motivo) {
    if (motivoInterrupcion_.isEmpty())
        motivoInterrupcion_ = motivo;
    return false;
}

bool clsRespaldar::correr(const QString& enDonde) {
    bool resultado = true;
    colErroresCopia.clear();
    colErroresLectura.clear();
    lCarpetasSinLeer = 0; // counted from the subfolder search on
    destino_ = crearDestino();
    if (!registrar(QStringLiteral("Respaldo iniciado"),
                   servicios_.regional.sello(servicios_.reloj.now())))
        return false;
    const QString rutaOriginal = NormalizarRuta(vRutaOriginal);
    vRutaRespaldado = RutaDeRespaldo(rutaOriginal, diaDeCorrida());
    registro_.destino =
        QDir::cleanPath('/' + vRutaRespaldado.mid(vRutaDestino.size())).mid(1) + '/';
    colOrigenes = {rutaOriginal};
    colDestinos = {vRutaRespaldado};
    if (!registrar(QStringLiteral("Ruta a respaldar"), vRutaOriginal))
        return false;
    if (const QString motivo = MotivoRutaIncorrecta(vRutaOriginal); !motivo.isEmpty())
        return interrumpir(QStringLiteral("Ruta incorrecta (") + motivo + ')');
    const bool comparte =
        vCompartirArchivos && vIncremental && vRespaldoMultiple && !vRespaldoEnFTP;
    cicloAnterior_ = comparte ? cicloAnterior(rutaOriginal) : QString();

    carpetasExcluidas_.clear();
    if (!vRespaldoEnFTP) {
        for (const QString& carpeta : {vRutaDestino, vRutaRespaldado}) {
            if (const auto identidad = IdentidadDe(carpeta))
                carpetasExcluidas_.push_back(*identidad);
        }
    }
    const ListadoCarpeta ruta = lector_->listar(rutaOriginal);
    if (!ruta.completo && ruta.entradas.empty())
        return interrumpir(QStringLiteral("No se puede leer la ruta ") + vRutaOriginal);
    QString volcado;
    const bool baseCopiada = enDonde.isEmpty() || CopiarBase(rutaOriginal, enDonde, volcado);
    lTotalArchivos = archivosEn(ruta.entradas) + vArchivosAdicionales.size();
    if (enDonde.isEmpty() && vIncluirSubdirectorios)
        BuscarSubdirectorios(ruta.entradas);

    if (!registrar(QStringLiteral("Respaldando archivos")))
        return false;
    lRespaldados = lIntentados = lRevisados = lBorrados = 0;
    const qsizetype carpetas = colOrigenes.size();
    for (qsizetype k = 0; k < carpetas && !interrumpida(); ++k) {
        // The source folder is read while its destination folder is made (and, when local,
        // read). Files read before a listing failed are still copied; only the deletion pass
        // needs the whole listing.
        lectura_.iniciar(
            [this, origen = colOrigenes[k]] { return lector_->listar(origen, ConDatos::Si); });
        QString error;
        const bool creada = CrearRutaDestino(colDestinos[k], error);
        const ListadoCarpeta listado = lectura_.tomar();
        if (!listado.completo)
            carpetaSinLeer(colOrigenes[k]);
        reportarOmitidas(k, listado.entradas);
        if (!creada) {
            if (const QString motivo = destino_->motivoParaDetener(); !motivo.isEmpty()) {
                interrumpir(motivo);
                break;
            }
            registrar(QStringLiteral("Carpeta destino no creada"), colDestinos[k]);
            registrarArchivo(QStringLiteral("No se pudo crear ") + colDestinos[k] +
                             QStringLiteral(": ") + error);
            resultado = false;
        } else {
            recorrerArchivos(k, listado.entradas, enDonde, resultado);
            if (k == 0)
                copiarAdicionales(resultado);
        }
        // Without the source's whole listing nothing tells which destination files are surplus.
        if (listado.completo && vIncremental && destino_->borraSobrantes())
            pasadaBorrado(k, listado.entradas, enDonde);
    }
    // A copy on the worker is taken at the next copy or here, so it runs on while the next
    // folders are read.
    if (!terminarCopia())
        resultado = false;
    if (!volcado.isEmpty())
        ::unlink(rutas::aBytes(volcado).constData());
    if (interrumpida())
        return false;
    resumen();
    // A folder read only in part is a backup that is not complete, even when every copy went
    // through.
    return resultado && lCarpetasSinLeer == 0 && baseCopiada;
}

QDate clsRespaldar::diaDeCorrida() const {
    return (vInicioDeCorrida.isValid() ? vInicioDeCorrida : servicios_.reloj.now()).date();
}

QString clsRespaldar::RutaDeRespaldo(const QString& ruta, const QDate& dia) const {
    const QString nombre = vNombreDestino.isEmpty() ? NombreDeCarpeta(ruta) : vNombreDestino;
    const QString ciclo = cicloDe(dia);
    return vDiaAlInicio ? vRutaDestino + ciclo + '/' + nombre + '/'
                        : vRutaDestino + nombre + '/' + ciclo + '/';
}

// The route's folder in the most recent other cycle folder that exists, going back a day at a
// time over one whole cycle; empty when there is none.
QString clsRespaldar::cicloAnterior(const QString& ruta) const {
    const QDate hoy = diaDeCorrida();
    for (int dias = 1; dias <= (vEsSemanal ? 7 : 31); ++dias) {
        const QString carpeta = RutaDeRespaldo(ruta, hoy.addDays(-dias));
        if (carpeta != vRutaRespaldado && DeArchivos::HayCarpeta(carpeta))
            return carpeta;
    }
    return {};
}

// The file's copy in the most recent other cycle folder when it matches the source by the
// differential rule (same size, same time): this run links it instead of copying. Empty otherwise.
QString clsRespaldar::copiaParaEnlazar(qsizetype k, const EntradaCarpeta& entrada) const {
    if (cicloAnterior_.isEmpty() || !entrada.datos)
        return {};
    const QString copia =
        cicloAnterior_ + colDestinos[k].mid(vRutaRespaldado.size()) + entrada.nombre;
    struct stat st {};
    if (::lstat(rutas::aBytes(copia).constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size != entrada.datos->tamano || st.st_mtim.tv_sec != entrada.datos->modificado)
        return {};
    return copia;
}

QString clsRespaldar::cicloDe(const QDate& dia) const {
    if (!vRespaldoMultiple)
        return {};
    return vEsSemanal
               ? servicios_.regional.diaAbreviado(dia)
               : LibORVX::pad(QString::number(dia.day()), 2, '0', LibORVX::Relleno::Izquierda);
}

QString clsRespaldar::cicloDeHoy() const {
    return cicloDe(diaDeCorrida());
}

QString clsRespaldar::ArchivoDeRegistro() const {
    const QString ciclo = cicloDeHoy();
    if (vDiaAlInicio || ciclo.isEmpty())
        return conSeparador(vRutaDestino + ciclo) + RegistroDeCopia::nombreDeArchivo();
    return vRutaDestino + RegistroDeCopia::nombreDeArchivo(ciclo);
}

bool clsRespaldar::GuardarRegistro(const QString& archivo, const RegistroDeCopia& registro,
                                   QString& error) {
    // Written whole to a private file first, then copied as any file of a copy is.
    QTemporaryFile texto(QDir::tempPath() + QStringLiteral("/zarvento-copia-XXXXXX.json"));
    if (!texto.open() || !registro.escribir(texto) || !texto.flush()) {
        error = QStringLiteral("No se pudo escribir ") + texto.fileName() + QStringLiteral(": ") +
                texto.errorString();
        return false;
    }
    // Made for the destination as the settings stand now: they may have changed since the
    // last run.
    destino_ = crearDestino();
    return destino_->crearCarpeta(archivo.left(archivo.lastIndexOf('/') + 1), error) &&
           destino_->copiar(texto.fileName(), archivo, texto.size(), error);
}

void clsRespaldar::BuscarSubdirectorios(const std::vector<EntradaCarpeta>& listadoRuta) {
    registrar(QStringLiteral("Buscando subdirectorios"));
    // Breadth first: folders appended while walking are visited in turn. Each folder is listed
    // once; its subfolders' names wait in `pendientes` until the folder's turn comes.
    std::vector<QStringList> pendientes{subcarpetasDe(listadoRuta)};
    for (qsizetype k = 0; k < colOrigenes.size() && !interrumpida(); ++k)
        AgregarSubdirectorios(k, pendientes);
    registrar(QStringLiteral("Directorios a respaldar"), QString::number(colOrigenes.size()));
}

void clsRespaldar::AgregarSubdirectorios(qsizetype k, std::vector<QStringList>& pendientes) {
    const QStringList nombres = std::move(pendientes[static_cast<std::size_t>(k)]);
    for (const QString& nombre : nombres) {
        servicios_.bomba.pump();
        const QString origen = colOrigenes[k] + nombre + '/';
        if (esCarpetaExcluida(origen))
            continue; // a destination inside the route: never back up the backups
        const ListadoCarpeta contenido = lector_->listar(origen);
        if (!contenido.completo && contenido.entradas.empty()) {
            carpetaSinLeer(origen);
            continue;
        }
        // A listing cut short still gives its folder and the subfolders read before the error;
        // the folder's own listing in the copy walk reports it.
        colOrigenes.append(origen);
        colDestinos.append(colDestinos[k] + nombre + '/');
        lTotalArchivos += archivosEn(contenido.entradas);
        pendientes.push_back(subcarpetasDe(contenido.entradas));
    }
}

bool clsRespaldar::esCarpetaExcluida(const QString& carpeta) const {
    if (carpetasExcluidas_.empty())
        return false;
    const auto identidad = IdentidadDe(carpeta);
    return identidad && std::find(carpetasExcluidas_.begin(), carpetasExcluidas_.end(),
                                  *identidad) != carpetasExcluidas_.end();
}

bool clsRespaldar::CrearRutaDestino(const QString& carpeta, QString& error) {
    return destino_->crearCarpeta(carpeta, error);
}

void clsRespaldar::recorrerArchivos(qsizetype k, const std::vector<EntradaCarpeta>& listado,
                                    const QString& enDonde, bool& resultado) {
    const auto necesita = [&](const EntradaCarpeta& entrada) {
        return !vIncremental || destino_->necesitaCopia(entrada.datos.value_or(DatosArchivo{}),
                                                        colDestinos[k] + entrada.nombre);
    };
    // Copies made on the workers are decided for the whole folder first, so the workers can
    // prepare the next few while the walk logs and names the one before.
    constexpr std::size_t kAdelantadas = 16;
    const bool adelantar = enDonde.isEmpty() && destino_->copiaEnParalelo();
    std::vector<const EntradaCarpeta*> copias; // when adelantar: the folder's copies, in order
    std::map<const EntradaCarpeta*, QString> enlaces; // when adelantar: files linked, and from
    if (adelantar) {
        for (const EntradaCarpeta& entrada : listado) {
            if (!entrada.esArchivoNormal() || !necesita(entrada))
                continue;
            if (QString anterior = copiaParaEnlazar(k, entrada); !anterior.isEmpty())
                enlaces.emplace(&entrada, std::move(anterior));
            else
                copias.push_back(&entrada);
        }
    }
    std::size_t siguiente = 0;  // in copias: the next copy the walk starts
    std::size_t entregadas = 0; // in copias: how many were started or handed ahead
    for (const EntradaCarpeta& entrada : listado) {
        if (!entrada.esArchivoNormal())
            continue;
        stArchivoActual = entrada.nombre;
        ++lRevisados;
        const QString destino = colDestinos[k] + entrada.nombre;
        const QString origen = colOrigenes[k] + entrada.nombre;
        servicios_.bomba.pump();
        bool copiar = adelantar ? siguiente < copias.size() && copias[siguiente] == &entrada
                                : necesita(entrada);
        QString anterior;
        if (adelantar && !copiar) {
            if (const auto enlace = enlaces.find(&entrada); enlace != enlaces.end())
                anterior = enlace->second;
        } else if (copiar && !adelantar) {
            anterior = copiaParaEnlazar(k, entrada);
            copiar = anterior.isEmpty();
        }
        if (!copiar && anterior.isEmpty())
            registro_.conservado(
                {destino.mid(vRutaRespaldado.size()), entrada.datos.value_or(DatosArchivo{})});
        if (!anterior.isEmpty() &&
            !enlazarUno(origen, destino, anterior, entrada.datos.value_or(DatosArchivo{}), enDonde))
            resultado = false;
        if (copiar) {
            if (adelantar)
                ++siguiente;
            if (!copiarUno(origen, destino, entrada.datos.value_or(DatosArchivo{}), enDonde))
                resultado = false;
            // Handed ahead only once the copy before is started, so each source file is read
            // after the walk's notice of the copy before it.
            for (entregadas = std::max(entregadas, siguiente);
                 resultado && entregadas < std::min(siguiente + kAdelantadas, copias.size());
                 ++entregadas) {
                const EntradaCarpeta& copia = *copias[entregadas];
                const QString adelantada = colDestinos[k] + copia.nombre;
                paralelo_.adelantar(adelantada, copia.datos.value_or(DatosArchivo{}).tamano,
                                    preparacion(colOrigenes[k] + copia.nombre, adelantada));
            }
        }
        if (!resultado || interrumpida())
            break;
    }
    paralelo_.descartarAdelantadas(); // those of a walk cut short
}

CopiasEnParalelo::Preparar clsRespaldar::preparacion(const QString& origen,
                                                     const QString& destino) {
    return [this, origen, destino] { return destino_->preparar(origen, destino); };
}

bool clsRespaldar::copiarUno(const QString& origen, const QString& destino,
                             const DatosArchivo& datos, const QString& enDonde) {
    if (!terminarCopia())
        return false;
    archivoEnCurso_ = {destino.mid(vRutaRespaldado.size()), datos};
    if (!registrarArchivo(destino_->verboCopia() + origen + QStringLiteral(" - ") + destino))
        return false;
    if (enDonde.isEmpty())
        return CopiarArchivo(origen, destino, datos.tamano, origen);

    const QString preparado = conSeparador(enDonde) + stArchivoActual;
    QString error;
    if (!copiador_->copiar(origen, preparado, error)) {
        colErroresCopia.append(origen);
        registrarArchivo(QStringLiteral("Error al copiar ") + origen + QStringLiteral(": ") +
                         error);
        return false;
    }
    // What is copied on is the staged file, whatever the source became since it was listed.
    archivoEnCurso_.datos = LeerDatosArchivo(preparado).value_or(datos);
    const bool copiado =
        CopiarArchivo(preparado, destino, archivoEnCurso_.datos.tamano, origen) && terminarCopia();
    ::unlink(rutas::aBytes(preparado).constData());
    return copiado;
}

// Links the copy in the previous cycle folder in under destino, or copies the file when the link
// cannot be made: from then on the run copies (the destination will not take links).
bool clsRespaldar::enlazarUno(const QString& origen, const QString& destino,
                              const QString& anterior, const DatosArchivo& datos,
                              const QString& enDonde) {
    if (!terminarCopia())
        return false;
    if (!cicloAnterior_.isEmpty() && EnlazarCopia(anterior, destino)) {
        ++lIntentados;
        if (!registrarArchivo(QStringLiteral("Enlazando ") + origen + QStringLiteral(" - ") +
                              destino))
            return false;
        ++lRespaldados;
        registro_.copiado({destino.mid(vRutaRespaldado.size()), datos});
        return true;
    }
    if (errno != EMLINK) // too many links to that one file: the next ones may still link
        cicloAnterior_.clear();
    return copiarUno(origen, destino, datos, enDonde);
}

// A local copy runs on a worker while the walk goes on; its result is counted when taken.
bool clsRespaldar::CopiarArchivo(const QString& origen, const QString& destino, qint64 tamano,
                                 const QString& fuenteOriginal) {
    ++lIntentados;
    MostrarAviso(QStringLiteral("Copiando (") + servicios_.regional.agrupado(tamano) +
                 QStringLiteral(" bytes), ") + DeArchivos::NombreDeArchivo(origen) +
                 QStringLiteral("   ") + QString::number(lIntentados) + QStringLiteral(" de ") +
                 QString::number(lTotalArchivos));
    if (destino_->copiaEnParalelo()) {
        fuenteEnCurso_ = fuenteOriginal;
        paralelo_.iniciar(destino, tamano, preparacion(origen, destino));
        return true;
    }
    QString error;
    return contarCopia(destino_->copiar(origen, destino, tamano, error), fuenteOriginal, error);
}

bool clsRespaldar::terminarCopia() {
    if (!paralelo_.enCurso())
        return true;
    QString error;
    const bool copiado = paralelo_.esperar(error);
    return contarCopia(copiado, fuenteEnCurso_, error);
}

bool clsRespaldar::contarCopia(bool copiado, const QString& fuenteOriginal, const QString& error) {
    servicios_.aviso.hideNotice();
    if (copiado) {
        ++lRespaldados;
        registro_.copiado(archivoEnCurso_);
    } else {
        colErroresCopia.append(fuenteOriginal);
        registrarArchivo(QStringLiteral("Error al copiar ") + fuenteOriginal +
                         QStringLiteral(": ") + error);
    }
    return copiado;
}

// Dumps the database the data route holds into the staging folder, so it is backed up with the
// route; false when the dump failed. volcado names the dump made.
bool clsRespaldar::CopiarBase(const QString& ruta, const QString& enDonde, QString& volcado) {
    if (!vCopiaConsistente) {
        if (CarpetaDeServidorActivo(ruta))
            registrar(
                QStringLiteral("Atención"),
                QStringLiteral(
                    "Base de datos en uso: su copia de archivos puede no servir para restaurar"));
        return true;
    }
    // The server's own data folder holds databases but is none.
    for (const char* sistema : {"ibdata1", "aria_log_control"}) {
        if (LeerDatosArchivo(ruta + QLatin1String(sistema)))
            return true;
    }
    ClienteDeBase copia(*vCopiaConsistente, servicios_.bomba, vLimiteCopia);
    const QString base = ClienteDeBase::BaseDeCarpeta(ruta);
    QString error;
    const auto bases = copia.Bases(error);
    if (bases && !bases->contains(base))
        return true;
    registrar(QStringLiteral("Copia consistente"), base);
    const QString archivo = conSeparador(enDonde) + base + QStringLiteral(".sql");
    const auto avisarBloqueo = [this](const QStringList& tablas) {
        constexpr qsizetype kNombradas = 5;
        QString nombradas = tablas.mid(0, kNombradas).join(QStringLiteral(", "));
        if (tablas.size() > kNombradas)
            nombradas += QStringLiteral("…");
        registrar(QStringLiteral("Copia con bloqueo"),
                  QString::number(tablas.size()) +
                      (tablas.size() == 1 ? QStringLiteral(" tabla") : QStringLiteral(" tablas")) +
                      QStringLiteral(" sin transacciones (") + nombradas + ')');
    };
    if (!bases || !copia.Volcar(base, archivo, error, avisarBloqueo)) {
        registrar(QStringLiteral("Copia consistente fallida"), error);
        return false;
    }
    volcado = archivo;
    registro_.base = base;
    vArchivosAdicionales.append(archivo);
    const qint64 tamano = LeerDatosArchivo(archivo).value_or(DatosArchivo{}).tamano;
    registrar(QStringLiteral("Tamaño de la copia"),
              servicios_.regional.agrupado(tamano) + QStringLiteral(" bytes"));
    return true;
}

// Made anew for each run, so always copied, also after a failed copy of the route's own files.
void clsRespaldar::copiarAdicionales(bool& resultado) {
    for (const QString& archivo : vArchivosAdicionales) {
        if (!terminarCopia())
            resultado = false;
        stArchivoActual = DeArchivos::NombreDeArchivo(archivo);
        ++lRevisados;
        const QString destino = colDestinos[0] + stArchivoActual;
        registrarArchivo(destino_->verboCopia() + archivo + QStringLiteral(" - ") + destino);
        const auto datos = LeerDatosArchivo(archivo);
        archivoEnCurso_ = {stArchivoActual, datos.value_or(DatosArchivo{})};
        if (!CopiarArchivo(archivo, destino, datos ? datos->tamano : 0, archivo))
            resultado = false;
    }
}

void clsRespaldar::pasadaBorrado(qsizetype k, const std::vector<EntradaCarpeta>& listadoOrigen,
                                 const QString& enDonde) {
    const ListadoCarpeta listado = destino_->listadoDe(colDestinos[k]);
    QSet<QString> enOrigen;
    if (k == 0) {
        for (const QString& archivo : vArchivosAdicionales)
            enOrigen.insert(DeArchivos::NombreDeArchivo(archivo));
        // A data route's database copy is never surplus: on a day its copy failed (the server
        // down, the password changed) or was not made, the last good one is what is left.
        if (!enDonde.isEmpty())
            enOrigen.insert(ClienteDeBase::BaseDeCarpeta(colOrigenes[0]) + QStringLiteral(".sql"));
    }
    for (const EntradaCarpeta& entrada : listadoOrigen) {
        if (entrada.existeComoArchivo())
            enOrigen.insert(entrada.nombre);
    }
    for (const EntradaCarpeta& entrada : listado.entradas) {
        if (!entrada.esArchivoNormal())
            continue;
        if (interrumpida())
            return;
        servicios_.bomba.pump();
        if (!enOrigen.contains(entrada.nombre))
            BorrarArchivo(colDestinos[k] + entrada.nombre);
    }
}

void clsRespaldar::carpetaSinLeer(const QString& carpeta) {
    if (colErroresLectura.contains(carpeta))
        return;
    colErroresLectura.append(carpeta);
    ++lCarpetasSinLeer;
}

// Entries that are neither files nor folders (a dangling link, a named pipe, a socket, a device)
// cannot be backed up; they are listed rather than left out silently. Hidden ones are left out
// like every hidden entry.
void clsRespaldar::reportarOmitidas(qsizetype k, const std::vector<EntradaCarpeta>& listado) {
    for (const EntradaCarpeta& entrada : listado) {
        if (entrada.tipo == EntradaCarpeta::Tipo::Otro && !entrada.oculta())
            colErroresLectura.append(colOrigenes[k] + entrada.nombre +
                                     QStringLiteral(" (omitido: no es archivo ni carpeta)"));
    }
}

void clsRespaldar::BorrarArchivo(const QString& ruta) {
    if (!registrarArchivo(QStringLiteral("Borrando: ") + ruta))
        return;
    if (::unlink(rutas::aBytes(ruta).constData()) == 0)
        ++lBorrados;
    else
        registrarArchivo(QStringLiteral("No se pudo borrar: ") + ruta);
}

void clsRespaldar::MostrarAviso(const QString& texto) {
    servicios_.aviso.showNotice(rutas::legible(texto));
    servicios_.bomba.pump();
}

void clsRespaldar::resumen() {
    const Regional& regional = servicios_.regional;
    registrar(QStringLiteral("Archivos totales"), regional.agrupado(lTotalArchivos));
    registrar(QStringLiteral("Archivos respaldados"), regional.agrupado(lRespaldados));
    registrar(QStringLiteral("Archivos borrados"), regional.agrupado(lBorrados));
    auto listar = [this](const QString& titulo, const QStringList& entradas) {
        if (entradas.isEmpty())
            return;
        registrar(titulo);
        for (const QString& entrada : entradas)
            registrar(entrada);
    };
    listar(QStringLiteral("* * * Directorios o rutas con error al leer * * *"), colErroresLectura);
    listar(QStringLiteral("* * * Archivos con error al copiar * * *"), colErroresCopia);
    if (lCarpetasSinLeer > 0)
        registrar(QStringLiteral("Respaldo incompleto"),
                  regional.agrupado(lCarpetasSinLeer) +
                      (lCarpetasSinLeer == 1 ? QStringLiteral(" carpeta no se pudo leer")
                                             : QStringLiteral(" carpetas no se pudieron leer")));
}

bool clsRespaldar::registrar(const QString& etiqueta, const QString& dato) {
    if (interrumpida())
        return false;
    return Bitacorear(etiqueta, dato) ||
           interrumpir(QStringLiteral("No se puede escribir en ") + bitacora_.archivo());
}

bool clsRespaldar::registrarArchivo(const QString& texto) {
    if (interrumpida())
        return false;
    return ArchivoBitacora(texto) ||
           interrumpir(QStringLiteral("No se puede escribir en ") + bitacora_.archivo());
}

} // namespace zarvento
