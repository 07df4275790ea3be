#pragma once

#include "app/ArchivosPrincipal.h"
#include "host/Regional.h"
#include "host/Services.h"
#include "restauracion/AjustesDeRestauracion.h"
#include "restauracion/CopiasEnDestino.h"
#include "restauracion/Restauracion.h"

#include <QCommandLineParser>
#include <QTextStream>
#include <functional>

namespace zarvento {

// The command line's "--copias" and "--restaurar": the same work as the restore window, written
// to standard output. Exit status: 0 done, 1 failed, 2 usage error.
class ComandoDeRestauracion {
public:
    enum Salida { kHecho = 0, kFallo = 1, kUso = 2 };

    struct Opciones {
        QString copia; // "" for the newest copy whose run succeeded
        QString carpeta;
        QStringList rutas;
        bool base = false;
        bool si = false;
        bool prueba = false;
    };

    // Adds "--copias", "--restaurar", "--a", "--ruta", "--base", "--si" and "--prueba".
    static void agregarOpciones(QCommandLineParser& parser);
    // Whether the command line asks for one of the two commands.
    static bool pedido(const QCommandLineParser& parser);

    ComandoDeRestauracion(ArchivosPrincipal archivos, QTextStream& salida, EventPump& bomba,
                          const Clock& reloj);

    // Runs the command the parsed command line asks for. preguntar shows a question and gives
    // the answer typed (the terminal's next line).
    int ejecutar(const QCommandLineParser& parser,
                 const std::function<QString(const QString&)>& preguntar);

    int copias();
    int restaurar(const Opciones& opciones,
                  const std::function<QString(const QString&)>& preguntar);

    // One line of the list of copies, as "--copias" writes it and the window shows it.
    static QString lineaDeCopia(const CopiaDisponible& copia, const Regional& regional);
    // The copy by its name; without one, the newest copy whose run succeeded.
    static const CopiaDisponible* elegir(const std::vector<CopiaDisponible>& copias,
                                         const QString& nombre);
    // The closing line of a restore.
    static QString lineaDeResumen(const ResumenDeRestauracion& resumen, const Regional& regional);

private:
    std::optional<AjustesDeRestauracion> ajustes();

    ArchivosPrincipal archivos_;
    QTextStream& salida_;
    EventPump& bomba_;
    const Clock& reloj_;
    Regional regional_;
};

// Where the dumps of the databases as they stood before a restore are kept: a folder of the
// program's own, as the staging folder is emptied by every run.
QString CarpetaDeSeguridad(const ArchivosPrincipal& archivos);

} // namespace zarvento
