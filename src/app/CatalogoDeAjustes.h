#pragma once

#include "app/ArchivosDeAjustes.h"
#include "host/Componentes.h"
#include "host/LibORVX.h"

#include <QString>
#include <optional>

namespace zarvento {

// Every setting the settings window edits, as its controls hold it.
struct ValoresDeAjustes {
    bool respaldosVariados = false;
    bool semanal = false;
    bool diaAlInicio = false;
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
    // The route lists as their text boxes show them (see ListaDeRutas.h).
    QString rutasDocumentos;
    QString rutasDatas;
};

// A file that could not be written, and why.
struct FalloAlGrabar {
    QString archivo;
    QString motivo;
};

// Reads the settings file and the route lists into values for the window, and writes the
// window's values back, in the order of the catalogue.
class CatalogoDeAjustes {
public:
    CatalogoDeAjustes(const Componentes& componentes, ArchivosDeAjustes archivos);

    // Also repairs an undefined FTP server (while FTP is on) by writing the placeholder into
    // the three FTP keys, as the configuration review does.
    ValoresDeAjustes cargar() const;
    // Stops at the first file that cannot be written. Every file is replaced atomically, so no
    // file is ever left half-written.
    std::optional<FalloAlGrabar> grabar(const ValoresDeAjustes& valores) const;

private:
    QString lee(const char* clave) const;
    QString rutasDe(const QString& archivo) const;

    const Componentes& componentes_;
    ArchivosDeAjustes archivos_;
    LibORVX ini_;
};

} // namespace zarvento
