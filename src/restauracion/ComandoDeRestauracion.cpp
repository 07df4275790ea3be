#include "restauracion/ComandoDeRestauracion.h"

#include "host/LibORVX.h"

#include <QFileInfo>

namespace zarvento {

namespace {

const QString kCopias = QStringLiteral("copias");
const QString kRestaurar = QStringLiteral("restaurar");
const QString kA = QStringLiteral("a");
const QString kRuta = QStringLiteral("ruta");
const QString kBase = QStringLiteral("base");
const QString kSi = QStringLiteral("si");
const QString kPrueba = QStringLiteral("prueba");

qint64 archivosDe(const CopiaDisponible& copia, qint64& bytes) {
    qint64 archivos = 0;
    bytes = 0;
    for (const RutaRegistrada& ruta : copia.rutas()) {
        archivos += ruta.archivosCopiados + ruta.archivosConservados;
        bytes += ruta.bytesCopiados + ruta.bytesConservados;
    }
    return archivos;
}

} // namespace

void ComandoDeRestauracion::agregarOpciones(QCommandLineParser& parser) {
    parser.addOptions({
        {kCopias, QStringLiteral("Lista las copias del destino configurado, la más reciente "
                                 "primero.")},
        {kRestaurar,
         QStringLiteral("Restaura la copia COPIA (la última correcta si no se indica) en la "
                        "carpeta de --a.")},
        {kA, QStringLiteral("Carpeta donde se restaura (una subcarpeta por ruta)."),
         QStringLiteral("CARPETA")},
        {kRuta, QStringLiteral("Restaura solo esta ruta de la copia (se puede repetir)."),
         QStringLiteral("RUTA")},
        {kBase, QStringLiteral("Carga también la base de datos de la copia en el servidor de "
                               "los ajustes.")},
        {kSi, QStringLiteral("No pide confirmación para cargar la base de datos.")},
        {kPrueba, QStringLiteral("Muestra qué se restauraría, sin escribir nada.")},
    });
}

bool ComandoDeRestauracion::pedido(const QCommandLineParser& parser) {
    return parser.isSet(kCopias) || parser.isSet(kRestaurar);
}

ComandoDeRestauracion::ComandoDeRestauracion(ArchivosPrincipal archivos, QTextStream& salida,
                                             EventPump& bomba, const Clock& reloj)
    : archivos_(std::move(archivos)), salida_(salida), bomba_(bomba), reloj_(reloj) {}

int ComandoDeRestauracion::ejecutar(const QCommandLineParser& parser,
                                    const std::function<QString(const QString&)>& preguntar) {
    const QStringList posicionales = parser.positionalArguments();
    if (parser.isSet(kCopias) && !parser.isSet(kRestaurar) && posicionales.isEmpty())
        return copias();
    if (!parser.isSet(kRestaurar) || parser.isSet(kCopias) || posicionales.size() > 1 ||
        parser.value(kA).isEmpty()) {
        salida_ << "Uso: zarvento --copias | --restaurar [COPIA] --a CARPETA [--ruta RUTA]... "
                   "[--base] [--si] [--prueba]\n";
        return kUso;
    }
    return restaurar({posicionales.value(0), parser.value(kA), parser.values(kRuta),
                      parser.isSet(kBase), parser.isSet(kSi), parser.isSet(kPrueba)},
                     preguntar);
}

std::optional<AjustesDeRestauracion> ComandoDeRestauracion::ajustes() {
    const LibORVX ini;
    const auto leidos = AjustesDeRestauracion::leer(AjustesEnIni(ini, archivos_.pbArchivoIni));
    if (!leidos) {
        salida_ << leidos.motivo() << '\n';
        return std::nullopt;
    }
    return *leidos;
}

QString ComandoDeRestauracion::lineaDeCopia(const CopiaDisponible& copia,
                                            const Regional& regional) {
    qint64 bytes = 0;
    const qint64 archivos = archivosDe(copia, bytes);
    const QString momento =
        copia.momento.isValid() ? regional.sello(copia.momento.toLocalTime()) : QStringLiteral("-");
    QString linea = copia.nombreVisible().leftJustified(4) + QStringLiteral("  ") + momento +
                    QStringLiteral("  ") + copia.resultado();
    if (copia.registro)
        linea += QStringLiteral("  %1 rutas  %2 archivos  %3 bytes")
                     .arg(copia.registro->rutas.size())
                     .arg(regional.agrupado(archivos), regional.agrupado(bytes));
    else
        linea += QStringLiteral("  %1 rutas").arg(copia.carpetas.size());
    return linea;
}

const CopiaDisponible* ComandoDeRestauracion::elegir(const std::vector<CopiaDisponible>& copias,
                                                     const QString& nombre) {
    for (const CopiaDisponible& copia : copias) {
        if (nombre.isEmpty() ? copia.correcta() : copia.nombreVisible() == nombre)
            return &copia;
    }
    return nullptr;
}

QString ComandoDeRestauracion::lineaDeResumen(const ResumenDeRestauracion& resumen,
                                              const Regional& regional) {
    QString linea = QStringLiteral("Archivos restaurados: %1 (%2 bytes) en %3 s")
                        .arg(regional.agrupado(resumen.archivos), regional.agrupado(resumen.bytes))
                        .arg(double(resumen.milisegundos) / 1000.0, 0, 'f', 1);
    if (resumen.existentes > 0)
        linea += QStringLiteral("; ya existían: %1").arg(regional.agrupado(resumen.existentes));
    if (resumen.bases > 0)
        linea += QStringLiteral("; bases restauradas: %1").arg(resumen.bases);
    if (!resumen.fallas.isEmpty())
        linea += QStringLiteral("; fallas: %1").arg(resumen.fallas.size());
    return linea;
}

int ComandoDeRestauracion::copias() {
    const auto leidos = ajustes();
    if (!leidos)
        return kFallo;
    const auto almacen = AlmacenDeCopias::para(leidos->lugar, bomba_);
    QString error;
    const auto copias = ListarCopias(*almacen, leidos->lugar, error);
    if (!copias) {
        salida_ << "No se pueden leer las copias de " << leidos->lugar.raiz << ": " << error
                << '\n';
        return kFallo;
    }
    if (copias->empty())
        salida_ << "No hay copias en " << leidos->lugar.raiz << '\n';
    for (const CopiaDisponible& copia : *copias)
        salida_ << lineaDeCopia(copia, regional_) << '\n';
    return kHecho;
}

int ComandoDeRestauracion::restaurar(const Opciones& opciones,
                                     const std::function<QString(const QString&)>& preguntar) {
    const auto leidos = ajustes();
    if (!leidos)
        return kFallo;
    const auto almacen = AlmacenDeCopias::para(leidos->lugar, bomba_);
    QString error;
    const auto copias = ListarCopias(*almacen, leidos->lugar, error);
    if (!copias) {
        salida_ << "No se pueden leer las copias de " << leidos->lugar.raiz << ": " << error
                << '\n';
        return kFallo;
    }
    const CopiaDisponible* copia = elegir(*copias, opciones.copia);
    if (!copia) {
        salida_ << (opciones.copia.isEmpty() ? QStringLiteral("No hay ninguna copia correcta")
                                             : QStringLiteral("No hay copia ") + opciones.copia)
                << " en " << leidos->lugar.raiz << '\n';
        return kFallo;
    }
    salida_ << "Copia " << lineaDeCopia(*copia, regional_) << '\n';
    if (opciones.base && !opciones.prueba && !opciones.si) {
        if (!leidos->base) {
            salida_ << "Base servidor y Base usuario no están definidos en los ajustes\n";
            return kFallo;
        }
        const QString respuesta = preguntar(
            QStringLiteral("Las bases de datos de la copia reemplazarán a las del servidor ") +
            leidos->base->servidor + QStringLiteral(". ¿Continuar? (s/N) "));
        if (!respuesta.trimmed().startsWith('s', Qt::CaseInsensitive)) {
            salida_ << "Restauración cancelada\n";
            return kFallo;
        }
    }
    Restauracion restauracion(*almacen, leidos->lugar, bomba_,
                              {[this](const QString& linea) {
                                   salida_ << linea << '\n';
                                   salida_.flush();
                               },
                               {},
                               [this](const QString& archivo, int porciento) {
                                   salida_ << "  " << archivo << "  " << porciento << " %\n";
                                   salida_.flush();
                               }});
    if (leidos->base)
        restauracion.servidorDeBase(*leidos->base, CarpetaDeSeguridad(archivos_), reloj_);
    const ResumenDeRestauracion resumen = restauracion.restaurar(
        *copia, {opciones.carpeta, opciones.rutas, opciones.base, opciones.prueba});
    salida_ << lineaDeResumen(resumen, regional_) << '\n';
    return resumen.correcta() && resumen.existentes == 0 ? kHecho : kFallo;
}

QString CarpetaDeSeguridad(const ArchivosPrincipal& archivos) {
    return QFileInfo(archivos.pbArchivoIni).path() + QStringLiteral("/AntesDeRestaurar");
}

} // namespace zarvento
