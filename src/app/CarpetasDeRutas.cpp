#include "app/CarpetasDeRutas.h"

#include "app/RutasARespaldar.h"
#include "engine/RutaRespaldo.h"
#include "host/TextFiles.h"

#include <QSet>

namespace zarvento {

namespace {

// A record line: the folder name, a tab, the normalised route (routes with control characters
// are refused, so neither part holds a tab or a line end).
constexpr QChar kSeparador = '\t';

struct Ruta {
    QString linea;
    QString normalizada;
    QString nombre;
};

QString clave(const QString& nombre) {
    return nombre.normalized(QString::NormalizationForm_C).toCaseFolded();
}

QString padreDe(const QString& normalizada) {
    const QString sinBarra = normalizada.left(normalizada.size() - 1);
    return NombreDeCarpeta(sinBarra.left(sinBarra.lastIndexOf('/') + 1));
}

// The first of "name (parent)", "name (parent 2)", ... ("name (2)", ... without a parent) that
// is not taken.
QString nombreLibre(const Ruta& ruta, const QSet<QString>& tomados) {
    const QString padre = padreDe(ruta.normalizada);
    for (int n = 1;; ++n) {
        QString sufijo = padre;
        if (n > 1)
            sufijo += (padre.isEmpty() ? QString() : QStringLiteral(" ")) + QString::number(n);
        const QString candidato = ruta.nombre + QStringLiteral(" (") + sufijo + ')';
        if (!sufijo.isEmpty() && !tomados.contains(clave(candidato)))
            return candidato;
    }
}

} // namespace

CarpetasDeRutas::CarpetasDeRutas(const QStringList& lineas, const QStringList& registro) {
    // The record: normalised route -> its folder; a line naming a route or a folder already
    // given (an edited file) is left out.
    QHash<QString, QString> duenos;
    QSet<QString> tomados; // folder names owned, and every listed route's own name
    for (const QString& linea : registro) {
        const qsizetype tab = linea.indexOf(kSeparador);
        const QString nombre = linea.left(tab);
        const QString ruta = linea.mid(tab + 1);
        if (tab <= 0 || ruta.isEmpty() || duenos.contains(ruta) || tomados.contains(clave(nombre)))
            continue;
        duenos.insert(ruta, nombre);
        tomados.insert(clave(nombre));
        registro_.append(linea);
    }
    const QSet<QString> conDueno = tomados;

    std::vector<Ruta> rutas;
    QSet<QString> vistas;
    QHash<QString, int> porNombre;
    for (const QString& linea : lineas) {
        if (!MotivoRutaIncorrecta(linea).isEmpty())
            continue;
        const QString normalizada = NormalizarRuta(linea);
        if (vistas.contains(normalizada))
            continue;
        vistas.insert(normalizada);
        rutas.push_back({linea, normalizada, NombreDeCarpeta(normalizada)});
        ++porNombre[clave(rutas.back().nombre)];
        // Every route's own name is reserved before a route of a shared name gets another.
        tomados.insert(clave(rutas.back().nombre));
    }

    QSet<QString> dados = conDueno; // folder names owned so far
    for (const Ruta& ruta : rutas) {
        if (ruta.nombre.isEmpty())
            continue; // the root itself: copied into the destination root
        QString nombre = duenos.value(ruta.normalizada);
        if (nombre.isEmpty()) {
            nombre = dados.contains(clave(ruta.nombre)) ? nombreLibre(ruta, tomados) : ruta.nombre;
            tomados.insert(clave(nombre));
            dados.insert(clave(nombre));
            registro_.append(nombre + kSeparador + ruta.normalizada);
            registroNuevo_ = true;
        }
        if (nombre != ruta.nombre)
            distintos_.insert(ruta.normalizada, nombre);
        if (nombre != ruta.nombre || porNombre.value(clave(ruta.nombre)) > 1)
            coincidencias_.emplace_back(ruta.linea, nombre);
    }
}

CarpetasDeRutas CarpetasDeRutas::deArchivos(const QString& documentos, const QString& datos,
                                            const QString& archivoRegistro) {
    const auto registro = textfiles::read(archivoRegistro);
    return CarpetasDeRutas(rutas::LineasDeAmbas(documentos, datos),
                           registro ? textfiles::splitAnyLineEnd(*registro) : QStringList());
}

QString CarpetasDeRutas::nombreDistinto(const QString& linea) const {
    if (!MotivoRutaIncorrecta(linea).isEmpty())
        return {};
    return distintos_.value(NormalizarRuta(linea));
}

Resultado<> CarpetasDeRutas::guardarRegistro(const QString& archivo) const {
    if (!registroNuevo_)
        return {};
    QString error;
    if (!textfiles::writeAtomically(
            archivo, registro_.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), &error))
        return Fallo{error};
    return {};
}

} // namespace zarvento
