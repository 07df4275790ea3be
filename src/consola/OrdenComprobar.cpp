#include "app/BombaDeEventos.h"
#include "app/CerrojoDeCorrida.h"
#include "comprobacion/ComprobacionDeCopia.h"
#include "consola/Ordenes.h"
#include "consola/ServiciosDeConsola.h"
#include "engine/Bitacora.h"
#include "host/LibORVX.h"
#include "restauracion/AjustesDeRestauracion.h"
#include "restauracion/ComandoDeRestauracion.h"

#include <QBuffer>
#include <QDir>

namespace zarvento {

namespace {

// The nightly proof on demand, of every file of a copy: its log line goes to "Bitacora.log" and
// its result into the copy's record.
int Comprobar(const QCommandLineParser& analizador, Consola& consola) {
    const QString nombre = analizador.positionalArguments().value(0);
    const Entorno entorno = consola.entorno();
    const ArchivosPrincipal archivos = ArchivosPrincipal::de(entorno.programa);
    const auto fallar = [&](const QString& motivo) {
        consola.errores << consola.programa << QStringLiteral(": ") << motivo << '\n';
        return kSalidaFallida;
    };
    // A run rewrites the record this command rewrites: one at a time.
    const CerrojoDeCorrida cerrojo(archivos.carpetaPrograma);
    if (!cerrojo.tomado())
        return fallar(QStringLiteral("hay un respaldo en curso en la carpeta ") +
                      archivos.carpetaPrograma);
    const LibORVX ini;
    const auto leidos = AjustesDeRestauracion::leer(AjustesEnIni(ini, archivos.pbArchivoIni));
    if (!leidos)
        return fallar(leidos.motivo());
    QtEventPump bomba;
    const auto almacen = AlmacenDeCopias::para(leidos->lugar, bomba);
    QString error;
    const auto copias = ListarCopias(*almacen, leidos->lugar, error);
    if (!copias)
        return fallar(QStringLiteral("no se pueden leer las copias de ") + leidos->lugar.raiz +
                      QStringLiteral(": ") + error);
    const CopiaDisponible* copia = ComandoDeRestauracion::elegir(*copias, nombre);
    if (!copia)
        return fallar((nombre.isEmpty() ? QStringLiteral("no hay ninguna copia correcta")
                                        : QStringLiteral("no hay copia ") + nombre) +
                      QStringLiteral(" en ") + leidos->lugar.raiz);
    const Regional regional;
    consola.salida << QStringLiteral("Copia ")
                   << ComandoDeRestauracion::lineaDeCopia(*copia, regional) << '\n';
    if (!copia->registro)
        return fallar(QStringLiteral("la copia no tiene registro: no hay con qué comprobarla"));

    const FinDeOrden fin(consola, QStringLiteral("comprobación interrumpida"));
    OpcionesDeComprobacion opciones;
    opciones.todos = true;
    opciones.carpeta = archivos.carpetaTemporal + QStringLiteral("/Comprobacion");
    opciones.limite = QDeadlineTimer(QDeadlineTimer::Forever);
    opciones.avance = [&consola](const QString& linea) {
        consola.salida << linea << '\n';
        consola.salida.flush();
    };
    RegistroDeCopia registro = *copia->registro;
    registro.comprobacion =
        ComprobacionDeCopia(*almacen, leidos->lugar.raiz, opciones, bomba).comprobar(registro);
    QDir().rmdir(archivos.carpetaTemporal);

    const ResultadoDeComprobacion& resultado = *registro.comprobacion;
    const QString detalle = QStringLiteral("copia ") + copia->nombreVisible() +
                            QStringLiteral(", todos sus archivos: ") + resultado.detalle(regional);
    consola.salida << resultado.resultado() << QStringLiteral(": ") << detalle << '\n';
    const SystemClock reloj;
    Bitacora(archivos.carpetaPrograma + QStringLiteral("/Bitacora.log"), reloj)
        .Bitacorear(resultado.resultado(), detalle);
    QBuffer texto;
    if (!texto.open(QIODevice::WriteOnly) || !registro.escribir(texto) ||
        !almacen->guardar(copia->archivoDeRegistro, texto.data(), error))
        consola.errores << consola.programa
                        << QStringLiteral(": registro de la copia no guardado: ") << error << '\n';
    return resultado.correcta() ? kSalidaCorrecta : kSalidaFallida;
}

} // namespace

Orden OrdenComprobar() {
    return {QStringLiteral("comprobar"),
            QStringLiteral("[COPIA]"),
            QStringLiteral(
                "Comprueba la copia COPIA (sin ella, la última correcta), sin ventana: lee del\n"
                "destino todos sus archivos y carga sus volcados de base de datos en un servidor\n"
                "de prueba propio, que revisa cada tabla (CHECK TABLE) y cuenta sus filas.\n"
                "Cada archivo debe medir lo que dice el registro de la copia (y, en una carpeta,\n"
                "tener su hora), y se compara byte a byte con su original mientras éste conserve\n"
                "el tamaño y la hora registrados. Anota el resultado en Bitacora.log y en el\n"
                "registro de la copia; sale con 0 si la copia está bien y con 1 si no."),
            {},
            1,
            Comprobar};
}

} // namespace zarvento
