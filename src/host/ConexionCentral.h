#pragma once

#include <QString>

namespace zarvento {

class Componentes;

// Where the run records go: the central report server and this machine's account on it.
struct ConexionCentral {
    QString servidor;
    int puerto = 0;
    QString usuario;
    QString password;
    // TLS, with the server's certificate and its name verified; a build for a report server on a
    // trusted local network may go without.
    bool tls = true;
    // The certificate (PEM) of the CA that signs the server's certificate; empty: the system's
    // CA store.
    QString certificadoCA = {};

    // The file name of the CA certificate a build brings for the central server.
    static constexpr const char* kCertificadoCA = "central-ca.pem";

    // The settings the program is built with: host, port 3306, the built-in user and password,
    // TLS or not, and the build's CA certificate: beside the executable, or for an installed
    // executable (<prefix>/bin/) in <prefix>/share/zarvento/.
    static ConexionCentral integrada();

    friend bool operator==(const ConexionCentral&, const ConexionCentral&) = default;
};

// The machine values of the central server account, in the HKEY_LOCAL_MACHINE registry store.
namespace valoresDeEquipo {
inline constexpr const char* kClave = "SOFTWARE\\Merovia\\KTQ plugins";
inline constexpr const char* kUsuario = "Dato1";
inline constexpr const char* kPassword = "Dato2";
inline constexpr const char* kPuerto = "Dato3";
// The DeAcceso key number that protects the machine values.
inline constexpr int kLlave = 3;
} // namespace valoresDeEquipo

// Removes a leftover marker file "xKTQ.aep" from the program folder; errors are ignored.
void BorrarMarca(const Componentes& componentes);

// The central server settings for this start: the built-in ones, with user, password and port
// replaced by this machine's values, which the first start creates (from DeEquipo::DDCR when it
// answers, else from the built-in ones). When the machine store refuses the first write, the
// built-in settings stay and *aviso tells why.
ConexionCentral CargarConexionCentral(const Componentes& componentes, QString* aviso = nullptr);

} // namespace zarvento
