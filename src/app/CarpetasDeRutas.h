#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace zarvento {

// The destination folder name of every route of a run. A route's folder is named after the
// route's own folder, so two routes of one name (/home/ana/Documentos, /home/luis/Documentos)
// would share it and overwrite and delete each other's copies. Names are compared as a
// case-insensitive file system would (a network share), and apart from that:
// - the first route of a name, in run order, keeps it, so its existing copies go on;
// - each later route of that name gets the name followed by its parent folder's name in
//   parentheses, "Documentos (luis)", or with a number after it, "Documentos (luis 2)", when that
//   is taken too; a route of the root's top level gets a number alone, "Documentos (2)".
// A name another route has as its own is never given. The names stay the same while the route
// lines stay the same. The same folder listed twice is one route.
class CarpetasDeRutas {
public:
    CarpetasDeRutas() = default;
    // The route lines in run order: the documents list, then the data list. Lines the engine
    // refuses (empty, control characters) are left out.
    explicit CarpetasDeRutas(const QStringList& lineas);

    // The destination folder name of a route line, when it differs from the route's own folder
    // name; "" otherwise.
    QString nombreDistinto(const QString& linea) const;

    // The routes that share a name with another, each line with its folder name, in run order.
    const std::vector<std::pair<QString, QString>>& coincidencias() const { return coincidencias_; }

private:
    QHash<QString, QString> distintos_; // normalised route -> folder name
    std::vector<std::pair<QString, QString>> coincidencias_;
};

} // namespace zarvento
