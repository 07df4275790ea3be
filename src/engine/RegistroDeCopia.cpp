#include "engine/RegistroDeCopia.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
#include <algorithm>
#include <cstring>

namespace zarvento {

namespace {

constexpr const char* kMarca = "zarvento-copia";
constexpr const char* kPrefijoCiclo = ".zarvento-copia-";
constexpr const char* kExtension = ".json";

QByteArray compacto(const QJsonObject& objeto) {
    return QJsonDocument(objeto).toJson(QJsonDocument::Compact);
}

// The object's text without its closing brace, so more members can follow on other lines.
QByteArray abierto(const QJsonObject& objeto) {
    return compacto(objeto).chopped(1);
}

// Run times keep the workstation's offset; file times are UTC.
QString fechaHora(const QDateTime& momento) {
    return momento.isValid()
               ? momento.toOffsetFromUtc(momento.offsetFromUtc()).toString(Qt::ISODate)
               : QString();
}

QString horaDeArchivo(qint64 segundos) {
    return QDateTime::fromSecsSinceEpoch(segundos, Qt::UTC).toString(Qt::ISODate);
}

QByteArray lineaDeArchivo(const ArchivoRegistrado& archivo) {
    return QJsonDocument(QJsonArray{archivo.ruta, archivo.datos.tamano,
                                    horaDeArchivo(archivo.datos.modificado)})
        .toJson(QJsonDocument::Compact);
}

// A file's entry, [path, size, time]; nullopt for any other value.
std::optional<ArchivoRegistrado> archivoDe(const QJsonArray& campos) {
    const QDateTime hora = QDateTime::fromString(campos.at(2).toString(), Qt::ISODate);
    if (campos.size() != 3 || campos.at(0).toString().isEmpty() || !hora.isValid())
        return std::nullopt;
    return ArchivoRegistrado{campos.at(0).toString(),
                             {campos.at(1).toInteger(), hora.toSecsSinceEpoch()}};
}

QJsonObject comoObjeto(const ResultadoDeComprobacion& c) {
    return {{"resultado", c.resultado()},
            {"momento", fechaHora(c.momento)},
            {"todos los archivos", c.todos},
            {"archivos", c.archivos},
            {"bytes", c.bytes},
            {"tablas", c.tablas},
            {"falla", c.falla}};
}

std::optional<ResultadoDeComprobacion> comprobacionDe(const QJsonValue& valor) {
    if (!valor.isObject())
        return std::nullopt;
    const QJsonObject o = valor.toObject();
    ResultadoDeComprobacion c;
    c.momento = QDateTime::fromString(o.value("momento").toString(), Qt::ISODate);
    c.todos = o.value("todos los archivos").toBool();
    c.archivos = o.value("archivos").toInteger();
    c.bytes = o.value("bytes").toInteger();
    c.tablas = o.value("tablas").toInteger();
    c.falla = o.value("falla").toString();
    return c;
}

} // namespace

void RutaRegistrada::copiado(const ArchivoRegistrado& archivo) {
    ++archivosCopiados;
    bytesCopiados += archivo.datos.tamano;
    anotar(archivo, true);
}

void RutaRegistrada::conservado(const ArchivoRegistrado& archivo) {
    ++archivosConservados;
    bytesConservados += archivo.datos.tamano;
    anotar(archivo, false);
}

void RutaRegistrada::anotar(ArchivoRegistrado archivo, bool copiado) {
    if (!anotados) {
        anotados = std::make_shared<QTemporaryFile>(QDir::tempPath() +
                                                    QStringLiteral("/zarvento-archivos-XXXXXX"));
        if (!anotados->open())
            anotados.reset();
    }
    // A spool that cannot be written keeps the files in memory instead.
    archivo.copiado = copiado;
    if (anotados && anotados->write(lineaDeArchivo(archivo) + ",\n") >= 0)
        copiadosAnotados_.push_back(copiado);
    else
        archivos.push_back(std::move(archivo));
}

bool RutaRegistrada::recorrer(const std::function<bool(const ArchivoRegistrado&)>& visitar) const {
    for (const ArchivoRegistrado& archivo : archivos) {
        if (!visitar(archivo))
            return true;
    }
    if (!anotados)
        return true;
    QFile leido(anotados->fileName());
    if (!anotados->flush() || !leido.open(QIODevice::ReadOnly))
        return false;
    for (std::size_t i = 0; !leido.atEnd(); ++i) {
        const QByteArray linea = leido.readLine().trimmed();
        auto archivo = archivoDe(QJsonDocument::fromJson(linea.left(linea.size() - 1)).array());
        if (!archivo)
            return false;
        archivo->copiado = i < copiadosAnotados_.size() && copiadosAnotados_[i];
        if (!visitar(*archivo))
            return true;
    }
    return true;
}

bool RegistroDeCopia::correcta() const {
    return fin.isValid() && std::all_of(rutas.begin(), rutas.end(),
                                        [](const RutaRegistrada& r) { return r.correcta; });
}

QString RegistroDeCopia::nombreDeArchivo(const QString& cicloAlFinal) {
    return cicloAlFinal.isEmpty()
               ? QStringLiteral(".zarvento-copia.json")
               : QLatin1String(kPrefijoCiclo) + cicloAlFinal + QLatin1String(kExtension);
}

QString RegistroDeCopia::cicloDelArchivo(const QString& nombre) {
    const qsizetype largo = nombre.size() - qsizetype(strlen(kPrefijoCiclo) + strlen(kExtension));
    if (largo <= 0 || !nombre.startsWith(QLatin1String(kPrefijoCiclo)) ||
        !nombre.endsWith(QLatin1String(kExtension)))
        return {};
    return nombre.mid(qsizetype(strlen(kPrefijoCiclo)), largo);
}

bool RegistroDeCopia::escribir(QIODevice& salida) const {
    QJsonObject cabecera{
        {"registro", kMarca},    {"formato", kFormato},    {"inicio", fechaHora(inicio)},
        {"fin", fechaHora(fin)}, {"resultado", resultado}, {"version", version},
        {"equipo", equipo}};
    if (comprobacion)
        cabecera.insert("comprobacion", comoObjeto(*comprobacion));
    bool bien = salida.write(abierto(cabecera) + ",\n\"rutas\": [") >= 0;
    const char* separadorRuta = "\n";
    for (const RutaRegistrada& ruta : rutas) {
        bien = bien && salida.write(separadorRuta) >= 0 &&
               salida.write(abierto({{"origen", ruta.origen},
                                     {"destino", ruta.destino},
                                     {"datos", ruta.datos},
                                     {"correcta", ruta.correcta},
                                     {"archivos copiados", ruta.archivosCopiados},
                                     {"bytes copiados", ruta.bytesCopiados},
                                     {"archivos conservados", ruta.archivosConservados},
                                     {"bytes conservados", ruta.bytesConservados},
                                     {"base", ruta.base}}) +
                            ",\n\"archivos\": [\n") >= 0;
        separadorRuta = ",\n";
        // Every line ends with a comma; an empty entry closes the list.
        for (const ArchivoRegistrado& archivo : ruta.archivos)
            bien = bien && salida.write(lineaDeArchivo(archivo) + ",\n") >= 0;
        if (ruta.anotados && ruta.anotados->flush()) {
            QFile leido(ruta.anotados->fileName());
            bien = bien && leido.open(QIODevice::ReadOnly);
            while (bien && !leido.atEnd())
                bien = salida.write(leido.read(1 << 20)) >= 0;
        }
        bien = bien && salida.write("[]\n]}") >= 0;
    }
    return bien && salida.write("\n]}\n") >= 0;
}

std::optional<RegistroDeCopia> RegistroDeCopia::leer(const QByteArray& texto, QString& error) {
    QJsonParseError fallo;
    const QJsonDocument documento = QJsonDocument::fromJson(texto, &fallo);
    const QJsonObject raiz = documento.object();
    if (documento.isNull() || raiz.value("registro").toString() != QLatin1String(kMarca)) {
        error = fallo.error != QJsonParseError::NoError
                    ? fallo.errorString() + QStringLiteral(" (posición ") +
                          QString::number(fallo.offset) + ')'
                    : QStringLiteral("no es un registro de copia");
        return std::nullopt;
    }
    RegistroDeCopia registro;
    registro.inicio = QDateTime::fromString(raiz.value("inicio").toString(), Qt::ISODate);
    registro.fin = QDateTime::fromString(raiz.value("fin").toString(), Qt::ISODate);
    registro.resultado = raiz.value("resultado").toString();
    registro.version = raiz.value("version").toString();
    registro.equipo = raiz.value("equipo").toString();
    registro.comprobacion = comprobacionDe(raiz.value("comprobacion"));
    for (const QJsonValue& valor : raiz.value("rutas").toArray()) {
        const QJsonObject r = valor.toObject();
        RutaRegistrada ruta;
        ruta.origen = r.value("origen").toString();
        ruta.destino = r.value("destino").toString();
        ruta.datos = r.value("datos").toBool();
        ruta.correcta = r.value("correcta").toBool();
        ruta.archivosCopiados = r.value("archivos copiados").toInteger();
        ruta.bytesCopiados = r.value("bytes copiados").toInteger();
        ruta.archivosConservados = r.value("archivos conservados").toInteger();
        ruta.bytesConservados = r.value("bytes conservados").toInteger();
        ruta.base = r.value("base").toString();
        const QJsonArray archivos = r.value("archivos").toArray();
        ruta.archivos.reserve(std::size_t(archivos.size()));
        for (const QJsonValue& a : archivos) {
            const QJsonArray campos = a.toArray();
            if (campos.isEmpty())
                continue; // the list's closing entry
            auto archivo = archivoDe(campos);
            if (!archivo) {
                error = QStringLiteral("archivo mal registrado en la ruta ") + ruta.origen;
                return std::nullopt;
            }
            ruta.archivos.push_back(std::move(*archivo));
        }
        registro.rutas.push_back(std::move(ruta));
    }
    return registro;
}

} // namespace zarvento
