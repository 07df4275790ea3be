#pragma once

#include "host/Services.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace zarvento {

// A private, throw-away database server for proving dumps: the workstation's own server program
// on a new data folder inside carpeta, without network, reached only through a socket in a
// folder of its owner's. Nothing of it outlives the object: the server is stopped and the folder
// removed when it is destroyed, when its work fails, and (through Descartar) when the program
// ends in the middle of it; the server also ends with the program if that dies. The event pump
// runs throughout, and every step stops when the deadline passes.
class ServidorDePrueba {
public:
    ServidorDePrueba(QString carpeta, EventPump& bomba, QDeadlineTimer limite);
    ~ServidorDePrueba();
    ServidorDePrueba(const ServidorDePrueba&) = delete;
    ServidorDePrueba& operator=(const ServidorDePrueba&) = delete;

    // False with the reason in error.
    bool iniciar(QString& error);
    // Feeds a dump to the server through its command-line client, which may not reach files.
    bool cargar(const QString& volcado, QString& error);
    // The client's tab-separated rows for the statements; nullopt with the reason in error.
    std::optional<QByteArray> consultar(const QByteArray& sentencias, QString& error);

    // Stops the server that is running, if any, and removes its folder; for the program's
    // ending, where no destructor runs.
    static void Descartar();

private:
    bool esperar(QProcess& proceso, const QString& paso, QString& error);
    bool ejecutarCliente(QProcess& cliente, const QString& paso, QString& error);
    QStringList argumentosDeCliente() const;
    void detener();

    QString carpeta_;
    EventPump& bomba_;
    QDeadlineTimer limite_;
    QString socket_;
    std::unique_ptr<QTemporaryDir> carpetaSocket_; // when carpeta's path is too long for a socket
    std::unique_ptr<QProcess> servidor_;
};

} // namespace zarvento
