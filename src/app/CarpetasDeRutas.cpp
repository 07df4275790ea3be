#include "app/CarpetasDeRutas.h"

#include "engine/RutaRespaldo.h"

#include <QSet>

namespace zarvento {

namespace {

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
// no route has taken.
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

CarpetasDeRutas::CarpetasDeRutas(const QStringList& lineas) {
    std::vector<Ruta> rutas;
    QSet<QString> vistas;
    for (const QString& linea : lineas) {
        if (!MotivoRutaIncorrecta(linea).isEmpty())
            continue;
        const QString normalizada = NormalizarRuta(linea);
        if (vistas.contains(normalizada))
            continue;
        vistas.insert(normalizada);
        rutas.push_back({linea, normalizada, NombreDeCarpeta(normalizada)});
    }
    // Every route's own name is reserved before any later route of a shared name gets another.
    QHash<QString, int> porNombre;
    for (const Ruta& ruta : rutas)
        ++porNombre[clave(ruta.nombre)];
    QSet<QString> tomados(porNombre.keyBegin(), porNombre.keyEnd());
    QSet<QString> conDueno;
    for (const Ruta& ruta : rutas) {
        const QString propia = clave(ruta.nombre);
        if (porNombre.value(propia) < 2)
            continue;
        QString nombre = ruta.nombre;
        if (conDueno.contains(propia)) {
            nombre = nombreLibre(ruta, tomados);
            tomados.insert(clave(nombre));
            distintos_.insert(ruta.normalizada, nombre);
        }
        conDueno.insert(propia);
        coincidencias_.emplace_back(ruta.linea, nombre);
    }
}

QString CarpetasDeRutas::nombreDistinto(const QString& linea) const {
    if (!MotivoRutaIncorrecta(linea).isEmpty())
        return {};
    return distintos_.value(NormalizarRuta(linea));
}

} // namespace zarvento
