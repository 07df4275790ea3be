#pragma once

#include <QString>

namespace zarvento {

struct Entorno;

// Registry strings kept in files: one INI-like file per root key, whose sections are the key
// paths and whose entries are the value names (both matched in any letter case). The machine
// root lives in a machine-wide folder, the user root in the user's configuration folder.
class DelRegistro {
public:
    static constexpr const char* kClase = "DelRegistro";

    enum class Raiz { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER };

    explicit DelRegistro(const Entorno& entorno);
    DelRegistro(QString carpetaMaquina, QString carpetaUsuario);

    // The value's text, "" when the key, the value or the store is absent.
    QString LeerCadena(const QString& clave, const QString& valor, Raiz raiz) const;
    // Stores the value; false (with the reason in *error) when the store refused it, for example
    // because its folder cannot be created or written.
    bool GrabarCadena(const QString& clave, const QString& valor, const QString& dato, Raiz raiz,
                      QString* error = nullptr) const;

    // The host product's installation recorded for the folder (trailing separators aside): the
    // recorded folder, or "" when no installation is recorded there. The record is the value
    // kValorInstalacion of the machine key kClaveInstalacion.
    QString BuscarRegistroR0K(const QString& carpetaHost) const;
    static constexpr const char* kClaveInstalacion = "SOFTWARE\\Merovia\\Quillon Premium";
    static constexpr const char* kValorInstalacion = "Ruta de instalación";

    // The file that holds the root's keys.
    QString archivoDe(Raiz raiz) const;

    static QString carpetaMaquinaPorDefecto();
    // $XDG_CONFIG_HOME/zarvento, else ~/.config/zarvento.
    static QString carpetaUsuarioPorDefecto();

private:
    QString carpetaDe(Raiz raiz) const;

    QString carpetaMaquina_;
    QString carpetaUsuario_;
};

} // namespace zarvento
