#pragma once

#include "app/Resultado.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace zarvento {

// The destination folder name of every route of a run. A route's folder is named after the
// route's own folder, so two routes of one name (/home/ana/Documentos, /home/luis/Documentos)
// would share it and overwrite and delete each other's copies. So every route owns one folder
// name, and owns it for good: the owners are kept in a record in the program folder, one route
// per folder name, also for routes that have left the lists (their copies stay theirs). Names are
// compared as a case-insensitive file system would (a network share). A route the record does not
// know yet, in run order:
// - gets its own folder's name when no other route owns it, so existing copies go on;
// - else the name followed by its parent folder's name in parentheses, "Documentos (luis)", or
//   with a number after it, "Documentos (luis 2)", when that is taken too; a route of the root's
//   top level gets a number alone, "Documentos (2)". Such a name is never one another route owns
//   or has as its own.
// So which folder a route owns never depends on the order or presence of other lines. The same
// folder listed twice is one route.
class CarpetasDeRutas {
public:
    CarpetasDeRutas() = default;
    // The route lines in run order (the documents list, then the data list) and the record's
    // lines. Lines the engine refuses (empty, control characters) are left out.
    explicit CarpetasDeRutas(const QStringList& lineas, const QStringList& registro = {});

    // The routes of both lists with the record kept in archivoRegistro (none when missing).
    static CarpetasDeRutas deArchivos(const QString& documentos, const QString& datos,
                                      const QString& archivoRegistro);

    // The destination folder name of a route line, when it differs from the route's own folder
    // name; "" otherwise.
    QString nombreDistinto(const QString& linea) const;

    // The routes that share a name with another or whose folder is not named after them, each
    // line with its folder name, in run order.
    const std::vector<std::pair<QString, QString>>& coincidencias() const { return coincidencias_; }

    // The record's lines, with the routes it did not know added.
    const QStringList& registro() const { return registro_; }
    // Writes the record when routes were added to it: before a run copies into their folders.
    Resultado<> guardarRegistro(const QString& archivo) const;

private:
    QHash<QString, QString> distintos_; // normalised route -> folder name
    std::vector<std::pair<QString, QString>> coincidencias_;
    QStringList registro_;
    bool registroNuevo_ = false;
};

} // namespace zarvento
