#pragma once

#include "engine/RegistroDeCopia.h"
#include "restauracion/AlmacenDeCopias.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace zarvento {

// One copy kept at the destination: a cycle folder (or the destination root without cycles).
struct CopiaDisponible {
    QString nombre; // the cycle's folder name; "" without cycle folders
    std::optional<RegistroDeCopia> registro;
    QDateTime momento; // when its run started; without a record, when its folders last changed
    // Without a record: the routes' destination folders found, relative to the root.
    QStringList carpetas;
    QString archivoDeRegistro; // where its record is (or would be)

    // The name as the command line takes it ("-" for the one copy without cycle folders).
    QString nombreVisible() const;
    // The run's result, or what the folders alone tell.
    QString resultado() const;
    bool correcta() const { return registro && registro->correcta(); }
    // The routes of the copy: those of its record, or one per folder found.
    std::vector<RutaRegistrada> rutas() const;
};

// The copies at the destination, newest first. A record that cannot be read leaves its copy
// listed from its folders; nullopt with the reason in error when the destination cannot be read.
std::optional<std::vector<CopiaDisponible>>
ListarCopias(AlmacenDeCopias& almacen, const LugarDeCopias& lugar, QString& error);

// The subfolder a route's copy is restored into: its destination folder without the cycle.
QString CarpetaDeRestauracion(const RutaRegistrada& ruta, const CopiaDisponible& copia,
                              const LugarDeCopias& lugar);

} // namespace zarvento
