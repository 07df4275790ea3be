#pragma once

#include "host/Services.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

namespace zarvento {

// Where and as whom to reach a database server. servidor is "host", "host:port",
// "[IPv6 literal]:port" or the path of the server's socket file (it begins with "/").
struct ServidorDeBase {
    QString servidor;
    QString usuario;
    QString password;
};

// Where a client tool reads and writes besides its arguments.
struct CanalesDeCliente {
    QString entrada; // a file fed to its standard input; none when empty
    int salida = -1; // a descriptor for its standard output; else it is read into salida
};

// Consistent copies of a database with the server's own client tools. The password reaches the
// tools only through an options file that lives in memory (mode 0600, handed over as
// /dev/fd/N), never a file on disk, their command line or their environment. A tool ends with
// the thread that started it (the program ending, by its window or a signal, included), and
// one that runs longer than the limit is ended and fails. While a tool runs, the event pump
// runs at least every 50 ms.
class ClienteDeBase {
public:
    static constexpr int kPausaBombaMs = 50;
    // The settings' default for "Base tiempo máximo".
    static constexpr std::chrono::minutes kLimitePorDefecto{30};

    ClienteDeBase(ServidorDeBase servidor, EventPump& bomba,
                  std::chrono::milliseconds limite = kLimitePorDefecto);

    // Called before a dump that locks the database's tables, with those that have no
    // transactions and so are the reason.
    using AvisoDeBloqueo = std::function<void(const QStringList& tablasSinTransacciones)>;
    // Writes a dump of the database that restores as it stood at one instant, also while it is
    // being written to, into archivo (mode 0600). Tables with transactions are read in one
    // transaction without stopping writers; when the database also holds tables without them
    // (MyISAM, Aria, MEMORY), its tables are locked against writes for the dump instead. False
    // with the tool's reason in error; then, and if the program ends during the dump, nothing
    // is left at archivo (a previous file there is replaced only by a complete dump).
    bool Volcar(const QString& base, const QString& archivo, QString& error,
                const AvisoDeBloqueo& alBloquear = {});
    // The databases the user may see on the server; nullopt with the reason in error.
    std::optional<QStringList> Bases(QString& error);

    // Runs a client tool of the server (mariadb, mariadb-dump...) with the connection options
    // first; false with the reason in error.
    bool Ejecutar(const QString& programa, const QStringList& argumentos, QByteArray& salida,
                  QString& error, const CanalesDeCliente& canales = {});

    // The database a data folder holds, from the folder's name (which the server writes with
    // "@xxxx" for characters outside letters, digits and "_").
    static QString BaseDeCarpeta(const QString& carpeta);

private:
    std::optional<QStringList> tablasSinTransacciones(const QString& base, QString& error);

    ServidorDeBase servidor_;
    EventPump& bomba_;
    std::chrono::milliseconds limite_;
};

// Whether a running database server holds the data folder that carpeta is, or that carpeta lies
// in: the server keeps a lock on its system files there for as long as it runs.
bool CarpetaDeServidorActivo(const QString& carpeta);

} // namespace zarvento
