#pragma once

#include "host/ClienteDeBase.h"
#include "host/Services.h"

#include <QString>
#include <functional>

namespace zarvento {

// Brings a database back from its dump into the server, safely: the database as it stands is
// dumped first, and when the load fails that dump is loaded back in its place.
class CargaDeBase {
public:
    // carpetaSeguridad: where the dumps of the databases as they stood are kept.
    CargaDeBase(ServidorDeBase servidor, EventPump& bomba, QString carpetaSeguridad,
                const Clock& reloj);

    // informar receives a line for each step. False with the reason in error; the database is
    // then as it was before (or, when even that failed, error says where its dump is).
    bool cargar(const QString& base, const QString& volcado,
                const std::function<void(const QString&)>& informar, QString& error);

private:
    bool reponer(const QString& base, const QString& seguridad, QString& error);

    ClienteDeBase cliente_;
    QString carpetaSeguridad_;
    const Clock& reloj_;
};

} // namespace zarvento
