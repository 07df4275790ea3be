#include "comprobacion/ComprobacionDeCopia.h"

#include "comprobacion/ComprobacionDeBase.h"
#include "host/ClienteDeBase.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

namespace zarvento {

namespace {

constexpr qint64 kBloque = 1 << 20;

// A copy found different gets the oldest time, so the next run's differential rule copies it.
void copiarDeNuevo(const QString& destino) {
    const timespec tiempos[2] = {{0, UTIME_OMIT}, {0, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(destino).constData(), tiempos, 0);
}

} // namespace

struct ComprobacionDeCopia::Archivo {
    QString relativa; // below the route's folder, as the log names it
    QString origen;
    QString destino;
    qint64 tamano = 0;
    QDateTime modificado;
};

ComprobacionDeCopia::ComprobacionDeCopia(OpcionesDeComprobacion opciones, EventPump& bomba,
                                         Traer traer)
    : opciones_(std::move(opciones)), bomba_(bomba), traer_(std::move(traer)) {}

std::vector<ComprobacionDeCopia::Archivo>
ComprobacionDeCopia::muestra(const RutaDeCorrida& ruta) const {
    const QString origen = QDir::cleanPath(ruta.origen) + '/';
    const QString carpeta = QFileInfo(QDir::cleanPath(ruta.origen)).fileName() + '/';
    std::vector<Archivo> todos;
    QDirIterator it(origen, QDir::Files,
                    !ruta.datos && opciones_.subcarpetas ? QDirIterator::Subdirectories
                                                         : QDirIterator::NoIteratorFlags);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        const QString relativa = info.filePath().mid(origen.size());
        todos.push_back({carpeta + relativa, info.filePath(), ruta.destino + relativa, info.size(),
                         info.lastModified()});
    }
    if (opciones_.todos)
        return todos;
    std::sort(todos.begin(), todos.end(),
              [](const Archivo& a, const Archivo& b) { return a.relativa < b.relativa; });
    // This run's share of the files, those it copied, and more until the minimum is read.
    std::vector<Archivo> elegidos;
    std::vector<Archivo> resto;
    qint64 bytes = 0;
    for (Archivo& archivo : todos) {
        const bool turno =
            static_cast<qint64>(qHash(archivo.relativa, 0) % OpcionesDeComprobacion::kTurnos) ==
            opciones_.turno % OpcionesDeComprobacion::kTurnos;
        if (turno || archivo.modificado >= opciones_.copiados) {
            bytes += archivo.tamano;
            elegidos.push_back(std::move(archivo));
        } else {
            resto.push_back(std::move(archivo));
        }
    }
    for (Archivo& archivo : resto) {
        if (bytes >= OpcionesDeComprobacion::kMinimo)
            break;
        bytes += archivo.tamano;
        elegidos.push_back(std::move(archivo));
    }
    return elegidos;
}

QString ComprobacionDeCopia::local(const QString& destino, QString& error) {
    if (!traer_)
        return destino;
    const QString descarga = opciones_.carpeta + QStringLiteral("/descarga");
    QFile::remove(descarga);
    if (!traer_(destino, descarga, error))
        return {};
    return descarga;
}

bool ComprobacionDeCopia::comprobarArchivo(const Archivo& archivo,
                                           ResultadoDeComprobacion& resultado) {
    const auto fallo = [&](const QString& motivo) {
        resultado.falla = archivo.relativa + QStringLiteral(": ") + motivo;
        return false;
    };
    // A source changed since the run started is no longer what the copy holds.
    if (archivo.modificado >= opciones_.inicio)
        return true;
    if (!traer_) {
        const QFileInfo copia(archivo.destino);
        if (!copia.exists())
            return fallo(QStringLiteral("falta en la copia"));
        if (copia.size() != archivo.tamano ||
            copia.lastModified().toSecsSinceEpoch() != archivo.modificado.toSecsSinceEpoch()) {
            copiarDeNuevo(archivo.destino);
            return fallo(QStringLiteral("la copia no tiene el tamaño y la hora del original"));
        }
    }
    QString error;
    const QString leida = local(archivo.destino, error);
    if (leida.isEmpty())
        return fallo(QStringLiteral("no se pudo leer la copia: ") + error);
    QFile a(archivo.origen);
    QFile b(leida);
    if (!a.open(QIODevice::ReadOnly))
        return fallo(QStringLiteral("no se pudo leer el original: ") + a.errorString());
    if (!b.open(QIODevice::ReadOnly))
        return fallo(QStringLiteral("no se pudo leer la copia: ") + b.errorString());
    if (b.size() != archivo.tamano)
        return fallo(QStringLiteral("la copia mide ") + QString::number(b.size()) +
                     QStringLiteral(" bytes, el original ") + QString::number(archivo.tamano));
    for (qint64 hecho = 0; hecho < archivo.tamano;) {
        if (opciones_.limite.hasExpired())
            return fallo(QStringLiteral("tiempo agotado"));
        const QByteArray de = a.read(kBloque);
        const QByteArray en = b.read(kBloque);
        if (de.isEmpty() || de.size() != en.size())
            return fallo(QStringLiteral("lectura incompleta"));
        if (de != en) {
            const auto distinto = std::mismatch(de.begin(), de.end(), en.begin()).first;
            if (!traer_)
                copiarDeNuevo(archivo.destino);
            return fallo(QStringLiteral("distinto en el byte ") +
                         QString::number(hecho + (distinto - de.begin()) + 1));
        }
        hecho += de.size();
        resultado.bytes += de.size();
        bomba_.pump();
    }
    ++resultado.archivos;
    return true;
}

bool ComprobacionDeCopia::comprobarBase(const RutaDeCorrida& ruta, ComprobacionDeBase& bases,
                                        ResultadoDeComprobacion& resultado) {
    // Only a database's own folder is dumped, never the server's data folder.
    const QString origen = QDir::cleanPath(ruta.origen) + '/';
    if (!ruta.datos || !opciones_.consistente ||
        !QFile::exists(origen + QStringLiteral("db.opt")) ||
        QFile::exists(origen + QStringLiteral("ibdata1")))
        return true;
    const QString base = ClienteDeBase::BaseDeCarpeta(ruta.origen);
    const QString nombre = base + QStringLiteral(".sql");
    QString error;
    QString volcado = ruta.destino + nombre;
    if (traer_) {
        volcado = opciones_.carpeta + '/' + nombre;
        if (!traer_(ruta.destino + nombre, volcado, error)) {
            resultado.falla = nombre + QStringLiteral(": no se pudo traer: ") + error;
            return false;
        }
    } else if (!QFile::exists(volcado)) {
        resultado.falla = nombre + QStringLiteral(": falta en la copia");
        return false;
    }
    const bool correcta = bases.comprobar(volcado, base, resultado.falla);
    if (traer_)
        QFile::remove(volcado);
    resultado.tablas = bases.tablas();
    return correcta;
}

ResultadoDeComprobacion ComprobacionDeCopia::comprobar(const std::vector<RutaDeCorrida>& rutas) {
    ResultadoDeComprobacion resultado;
    QDir(opciones_.carpeta).removeRecursively();
    if (!QDir().mkpath(opciones_.carpeta) ||
        !QFile::setPermissions(opciones_.carpeta,
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        resultado.falla = QStringLiteral("No se pudo crear ") + opciones_.carpeta;
        return resultado;
    }
    {
        ComprobacionDeBase bases(opciones_.carpeta + QStringLiteral("/servidor"), bomba_,
                                 opciones_.limite);
        bool correcta = true;
        for (auto ruta = rutas.begin(); correcta && ruta != rutas.end(); ++ruta) {
            for (const Archivo& archivo : muestra(*ruta))
                correcta = correcta && comprobarArchivo(archivo, resultado);
            correcta = correcta && comprobarBase(*ruta, bases, resultado);
        }
    }
    QDir(opciones_.carpeta).removeRecursively();
    return resultado;
}

} // namespace zarvento
