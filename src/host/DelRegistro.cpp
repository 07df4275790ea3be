#include "host/DelRegistro.h"

#include "host/BuildSettings.h"
#include "host/Componentes.h"
#include "host/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <sys/stat.h>

namespace zarvento {

namespace {

bool hasLineBreak(const QString& text) {
    return text.contains('\r') || text.contains('\n');
}

// Names that the file's structure could not hold unchanged.
QString invalidNameReason(const QString& clave, const QString& valor) {
    if (clave.trimmed().isEmpty() || clave.contains(']') || hasLineBreak(clave))
        return QStringLiteral("clave de registro no válida \"%1\"").arg(clave);
    if (valor.trimmed().isEmpty() || valor.contains('=') || valor.trimmed().startsWith(';') ||
        hasLineBreak(valor))
        return QStringLiteral("nombre de valor no válido \"%1\"").arg(valor);
    return {};
}

// Makes the folder and every missing level above it, each level made here private to its owner.
bool crearCarpetaPrivada(const QString& carpeta) {
    const QByteArray bytes = QFile::encodeName(QDir(carpeta).absolutePath());
    for (qsizetype fin = bytes.indexOf('/', 1); fin >= 0; fin = bytes.indexOf('/', fin + 1))
        ::mkdir(bytes.left(fin).constData(), 0700);
    ::mkdir(bytes.constData(), 0700);
    return QFileInfo(carpeta).isDir();
}

} // namespace

DelRegistro::DelRegistro(const Entorno& entorno)
    : DelRegistro(entorno.registroMaquina, entorno.registroUsuario) {}

DelRegistro::DelRegistro(QString carpetaMaquina, QString carpetaUsuario)
    : carpetaMaquina_(std::move(carpetaMaquina)), carpetaUsuario_(std::move(carpetaUsuario)) {}

QString DelRegistro::carpetaDe(Raiz raiz) const {
    return raiz == Raiz::HKEY_LOCAL_MACHINE ? carpetaMaquina_ : carpetaUsuario_;
}

QString DelRegistro::archivoDe(Raiz raiz) const {
    return carpetaDe(raiz) + (raiz == Raiz::HKEY_LOCAL_MACHINE ? "/HKEY_LOCAL_MACHINE.ini"
                                                               : "/HKEY_CURRENT_USER.ini");
}

QString DelRegistro::LeerCadena(const QString& clave, const QString& valor, Raiz raiz) const {
    if (carpetaDe(raiz).isEmpty() || !invalidNameReason(clave, valor).isEmpty())
        return {};
    return ini::read(archivoDe(raiz), clave, valor);
}

bool DelRegistro::GrabarCadena(const QString& clave, const QString& valor, const QString& dato,
                               Raiz raiz, QString* error) const {
    const auto refuse = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (const QString reason = invalidNameReason(clave, valor); !reason.isEmpty())
        return refuse(reason);
    if (hasLineBreak(dato))
        return refuse(QStringLiteral("un valor del registro no puede tener saltos de línea"));
    const QString carpeta = carpetaDe(raiz);
    if (carpeta.isEmpty() || !crearCarpetaPrivada(carpeta))
        return refuse(
            QStringLiteral("no se puede crear la carpeta del registro \"%1\"").arg(carpeta));
    // Quoted, so blanks and quotes at the ends of the value read back unchanged.
    return ini::write(archivoDe(raiz), clave, valor, '"' + dato + '"', error);
}

QString DelRegistro::BuscarRegistroR0K(const QString& carpetaHost) const {
    const auto sinSeparadorFinal = [](QString ruta) {
        while (ruta.size() > 1 && ruta.endsWith('/'))
            ruta.chop(1);
        return ruta;
    };
    const QString registrada =
        LeerCadena(QString::fromUtf8(kClaveInstalacion), QString::fromUtf8(kValorInstalacion),
                   Raiz::HKEY_LOCAL_MACHINE);
    if (registrada.isEmpty() || sinSeparadorFinal(registrada) != sinSeparadorFinal(carpetaHost))
        return {};
    return registrada;
}

QString DelRegistro::carpetaMaquinaPorDefecto() {
    return QStringLiteral(ZARVENTO_MACHINE_REGISTRY_DIR);
}

QString DelRegistro::carpetaUsuarioPorDefecto() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/zarvento");
}

} // namespace zarvento
