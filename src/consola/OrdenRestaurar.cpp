#include "app/BombaDeEventos.h"
#include "consola/Ordenes.h"
#include "restauracion/ComandoDeRestauracion.h"

#include <cstdio>

namespace zarvento {

namespace {

const QString kA = QStringLiteral("a");
const QString kRuta = QStringLiteral("ruta");
const QString kBase = QStringLiteral("base");
const QString kSi = QStringLiteral("si");
const QString kPrueba = QStringLiteral("prueba");

// Runs one of the restore commands on the program's settings.
template <class Hacer> int conComando(Consola& consola, Hacer hacer) {
    QtEventPump bomba;
    const SystemClock reloj;
    ComandoDeRestauracion comando(ArchivosPrincipal::de(consola.entorno().programa), consola.salida,
                                  consola.errores, bomba, reloj);
    return hacer(comando);
}

// The answer typed on the terminal, "" at the end of the input.
QString respuestaDelTerminal(Consola& consola, const QString& pregunta) {
    consola.salida << pregunta;
    consola.salida.flush();
    QTextStream entrada(stdin);
    return entrada.readLine();
}

} // namespace

Orden OrdenCopias() {
    return {QStringLiteral("copias"),
            {},
            QStringLiteral("Lista las copias del destino configurado, la más reciente primero, "
                           "sin escribir nada."),
            {},
            0,
            [](const QCommandLineParser&, Consola& consola) {
                return conComando(consola,
                                  [](ComandoDeRestauracion& comando) { return comando.copias(); });
            }};
}

Orden OrdenRestaurar() {
    return {
        QStringLiteral("restaurar"),
        QStringLiteral("[COPIA] --a CARPETA [--ruta RUTA]... [--base] [--si] [--prueba]"),
        QStringLiteral("Restaura la copia COPIA (sin ella, la última correcta) en CARPETA, una\n"
                       "subcarpeta por ruta; no reemplaza ningún archivo."),
        {{kA, QStringLiteral("Carpeta donde se restaura."), QStringLiteral("CARPETA")},
         {kRuta, QStringLiteral("Solo esta ruta de la copia (se puede repetir)."),
          QStringLiteral("RUTA")},
         {kBase, QStringLiteral("Carga también la base de datos de la copia en el servidor de "
                                "los ajustes,\ncon una copia de seguridad de la actual antes.")},
         {kSi, QStringLiteral("No pregunta antes de cargar la base de datos.")},
         {kPrueba, QStringLiteral("Muestra lo que se restauraría, sin escribir nada.")}},
        1,
        [](const QCommandLineParser& analizador, Consola& consola) {
            if (analizador.value(kA).isEmpty()) {
                consola.errores << consola.programa
                                << QStringLiteral(": falta la carpeta: --a CARPETA\n");
                return kSalidaDeUso;
            }
            const ComandoDeRestauracion::Opciones opciones{
                analizador.positionalArguments().value(0),
                analizador.value(kA),
                analizador.values(kRuta),
                analizador.isSet(kBase),
                analizador.isSet(kSi),
                analizador.isSet(kPrueba)};
            return conComando(consola, [&](ComandoDeRestauracion& comando) {
                return comando.restaurar(opciones, [&](const QString& pregunta) {
                    return respuestaDelTerminal(consola, pregunta);
                });
            });
        }};
}

} // namespace zarvento
