#pragma once

#include "host/Componentes.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QTextStream>
#include <functional>

namespace zarvento {

// Exit statuses of the command line.
inline constexpr int kSalidaCorrecta = 0;
inline constexpr int kSalidaFallida = 1;
inline constexpr int kSalidaDeUso = 2;

// What a command works with: standard output for its progress and results, standard error for
// what went wrong, and the program's folders and stores.
struct Consola {
    QTextStream& salida;
    QTextStream& errores;
    // The running program's environment, made only for the commands that need it; tests give
    // their own folders.
    std::function<Entorno()> entorno = [] { return Entorno::delPrograma(nullptr); };
    // The name the program was started by, for the help and the messages.
    QString programa = QStringLiteral("zarvento");
};

// One command of the command line, "--<nombre>", with the options only it takes. A command is
// one function in a file of its own, listed in the table of Ordenes.cpp.
struct Orden {
    QString nombre;
    // What follows "--<nombre>" in the help, for example "[COPIA] --a CARPETA".
    QString uso;
    QString descripcion;
    QList<QCommandLineOption> opciones{};
    // How many positional arguments it takes.
    int posicionales = 0;
    // Runs the command on the parsed line; returns the exit status.
    std::function<int(const QCommandLineParser&, Consola&)> ejecutar;
};

} // namespace zarvento
