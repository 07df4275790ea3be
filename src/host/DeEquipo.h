#pragma once

#include <QString>

namespace zarvento {

struct Entorno;

// This machine's own central server account. An administrator provisions it in the machine
// file "equipo.ini" of the machine-wide registry folder, section "Servidor central", keys
// "Usuario", "Password" and "Puerto" (plain text).
class DeEquipo {
public:
    static constexpr const char* kClase = "DeEquipo";

    explicit DeEquipo(const Entorno& entorno);
    explicit DeEquipo(QString archivo) : archivo_(std::move(archivo)) {}

    // True when the machine file gives a user and a port: then the three texts hold user,
    // password and port. Otherwise they are left as they were.
    bool DDCR(QString& usuario, QString& password, QString& puerto) const;

    const QString& archivo() const { return archivo_; }

private:
    QString archivo_;
};

} // namespace zarvento
