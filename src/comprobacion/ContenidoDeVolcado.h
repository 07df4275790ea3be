#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace zarvento {

// A table a dump creates, and how many rows its INSERT statements hold.
struct TablaDeVolcado {
    QString base;
    QString nombre;
    qint64 filas = 0;
};

// What a dump of the server's dump tool holds, read from its text without loading it: the
// databases it goes into (its USE statements), the tables it creates with their rows, and
// whether it reached the line the tool writes last.
struct ContenidoDeVolcado {
    QStringList bases;
    std::vector<TablaDeVolcado> tablas;
    bool completo = false;

    // nullopt with the reason in error when the file cannot be read.
    static std::optional<ContenidoDeVolcado> leer(const QString& archivo, QString& error);
    // Adds one line of a dump (without its line end).
    void anotarLinea(const QByteArray& linea);

private:
    // The table whose INSERT statement goes on over the next lines, when one does.
    qsizetype insertando_ = -1;
};

} // namespace zarvento
