#include "host/ConexionCentral.h"

#include "host/BuildSettings.h"
#include "host/Componentes.h"
#include "host/DeAcceso.h"
#include "host/DeArchivos.h"
#include "host/DeEquipo.h"
#include "host/DelRegistro.h"
#include "host/LibORVX.h"
#include "host/ProgramLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <limits>

namespace zarvento {

namespace {

constexpr int kPuertoIntegrado = 3306;
constexpr int kLlaveUsuarioIntegrado = 3;
constexpr int kLlavePasswordIntegrado = 4;

// The number the text begins with, to the nearest whole number (halves to even); 0 when there is
// none or it does not fit a port variable.
int puertoDe(const QString& texto) {
    const double numero = std::nearbyint(LibORVX::kvVal(texto));
    if (!std::isfinite(numero) || numero < std::numeric_limits<int>::min() ||
        numero > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(numero);
}

struct Textos {
    QString usuario;
    QString password;
    QString puerto;
};

class ValoresDeEquipo {
public:
    ValoresDeEquipo(const DelRegistro& registro, const DeAcceso& acceso)
        : registro_(registro), acceso_(acceso) {}

    Textos leer() const {
        return {leerUno(valoresDeEquipo::kUsuario), leerUno(valoresDeEquipo::kPassword),
                leerUno(valoresDeEquipo::kPuerto)};
    }

    bool grabar(const Textos& textos, QString* error) const {
        return grabarUno(valoresDeEquipo::kUsuario, textos.usuario, error) &&
               grabarUno(valoresDeEquipo::kPassword, textos.password, error) &&
               grabarUno(valoresDeEquipo::kPuerto, textos.puerto, error);
    }

    Textos desproteger(const Textos& t) const {
        return {sinProteccion(t.usuario), sinProteccion(t.password), sinProteccion(t.puerto)};
    }

private:
    QString leerUno(const char* valor) const {
        return registro_
            .LeerCadena(valoresDeEquipo::kClave, valor, DelRegistro::Raiz::HKEY_LOCAL_MACHINE)
            .trimmed();
    }
    bool grabarUno(const char* valor, const QString& texto, QString* error) const {
        return registro_.GrabarCadena(valoresDeEquipo::kClave, valor,
                                      acceso_.Encripta(texto, valoresDeEquipo::kLlave),
                                      DelRegistro::Raiz::HKEY_LOCAL_MACHINE, error);
    }
    QString sinProteccion(const QString& texto) const {
        return acceso_.DesEncripta(texto, valoresDeEquipo::kLlave);
    }

    const DelRegistro& registro_;
    const DeAcceso& acceso_;
};

QString certificadoIntegrado() {
    const QDir carpeta(ProgramLocation::ofRunningExecutable().executableDir());
    const QString junto = carpeta.filePath(QString::fromLatin1(ConexionCentral::kCertificadoCA));
    const QString instalado =
        QDir::cleanPath(carpeta.filePath(QStringLiteral("../share/zarvento/") +
                                         QString::fromLatin1(ConexionCentral::kCertificadoCA)));
    return QFileInfo::exists(junto) || !QFileInfo::exists(instalado) ? junto : instalado;
}

ConexionCentral aplicar(ConexionCentral conexion, const Textos& textos) {
    conexion.usuario = textos.usuario;
    conexion.password = textos.password;
    conexion.puerto = puertoDe(textos.puerto);
    return conexion;
}

} // namespace

ConexionCentral ConexionCentral::integrada() {
    static constexpr auto usuario =
        proteccion::proteger<kLlaveUsuarioIntegrado>(ZARVENTO_CENTRAL_USER);
    static constexpr auto password =
        proteccion::proteger<kLlavePasswordIntegrado>(ZARVENTO_CENTRAL_PASSWORD);
    const DeAcceso acceso;
    ConexionCentral conexion{QStringLiteral(ZARVENTO_CENTRAL_HOST), kPuertoIntegrado,
                             acceso.DesEncripta(usuario.text(), kLlaveUsuarioIntegrado),
                             acceso.DesEncripta(password.text(), kLlavePasswordIntegrado)};
    conexion.tls = ZARVENTO_CENTRAL_TLS != 0;
    if (ZARVENTO_CENTRAL_CA_PROPIA != 0)
        conexion.certificadoCA = certificadoIntegrado();
    return conexion;
}

void BorrarMarca(const Componentes& componentes) {
    const QString marca = componentes.entorno().programa.pathOf(QStringLiteral("xKTQ.aep"));
    if (DeArchivos::HayArchivo(marca))
        QFile::remove(marca);
}

ConexionCentral CargarConexionCentral(const Componentes& componentes, QString* aviso) {
    std::unique_ptr<DeAcceso> acceso;
    std::unique_ptr<DeEquipo> equipo;
    std::unique_ptr<DelRegistro> registro;
    const QString biblioteca = QString::fromLatin1(Componentes::kBiblioteca);
    const bool creados = componentes.CrearComponente(acceso, DeAcceso::kClase, biblioteca) &&
                         componentes.CrearComponente(equipo, DeEquipo::kClase, biblioteca) &&
                         componentes.CrearComponente(registro, DelRegistro::kClase, biblioteca);
    BorrarMarca(componentes);

    const ConexionCentral integrada = ConexionCentral::integrada();
    if (!creados)
        return integrada;
    const ValoresDeEquipo valores(*registro, *acceso);
    Textos leidos = valores.leer();
    if (!leidos.usuario.isEmpty())
        return aplicar(integrada, valores.desproteger(leidos));

    QString error;
    const Textos deFabrica{integrada.usuario, integrada.password,
                           QString::number(kPuertoIntegrado)};
    if (!valores.grabar(deFabrica, &error)) {
        if (aviso)
            *aviso = QStringLiteral("Valores del equipo no grabados: ") + error;
        return integrada;
    }
    if (!equipo->DDCR(leidos.usuario, leidos.password, leidos.puerto))
        return integrada;
    if (!valores.grabar(leidos, &error) && aviso)
        *aviso = QStringLiteral("Valores del equipo no grabados: ") + error;
    return aplicar(integrada, leidos);
}

} // namespace zarvento
