#pragma once

// Sections, keys and placeholder values of the settings file.
namespace zarvento::ajustes {

inline constexpr const char* kConfiguracion = "Configuración";
inline constexpr const char* kResultado = "Resultado";

inline constexpr const char* kRespaldosVariados = "Respaldos variados";
inline constexpr const char* kCiclo = "Ciclo";
inline constexpr const char* kDiaPrimero = "En rutas destino, primero el día";
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
// The consistent copy of the databases the data routes hold; the password is scrambled like the
// FTP values.
inline constexpr const char* kCopiaConsistente = "Copia consistente de la base";
inline constexpr const char* kBaseServidor = "Base servidor";
inline constexpr const char* kBaseUsuario = "Base usuario";
inline constexpr const char* kBasePassword = "Base password";

inline constexpr const char* kDatoSinDefinir = "DATO SIN DEFINIR";
inline constexpr const char* kHoraSinDefinir = "SIN DEFINIR";
// The DeAcceso key number of the scrambled FTP values.
inline constexpr int kLlaveFTP = 3;
// Dates in the settings file.
inline constexpr const char* kFormatoFecha = "yyyy-MM-dd";

} // namespace zarvento::ajustes
