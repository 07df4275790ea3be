#pragma once

#include <stdexcept>
#include <string_view>

// The settings file's schema: sections, keys, the form of each value, the default a reader
// writes back when the key is empty, and the placeholders.
namespace zarvento::ajustes {

inline constexpr const char* kConfiguracion = "Configuración";
inline constexpr const char* kResultado = "Resultado";

inline constexpr const char* kRespaldosVariados = "Respaldos variados";
inline constexpr const char* kCiclo = "Ciclo";
inline constexpr const char* kDiaPrimero = "En rutas destino, primero el día";
// Cycle folders share the files that did not change (hard links) instead of copying them again.
inline constexpr const char* kCompartirArchivos = "Compartir archivos entre copias";
inline constexpr const char* kRespaldoEnFTP = "Respaldo en FTP";
inline constexpr const char* kFTPservidor = "FTP servidor";
inline constexpr const char* kFTPusuario = "FTP usuario";
inline constexpr const char* kFTPpassword = "FTP password";
inline constexpr const char* kRutaDestino = "Ruta destino";
inline constexpr const char* kRespaldoDiferencial = "Respaldo diferencial";
inline constexpr const char* kIncluirSubdirectorios = "Incluir subdirectorios";
inline constexpr const char* kHoraDelRespaldo = "Hora del respaldo";
inline constexpr const char* kUltimoRespaldo = "Último respaldo";
inline constexpr const char* kURGELN = "URGELN";
inline constexpr const char* kRutaHost = "Ruta de Quillon Premium";
// The consistent copy of the databases the data routes hold.
inline constexpr const char* kCopiaConsistente = "Copia consistente de la base";
inline constexpr const char* kBaseServidor = "Base servidor";
inline constexpr const char* kBaseUsuario = "Base usuario";
inline constexpr const char* kBasePassword = "Base password";
// In minutes: a dump still running then is ended and fails its route.
inline constexpr const char* kBaseTiempoMaximo = "Base tiempo máximo";
// The proof of each copy after its run, and the minutes it may take at most.
inline constexpr const char* kComprobarCopias = "Comprobar copias";
inline constexpr const char* kMinutosComprobacion = "Minutos de comprobación";

inline constexpr const char* kDatoSinDefinir = "DATO SIN DEFINIR";
inline constexpr const char* kHoraSinDefinir = "SIN DEFINIR";
// The DeAcceso key number of the scrambled FTP values.
inline constexpr int kLlaveFTP = 3;
// Dates in the settings file.
inline constexpr const char* kFormatoFecha = "yyyy-MM-dd";

// How a value is stored, which also says how it is read back.
enum class Forma {
    SiNo,    // "S" / "N"; yes when the first letter is "s" in either case
    Ciclo,   // "S" (weekly) / "M" (monthly); weekly when the first letter is "s"
    Hora,    // "hh:nn", or the hour placeholder
    Fecha,   // kFormatoFecha
    Cifrado, // scrambled with kLlaveFTP, or the placeholder stored plain
    Ruta,    // a folder path, or the placeholder
    Texto,   // plain text, or the placeholder
    Minutos, // a whole number of minutes, 1 or more
};

struct Ajuste {
    const char* seccion;
    const char* clave;
    Forma forma;
    // Written back by a reader that finds the key empty; nullptr when nothing is written.
    const char* defecto;
};

inline constexpr Ajuste kEsquema[] = {
    {kConfiguracion, kRespaldosVariados, Forma::SiNo, "S"},
    {kConfiguracion, kCiclo, Forma::Ciclo, "Semanal"},
    {kConfiguracion, kDiaPrimero, Forma::SiNo, "S"},
    {kConfiguracion, kCompartirArchivos, Forma::SiNo, "S"},
    {kConfiguracion, kRespaldoEnFTP, Forma::SiNo, "N"},
    {kConfiguracion, kFTPservidor, Forma::Cifrado, kDatoSinDefinir},
    {kConfiguracion, kFTPusuario, Forma::Cifrado, kDatoSinDefinir},
    {kConfiguracion, kFTPpassword, Forma::Cifrado, kDatoSinDefinir},
    {kConfiguracion, kRutaDestino, Forma::Ruta, kDatoSinDefinir},
    {kConfiguracion, kRespaldoDiferencial, Forma::SiNo, "S"},
    {kConfiguracion, kIncluirSubdirectorios, Forma::SiNo, "S"},
    {kConfiguracion, kHoraDelRespaldo, Forma::Hora, kHoraSinDefinir},
    {kConfiguracion, kCopiaConsistente, Forma::SiNo, "N"},
    {kConfiguracion, kBaseServidor, Forma::Texto, kDatoSinDefinir},
    {kConfiguracion, kBaseUsuario, Forma::Texto, kDatoSinDefinir},
    {kConfiguracion, kBasePassword, Forma::Cifrado, kDatoSinDefinir},
    {kConfiguracion, kBaseTiempoMaximo, Forma::Minutos, "30"},
    {kConfiguracion, kComprobarCopias, Forma::SiNo, "S"},
    {kConfiguracion, kMinutosComprobacion, Forma::Minutos, "60"},
    {kResultado, kUltimoRespaldo, Forma::Fecha, nullptr},
    {kConfiguracion, kURGELN, Forma::Fecha, nullptr},
    {kConfiguracion, kRutaHost, Forma::Ruta, "C:\\quillonpremium"},
};

// The schema's row of a key; a key missing from the table does not compile.
consteval const Ajuste& de(std::string_view clave) {
    for (const Ajuste& ajuste : kEsquema) {
        if (clave == ajuste.clave)
            return ajuste;
    }
    throw std::logic_error("clave fuera del esquema");
}

// The FTP credentials, repaired together.
struct GrupoFTP {
    const Ajuste& servidor;
    const Ajuste& usuario;
    const Ajuste& password;
};
inline constexpr GrupoFTP kGrupoFTP{de(kFTPservidor), de(kFTPusuario), de(kFTPpassword)};

} // namespace zarvento::ajustes
