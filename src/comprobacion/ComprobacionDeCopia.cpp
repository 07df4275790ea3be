#include "comprobacion/ComprobacionDeCopia.h"

#include "comprobacion/ComprobacionDeBase.h"
#include "comprobacion/ServidorDePrueba.h"
#include "engine/FolderListing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <limits>

namespace zarvento {

namespace {

constexpr qint64 kBloque = 1 << 20;

// The private folder of the proof under way, for Descartar.
QString carpetaEnUso;

// The route's folder name and the file's path below it, as the log names a file.
QString nombreEnBitacora(const RutaRegistrada& ruta, const QString& relativa) {
    return QFileInfo(QDir::cleanPath(ruta.origen)).fileName() + '/' + relativa;
}

QString volcadoDe(const RutaRegistrada& ruta) {
    return ruta.base.isEmpty() ? QString() : ruta.base + QStringLiteral(".sql");
}

} // namespace

ComprobacionDeCopia::ComprobacionDeCopia(AlmacenDeCopias& almacen, QString raiz,
                                         OpcionesDeComprobacion opciones, EventPump& bomba)
    : almacen_(almacen), raiz_(std::move(raiz)), opciones_(std::move(opciones)), bomba_(bomba) {}

bool ComprobacionDeCopia::comprobarRuta(const RutaRegistrada& ruta,
                                        ResultadoDeComprobacion& resultado) {
    opciones_.avance(QStringLiteral("Comprobando ") + ruta.origen);
    // The dump is proven by loading it.
    const QString volcado = volcadoDe(ruta);
    const auto siempre = [&](const ArchivoRegistrado& archivo) {
        return opciones_.todos || archivo.copiado ||
               static_cast<qint64>(qHash(archivo.ruta, 0) % OpcionesDeComprobacion::kTurnos) ==
                   opciones_.turno % OpcionesDeComprobacion::kTurnos;
    };
    bool correcta = true;
    const auto leer = [&](bool recorrida) {
        if (!recorrida && correcta) {
            resultado.falla =
                ruta.origen + QStringLiteral(": no se pudo leer su lista de archivos");
            correcta = false;
        }
        return correcta;
    };
    // The run's share of the files and those it copied, then more until the minimum is read.
    if (!leer(ruta.recorrer([&](const ArchivoRegistrado& archivo) {
            if (archivo.ruta != volcado && siempre(archivo))
                correcta = comprobarArchivo(ruta, archivo, resultado);
            return correcta;
        })))
        return false;
    const qint64 minimo = resultado.bytes + OpcionesDeComprobacion::kMinimo;
    return opciones_.todos || leer(ruta.recorrer([&](const ArchivoRegistrado& archivo) {
               if (archivo.ruta != volcado && !siempre(archivo))
                   correcta = comprobarArchivo(ruta, archivo, resultado);
               return correcta && resultado.bytes < minimo;
           }));
}

bool ComprobacionDeCopia::comprobarArchivo(const RutaRegistrada& ruta,
                                           const ArchivoRegistrado& archivo,
                                           ResultadoDeComprobacion& resultado) {
    const auto fallo = [&](const QString& motivo) {
        resultado.falla = nombreEnBitacora(ruta, archivo.ruta) + QStringLiteral(": ") + motivo;
        return false;
    };
    if (opciones_.limite.hasExpired())
        return fallo(QStringLiteral("tiempo agotado"));
    const QString destino = raiz_ + ruta.destino + archivo.ruta;
    const QString origen = QDir::cleanPath(ruta.origen) + '/' + archivo.ruta;
    // The source tells what the copy must hold only while it is what the run copied.
    const auto fuente = LeerDatosArchivo(origen);
    const bool comparable = fuente && fuente->tamano == archivo.datos.tamano &&
                            fuente->modificado == archivo.datos.modificado &&
                            archivo.datos.modificado < inicio_;
    // A copy found different from its source is copied again by the next run.
    const auto distinta = [&](QString motivo) {
        QString error;
        if (comparable && !almacen_.copiarDeNuevo(destino, error))
            motivo += QStringLiteral(" (no se pudo preparar su nueva copia: ") + error + ')';
        return fallo(motivo);
    };

    const QString descarga = opciones_.carpeta + QStringLiteral("/descarga");
    QFile::remove(descarga);
    QString error;
    const QString leida = almacen_.legible(destino, descarga, archivo.datos.tamano, error);
    QFile copia(leida);
    if (leida.isEmpty() || !copia.open(QIODevice::ReadOnly))
        return fallo(QStringLiteral("no se pudo leer la copia: ") +
                     (leida.isEmpty() ? error : copia.errorString()));
    if (copia.size() != archivo.datos.tamano)
        return distinta(QStringLiteral("la copia mide ") + QString::number(copia.size()) +
                        QStringLiteral(" bytes, el registro dice ") +
                        QString::number(archivo.datos.tamano));
    if (almacen_.conservaHoras() &&
        QFileInfo(copia).lastModified().toSecsSinceEpoch() != archivo.datos.modificado)
        return distinta(QStringLiteral("la copia no tiene la hora registrada"));
    QFile original(origen);
    if (comparable && !original.open(QIODevice::ReadOnly))
        return fallo(QStringLiteral("no se pudo leer el original: ") + original.errorString());
    for (qint64 hecho = 0; hecho < archivo.datos.tamano;) {
        if (opciones_.limite.hasExpired())
            return fallo(QStringLiteral("tiempo agotado"));
        const QByteArray en = copia.read(kBloque);
        const QByteArray de = comparable ? original.read(en.size()) : en;
        if (en.isEmpty() || de.size() != en.size())
            return fallo(QStringLiteral("lectura incompleta"));
        if (de != en) {
            const auto distinto = std::mismatch(de.begin(), de.end(), en.begin()).first;
            return distinta(QStringLiteral("distinto en el byte ") +
                            QString::number(hecho + (distinto - de.begin()) + 1));
        }
        hecho += en.size();
        resultado.bytes += en.size();
        bomba_.pump();
    }
    ++resultado.archivos;
    return true;
}

bool ComprobacionDeCopia::comprobarBase(const RutaRegistrada& ruta, ComprobacionDeBase& bases,
                                        ResultadoDeComprobacion& resultado) {
    const QString nombre = volcadoDe(ruta);
    if (nombre.isEmpty())
        return true;
    opciones_.avance(QStringLiteral("Cargando ") + nombre +
                     QStringLiteral(" en un servidor de prueba"));
    const QString destino = raiz_ + ruta.destino + nombre;
    QString error;
    const QString volcado = almacen_.legible(destino, opciones_.carpeta + '/' + nombre, 0, error);
    if (volcado.isEmpty() || !QFile::exists(volcado)) {
        resultado.falla =
            nombre + (volcado.isEmpty() ? QStringLiteral(": no se pudo traer: ") + error
                                        : QStringLiteral(": falta en la copia"));
        return false;
    }
    const bool correcta = bases.comprobar(volcado, ruta.base, resultado.falla);
    if (volcado != destino)
        QFile::remove(volcado);
    resultado.tablas = bases.tablas();
    return correcta;
}

ResultadoDeComprobacion ComprobacionDeCopia::comprobar(const RegistroDeCopia& registro) {
    ResultadoDeComprobacion resultado;
    resultado.todos = opciones_.todos;
    inicio_ = registro.inicio.isValid() ? registro.inicio.toSecsSinceEpoch()
                                        : std::numeric_limits<qint64>::max();
    QDir(opciones_.carpeta).removeRecursively();
    carpetaEnUso = opciones_.carpeta;
    if (!QDir().mkpath(opciones_.carpeta) ||
        !QFile::setPermissions(opciones_.carpeta,
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        resultado.falla = QStringLiteral("No se pudo crear ") + opciones_.carpeta;
    } else {
        ComprobacionDeBase bases(opciones_.carpeta + QStringLiteral("/servidor"), bomba_,
                                 opciones_.limite);
        for (const RutaRegistrada& ruta : registro.rutas) {
            if (!comprobarRuta(ruta, resultado) || !comprobarBase(ruta, bases, resultado))
                break;
        }
    }
    QDir(opciones_.carpeta).removeRecursively();
    carpetaEnUso.clear();
    resultado.momento = QDateTime::currentDateTime();
    return resultado;
}

void ComprobacionDeCopia::Descartar() {
    ServidorDePrueba::Descartar();
    if (!carpetaEnUso.isEmpty())
        QDir(carpetaEnUso).removeRecursively();
    carpetaEnUso.clear();
}

} // namespace zarvento
