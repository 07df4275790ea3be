#include "restauracion/ComandoDeRestauracion.h"

#include "app/FinPorSenal.h"
#include "host/LibORVX.h"

#include <QFileInfo>

namespace zarvento {

namespace {

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

ComandoDeRestauracion::ComandoDeRestauracion(ArchivosPrincipal archivos, QTextStream& salida,
                                             QTextStream& errores, EventPump& bomba,
                                             const Clock& reloj)
    : archivos_(std::move(archivos)), salida_(salida), errores_(errores), bomba_(bomba),
      reloj_(reloj) {}

std::optional<ComandoDeRestauracion::Destino> ComandoDeRestauracion::abrir() {
    const LibORVX ini;
    const auto leidos = AjustesDeRestauracion::leer(AjustesEnIni(ini, archivos_.pbArchivoIni));
    if (!leidos) {
        errores_ << leidos.motivo() << '\n';
        return std::nullopt;
    }
    Destino destino{*leidos, AlmacenDeCopias::para(leidos->lugar, bomba_), {}};
    QString error;
    auto copias = ListarCopias(*destino.almacen, leidos->lugar, error);
    if (!copias) {
        errores_ << "No se pueden leer las copias de " << leidos->lugar.raiz << ": " << error
                 << '\n';
        return std::nullopt;
    }
    destino.copias = std::move(*copias);
    return destino;
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
    if (copia.registro && copia.registro->comprobacion)
        linea += QStringLiteral("  ") + copia.registro->comprobacion->resultado();
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
    if (resumen.cancelada)
        linea += QStringLiteral("; cancelada");
    return linea;
}

int ComandoDeRestauracion::copias() {
    const auto destino = abrir();
    if (!destino)
        return kFallo;
    if (destino->copias.empty())
        salida_ << "No hay copias en " << destino->ajustes.lugar.raiz << '\n';
    for (const CopiaDisponible& copia : destino->copias)
        salida_ << lineaDeCopia(copia, regional_) << '\n';
    return kHecho;
}

int ComandoDeRestauracion::restaurar(const Opciones& opciones,
                                     const std::function<QString(const QString&)>& preguntar) {
    const auto destino = abrir();
    if (!destino)
        return kFallo;
    const AjustesDeRestauracion& leidos = destino->ajustes;
    const CopiaDisponible* copia = elegir(destino->copias, opciones.copia);
    if (!copia) {
        errores_ << (opciones.copia.isEmpty() ? QStringLiteral("No hay ninguna copia correcta")
                                              : QStringLiteral("No hay copia ") + opciones.copia)
                 << " en " << leidos.lugar.raiz << '\n';
        return kFallo;
    }
    salida_ << "Copia " << lineaDeCopia(*copia, regional_) << '\n';
    if (opciones.base && !opciones.prueba && !opciones.si) {
        if (!leidos.base) {
            errores_ << "Base servidor y Base usuario no están definidos en los ajustes\n";
            return kFallo;
        }
        const QString respuesta = preguntar(
            QStringLiteral("Las bases de datos de la copia reemplazarán a las del servidor ") +
            leidos.base->servidor + QStringLiteral(". ¿Continuar? (s/N) "));
        if (!respuesta.trimmed().startsWith('s', Qt::CaseInsensitive)) {
            errores_ << "Restauración cancelada\n";
            return kFallo;
        }
    }
    Restauracion restauracion(*destino->almacen, leidos.lugar, bomba_,
                              {[this](const QString& linea) {
                                   salida_ << linea << '\n';
                                   salida_.flush();
                               },
                               {},
                               [this](const QString& archivo, int porciento) {
                                   salida_ << "  " << archivo << "  " << porciento << " %\n";
                                   salida_.flush();
                               }});
    if (leidos.base)
        restauracion.servidorDeBase(*leidos.base, CarpetaDeSeguridad(archivos_), reloj_);
    // Ctrl+C and SIGTERM stop the restore as the window's "Cancelar" does: what was restored
    // stays, with the summary saying so.
    FinPorSenal senales;
    QObject::connect(&senales, &FinPorSenal::pedido, [&restauracion] { restauracion.cancelar(); });
    const ResumenDeRestauracion resumen = restauracion.restaurar(
        *copia, {opciones.carpeta, opciones.rutas, opciones.base, opciones.prueba});
    salida_ << lineaDeResumen(resumen, regional_) << '\n';
    return resumen.correcta() && resumen.existentes == 0 ? kHecho : kFallo;
}

QString CarpetaDeSeguridad(const ArchivosPrincipal& archivos) {
    return QFileInfo(archivos.pbArchivoIni).path() + QStringLiteral("/AntesDeRestaurar");
}

} // namespace zarvento
