#pragma once

#include "ftp/clsFTP.h"
#include "host/Services.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace zarvento {

// Where the copies are kept, as the settings name it.
struct LugarDeCopias {
    QString raiz; // the destination root, ending with "/"
    bool ftp = false;
    QString servidor;
    QString usuario;
    QString password;
    bool ciclos = true;       // copies spread over cycle folders
    bool cicloPrimero = true; // the cycle folder holds the routes' folders (else the reverse)
};

// One entry of a folder of the destination.
struct EntradaDeCopia {
    QString nombre;
    bool carpeta = false;
    qint64 tamano = 0;
    QDateTime modificado; // invalid when unknown
};

// Reads what a destination holds: the same questions of a local folder and of a server; and the
// two writes a proof of a copy makes there.
class AlmacenDeCopias {
public:
    // Bytes received so far and the file's size; false stops the transfer.
    using Progreso = std::function<bool(qint64 hechos, qint64 total)>;

    virtual ~AlmacenDeCopias() = default;
    // The folder's entries (hidden ones too); nullopt with the reason in error.
    virtual std::optional<QList<EntradaDeCopia>> listar(const QString& carpeta, QString& error) = 0;
    // A small file whole; nullopt with the reason in error (also when it does not exist).
    virtual std::optional<QByteArray> leer(const QString& archivo, QString& error) = 0;
    // Writes the file's content into local, an open file of the caller's (nombreLocal names it
    // in errors); false with the reason in error, also when progreso stopped it.
    virtual bool traer(const QString& archivo, int local, const QString& nombreLocal, qint64 tamano,
                       const Progreso& progreso, QString& error) = 0;
    // Whether traer may run on several threads at once.
    virtual bool enParalelo() const { return false; }
    // A local path to read the file's content from: the file itself in a local folder, else a
    // download of it into local; "" with the reason in error.
    virtual QString legible(const QString& archivo, const QString& local, qint64 tamano,
                            QString& error);
    // Whether the copies keep their backed-up times (a server may not).
    virtual bool conservaHoras() const { return false; }
    // Makes the next run copy the file again, once a proof found its copy different from the
    // source: a local copy gets the oldest time, which the differential rule copies over; a
    // server's copy, whose rule compares sizes only, is deleted.
    virtual bool copiarDeNuevo(const QString& archivo, QString& error) = 0;
    // Replaces a small file whole: written under a temporary name beside it, then put in its
    // place in one step, so it is never found half written.
    virtual bool guardar(const QString& archivo, const QByteArray& contenido, QString& error) = 0;

    static std::unique_ptr<AlmacenDeCopias> para(const LugarDeCopias& lugar, EventPump& bomba);
};

class AlmacenLocal final : public AlmacenDeCopias {
public:
    std::optional<QList<EntradaDeCopia>> listar(const QString& carpeta, QString& error) override;
    std::optional<QByteArray> leer(const QString& archivo, QString& error) override;
    bool traer(const QString& archivo, int local, const QString& nombreLocal, qint64 tamano,
               const Progreso& progreso, QString& error) override;
    bool enParalelo() const override { return true; }
    QString legible(const QString& archivo, const QString&, qint64, QString&) override {
        return archivo;
    }
    bool conservaHoras() const override { return true; }
    bool copiarDeNuevo(const QString& archivo, QString& error) override;
    bool guardar(const QString& archivo, const QByteArray& contenido, QString& error) override;
};

// A server of the FTP client: FTP, FTPS or SFTP, logged in once and kept.
class AlmacenFTP final : public AlmacenDeCopias {
public:
    AlmacenFTP(const LugarDeCopias& lugar, EventPump& bomba);

    std::optional<QList<EntradaDeCopia>> listar(const QString& carpeta, QString& error) override;
    std::optional<QByteArray> leer(const QString& archivo, QString& error) override;
    bool traer(const QString& archivo, int local, const QString& nombreLocal, qint64 tamano,
               const Progreso& progreso, QString& error) override;
    bool copiarDeNuevo(const QString& archivo, QString& error) override;
    bool guardar(const QString& archivo, const QByteArray& contenido, QString& error) override;

private:
    bool conectar(QString& error);

    LugarDeCopias lugar_;
    ftp::clsFTP ftp_;
    Progreso progreso_;
};

} // namespace zarvento
