#pragma once

#include "app/AjustesEnIni.h"
#include "app/ArchivosDeAjustes.h"
#include "app/Resultado.h"
#include "host/Componentes.h"
#include "host/LibORVX.h"

#include <QString>

namespace zarvento {

// Every setting the settings window edits, as its controls hold it.
struct ValoresDeAjustes {
    bool respaldosVariados = false;
    bool semanal = false;
    bool diaAlInicio = false;
    bool compartirArchivos = true;
    bool respaldoEnFTP = false;
    QString ftpServidor;
    QString ftpUsuario;
    QString ftpPassword;
    QString rutaDestino;
    bool respaldoDiferencial = false;
    bool incluirSubdirectorios = false;
    QString horas;
    QString minutos;
    bool copiaConsistente = false;
    QString baseServidor;
    QString baseUsuario;
    QString basePassword;
    QString baseMinutos; // the dump's time limit
    bool comprobarCopias = false;
    // The route lists as their text boxes show them (see ListaDeRutas.h).
    QString rutasDocumentos;
    QString rutasDatas;
};

// Reads the settings file and the route lists into values for the window, and writes the
// window's values back, in the order of the catalogue.
class CatalogoDeAjustes {
public:
    CatalogoDeAjustes(const Componentes& componentes, ArchivosDeAjustes archivos);

    // Also repairs an undefined FTP server (while FTP is on) by writing the placeholder into
    // the three FTP keys, as the configuration review does.
    ValoresDeAjustes cargar() const;
    // Refuses a time limit of the database copy that is not a number of minutes (only while the
    // copy is on, as its keys are saved only then). Stops at the first file that cannot be
    // written, saying which and why. Every file is
    // replaced atomically, so no file is ever left half-written; the settings file in one
    // replace holding every key.
    Resultado<> grabar(const ValoresDeAjustes& valores) const;

private:
    QString lee(const ajustes::Ajuste& ajuste) const;
    QString rutasDe(const QString& archivo) const;

    const Componentes& componentes_;
    ArchivosDeAjustes archivos_;
    LibORVX ini_;
    AjustesEnIni ajustes_;
};

} // namespace zarvento
