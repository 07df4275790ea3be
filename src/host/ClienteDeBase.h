#pragma once

#include "host/Services.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace zarvento {

// Where and as whom to reach a database server. servidor is "host", "host:port",
// "[IPv6 literal]:port" or the path of the server's socket file (it begins with "/").
struct ServidorDeBase {
    QString servidor;
    QString usuario;
    QString password;
};

// Consistent copies of a database with the server's own client tools. The password reaches the
// tools only through a private options file (mode 0600, removed afterwards), never their command
// line or environment. While a tool runs, the event pump runs at least every 50 ms.
class ClienteDeBase {
public:
    static constexpr int kPausaBombaMs = 50;

    ClienteDeBase(ServidorDeBase servidor, EventPump& bomba);

    // Writes a dump of the database that restores as it stood at one instant, also while it is
    // being written to, into archivo (mode 0600). False with the tool's reason in error; nothing
    // is left at archivo then.
    bool Volcar(const QString& base, const QString& archivo, QString& error);
    // The databases the user may see on the server; nullopt with the reason in error.
    std::optional<QStringList> Bases(QString& error);
    // Runs the statements of a file (a dump) with the server's client, stopping at the first
    // that fails; false with the client's reason in error.
    bool Cargar(const QString& archivo, QString& error);
    bool Ejecutar(const QString& sentencia, QString& error);

    // The database a data folder holds, from the folder's name (which the server writes with
    // "@xxxx" for characters outside letters, digits and "_").
    static QString BaseDeCarpeta(const QString& carpeta);

private:
    // Runs a client tool with the connection options first; false with the reason in error.
    // entrada: a file the tool reads as its standard input.
    bool ejecutar(const QString& programa, const QStringList& argumentos, QByteArray& salida,
                  QString& error, const QString& entrada = QString());

    ServidorDeBase servidor_;
    EventPump& bomba_;
};

// Whether a running database server holds the data folder that carpeta is, or that carpeta lies
// in: the server keeps a lock on its system files there for as long as it runs.
bool CarpetaDeServidorActivo(const QString& carpeta);

} // namespace zarvento
