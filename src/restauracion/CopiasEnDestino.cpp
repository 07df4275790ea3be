#include "restauracion/CopiasEnDestino.h"

#include "host/Regional.h"

#include <QSet>
#include <algorithm>
#include <map>

namespace zarvento {

namespace {

// Names a run gives its cycle folders: the weekdays of the regional settings and 01 to 31.
bool esNombreDeCiclo(const QString& nombre) {
    static const QSet<QString> nombres = [] {
        QSet<QString> n;
        const Regional regional;
        const QDate lunes(2026, 12, 7);
        for (int d = 0; d < 7; ++d)
            n.insert(regional.diaAbreviado(lunes.addDays(d)));
        for (int d = 1; d <= 31; ++d)
            n.insert(QStringLiteral("%1").arg(d, 2, 10, QLatin1Char('0')));
        return n;
    }();
    return nombres.contains(nombre);
}

QStringList carpetasVisibles(const QList<EntradaDeCopia>& entradas) {
    QStringList nombres;
    for (const EntradaDeCopia& e : entradas) {
        if (e.carpeta && !e.nombre.startsWith('.'))
            nombres.append(e.nombre);
    }
    return nombres;
}

void leerRegistro(AlmacenDeCopias& almacen, const QString& archivo, CopiaDisponible& copia) {
    QString error;
    const auto texto = almacen.leer(archivo, error);
    if (texto)
        copia.registro = RegistroDeCopia::leer(*texto, error);
    if (copia.registro)
        copia.momento = copia.registro->inicio;
}

} // namespace

QString CopiaDisponible::nombreVisible() const {
    return nombre.isEmpty() ? QStringLiteral("-") : nombre;
}

QString CopiaDisponible::resultado() const {
    if (!registro)
        return QStringLiteral("Sin registro");
    return registro->resultado;
}

std::vector<RutaRegistrada> CopiaDisponible::rutas() const {
    if (registro)
        return registro->rutas;
    std::vector<RutaRegistrada> rutas;
    for (const QString& carpeta : carpetas) {
        RutaRegistrada ruta;
        ruta.origen = carpeta;
        ruta.destino = carpeta;
        ruta.correcta = true;
        rutas.push_back(ruta);
    }
    return rutas;
}

std::optional<std::vector<CopiaDisponible>>
ListarCopias(AlmacenDeCopias& almacen, const LugarDeCopias& lugar, QString& error) {
    const auto raiz = almacen.listar(lugar.raiz, error);
    if (!raiz)
        return std::nullopt;
    std::vector<CopiaDisponible> copias;
    const auto agregar = [&](CopiaDisponible copia, const QString& archivoRegistro) {
        copia.archivoDeRegistro = archivoRegistro;
        leerRegistro(almacen, archivoRegistro, copia);
        if (copia.registro)
            copia.carpetas.clear();
        if (copia.registro || !copia.carpetas.isEmpty())
            copias.push_back(std::move(copia));
    };

    if (!lugar.ciclos) {
        CopiaDisponible copia;
        for (const QString& nombre : carpetasVisibles(*raiz))
            copia.carpetas.append(nombre + '/');
        for (const EntradaDeCopia& e : *raiz)
            copia.momento = std::max(copia.momento, e.modificado);
        agregar(std::move(copia), lugar.raiz + RegistroDeCopia::nombreDeArchivo());
    } else if (lugar.cicloPrimero) {
        for (const EntradaDeCopia& ciclo : *raiz) {
            if (!ciclo.carpeta || ciclo.nombre.startsWith('.'))
                continue;
            CopiaDisponible copia{ciclo.nombre, std::nullopt, ciclo.modificado, {}, {}};
            if (esNombreDeCiclo(ciclo.nombre)) {
                QString sinLeer;
                const auto rutas = almacen.listar(lugar.raiz + ciclo.nombre + '/', sinLeer);
                for (const QString& ruta :
                     carpetasVisibles(rutas.value_or(QList<EntradaDeCopia>{})))
                    copia.carpetas.append(ciclo.nombre + '/' + ruta + '/');
            }
            agregar(std::move(copia),
                    lugar.raiz + ciclo.nombre + '/' + RegistroDeCopia::nombreDeArchivo());
        }
    } else {
        // Every route's folder holds its cycle folders; a copy is one cycle across the routes.
        std::map<QString, CopiaDisponible> porCiclo;
        for (const QString& ruta : carpetasVisibles(*raiz)) {
            QString sinLeer;
            const auto ciclos = almacen.listar(lugar.raiz + ruta + '/', sinLeer);
            for (const EntradaDeCopia& ciclo : ciclos.value_or(QList<EntradaDeCopia>{})) {
                if (!ciclo.carpeta || !esNombreDeCiclo(ciclo.nombre))
                    continue;
                CopiaDisponible& copia = porCiclo[ciclo.nombre];
                copia.nombre = ciclo.nombre;
                copia.momento = std::max(copia.momento, ciclo.modificado);
                copia.carpetas.append(ruta + '/' + ciclo.nombre + '/');
            }
        }
        // Records whose cycle has no folder left still name a copy.
        for (const EntradaDeCopia& e : *raiz) {
            if (const QString ciclo = RegistroDeCopia::cicloDelArchivo(e.nombre);
                !e.carpeta && !ciclo.isEmpty())
                porCiclo[ciclo].nombre = ciclo;
        }
        for (auto& [ciclo, copia] : porCiclo)
            agregar(std::move(copia), lugar.raiz + RegistroDeCopia::nombreDeArchivo(ciclo));
    }
    std::stable_sort(
        copias.begin(), copias.end(),
        [](const CopiaDisponible& a, const CopiaDisponible& b) { return a.momento > b.momento; });
    return copias;
}

QString CarpetaDeRestauracion(const RutaRegistrada& ruta, const CopiaDisponible& copia,
                              const LugarDeCopias& lugar) {
    QStringList partes = ruta.destino.split('/', Qt::SkipEmptyParts);
    if (lugar.ciclos && !copia.nombre.isEmpty() && !partes.isEmpty()) {
        if (lugar.cicloPrimero && partes.first() == copia.nombre)
            partes.removeFirst();
        else if (!lugar.cicloPrimero && partes.last() == copia.nombre)
            partes.removeLast();
    }
    return partes.join('/');
}

} // namespace zarvento
