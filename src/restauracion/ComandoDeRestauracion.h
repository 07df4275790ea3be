#pragma once

#include "app/ArchivosPrincipal.h"
#include "host/Regional.h"
#include "host/Services.h"
#include "restauracion/AjustesDeRestauracion.h"
#include "restauracion/CopiasEnDestino.h"
#include "restauracion/Restauracion.h"

#include <QTextStream>
#include <functional>
#include <memory>

namespace zarvento {

// The command line's "--copias" and "--restaurar": the same work as the restore window, its
// progress written to standard output and what failed to standard error. Exit status: 0 done,
// 1 failed.
class ComandoDeRestauracion {
public:
    enum Salida { kHecho = 0, kFallo = 1 };

    struct Opciones {
        QString copia; // "" for the newest copy whose run succeeded
        QString carpeta;
        QStringList rutas;
        bool base = false;
        bool si = false;
        bool prueba = false;
    };

    ComandoDeRestauracion(ArchivosPrincipal archivos, QTextStream& salida, QTextStream& errores,
                          EventPump& bomba, const Clock& reloj);

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
    struct Destino {
        AjustesDeRestauracion ajustes;
        std::unique_ptr<AlmacenDeCopias> almacen;
        std::vector<CopiaDisponible> copias;
    };
    // The settings' destination and its copies; nullopt after saying why not.
    std::optional<Destino> abrir();

    ArchivosPrincipal archivos_;
    QTextStream& salida_;
    QTextStream& errores_;
    EventPump& bomba_;
    const Clock& reloj_;
    Regional regional_;
};

// Where the dumps of the databases as they stood before a restore are kept: a folder of the
// program's own, as the staging folder is emptied by every run.
QString CarpetaDeSeguridad(const ArchivosPrincipal& archivos);

} // namespace zarvento
