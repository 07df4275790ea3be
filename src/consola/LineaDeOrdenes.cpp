#include "consola/LineaDeOrdenes.h"

#include "consola/Ordenes.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace zarvento {

namespace {

constexpr qsizetype kSangria = 6;

// Options are written with two dashes, also those of one letter ("--a CARPETA").
QString conGuiones(const QString& nombre) {
    return QStringLiteral("--") + nombre;
}

QString sinopsis(const QCommandLineOption& opcion) {
    QString texto = conGuiones(opcion.names().constFirst());
    if (!opcion.valueName().isEmpty())
        texto += ' ' + opcion.valueName();
    return texto;
}

int errorDeUso(Consola& consola, const QString& motivo) {
    consola.errores << consola.programa << QStringLiteral(": ") << motivo << '\n'
                    << QStringLiteral("Pruebe «") << consola.programa
                    << QStringLiteral(" --ayuda».\n");
    consola.errores.flush();
    return kSalidaDeUso;
}

// The argument as written for the option the parser did not know.
QString escrita(const QStringList& argumentos, const QString& nombre) {
    for (const QString& argumento : argumentos.sliced(1)) {
        QString sinGuiones = argumento.section('=', 0, 0);
        while (sinGuiones.startsWith('-'))
            sinGuiones.remove(0, 1);
        if (argumento.startsWith('-') && sinGuiones == nombre)
            return argumento.section('=', 0, 0);
    }
    return conGuiones(nombre);
}

// Why the parser refused the line, in the program's words; conValor names the options that take
// a value.
QString motivoDelAnalisis(const QCommandLineParser& analizador, const QStringList& argumentos,
                          const QSet<QString>& conValor) {
    const QStringList desconocidas = analizador.unknownOptionNames();
    if (!desconocidas.isEmpty())
        return QStringLiteral("opción desconocida: ") + escrita(argumentos, desconocidas.first());
    // The other refusals: "--option=value" for an option that takes none, or an option that
    // takes one ending the line.
    for (const QString& argumento : argumentos.sliced(1)) {
        QString nombre = argumento.section('=', 0, 0);
        if (argumento.startsWith('-') && argumento.contains('=') &&
            !conValor.contains(nombre.remove(QRegularExpression(QStringLiteral("^--?")))))
            return QStringLiteral("la opción %1 no lleva valor").arg(argumento.section('=', 0, 0));
    }
    return QStringLiteral("falta el valor de la opción ") + argumentos.constLast();
}

// The text indented, line by line.
QString sangrado(const QString& texto, qsizetype columnas) {
    const QString sangria(columnas, ' ');
    return sangria + QString(texto).replace('\n', '\n' + sangria) + '\n';
}

} // namespace

QString TextoDeAyuda(const QString& programa) {
    QString texto = QStringLiteral("Uso: %1 [ORDEN [OPCIONES]]\n\n"
                                   "Sin orden, inicia el agente con su ventana.\n\n"
                                   "Órdenes:\n")
                        .arg(programa);
    for (const Orden& orden : Ordenes()) {
        texto += QStringLiteral("  --") + orden.nombre;
        if (!orden.uso.isEmpty())
            texto += ' ' + orden.uso;
        texto += '\n' + sangrado(orden.descripcion, kSangria);
        for (const QCommandLineOption& opcion : orden.opciones)
            texto +=
                sangrado(sinopsis(opcion), kSangria) + sangrado(opcion.description(), kSangria + 4);
    }
    texto += QStringLiteral("\nEstado de salida: 0 correcto, 1 fallido, 2 error de uso.\n");
    return texto;
}

int EjecutarLineaDeOrdenes(const QStringList& argumentos, Consola& consola) {
    if (!argumentos.isEmpty())
        consola.programa = QFileInfo(argumentos.constFirst()).fileName();
    QCommandLineParser analizador;
    // "-respaldar" reads as "--respaldar"; options are never bundled letters.
    analizador.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    analizador.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    // Options of several commands may share a name; each is declared once.
    QSet<QString> declaradas;
    QSet<QString> conValor;
    for (const Orden& orden : Ordenes()) {
        analizador.addOption(QCommandLineOption(orden.nombre));
        for (const QCommandLineOption& opcion : orden.opciones) {
            const QStringList lista = opcion.names(); // names() gives a new list each call
            const QSet<QString> nombres(lista.begin(), lista.end());
            if (!declaradas.intersects(nombres))
                analizador.addOption(opcion);
            declaradas.unite(nombres);
            if (!opcion.valueName().isEmpty())
                conValor.unite(nombres);
        }
    }
    if (!analizador.parse(argumentos))
        return errorDeUso(consola, motivoDelAnalisis(analizador, argumentos, conValor));

    std::vector<const Orden*> pedidas;
    for (const Orden& orden : Ordenes()) {
        if (analizador.isSet(orden.nombre))
            pedidas.push_back(&orden);
    }
    if (pedidas.empty())
        return errorDeUso(consola, QStringLiteral("falta la orden"));
    if (pedidas.size() > 1)
        return errorDeUso(consola, QStringLiteral("una sola orden a la vez: --%1 o --%2")
                                       .arg(pedidas[0]->nombre, pedidas[1]->nombre));
    const Orden& orden = *pedidas.front();
    for (const QString& nombre : analizador.optionNames()) {
        const bool propia =
            nombre == orden.nombre ||
            std::any_of(orden.opciones.begin(), orden.opciones.end(),
                        [&](const QCommandLineOption& o) { return o.names().contains(nombre); });
        if (!propia)
            return errorDeUso(consola, QStringLiteral("la opción %1 no va con --%2")
                                           .arg(conGuiones(nombre), orden.nombre));
    }
    const QStringList posicionales = analizador.positionalArguments();
    if (posicionales.size() > orden.posicionales)
        return errorDeUso(consola, QStringLiteral("argumento de más: ") +
                                       posicionales.at(orden.posicionales));
    const int estado = orden.ejecutar(analizador, consola);
    consola.salida.flush();
    consola.errores.flush();
    return estado;
}

} // namespace zarvento
