#include "restauracion/CargaDeBase.h"

#include <QDir>

namespace zarvento {

namespace {

QString nombreSql(const QString& base) {
    QString nombre = base;
    return '`' + nombre.replace('`', QStringLiteral("``")) + '`';
}

// Runs a file of statements (a dump), or one statement, with the server's client, stopping at
// the first that fails. A dump is loaded in the client's sandbox: one altered at the destination
// cannot run commands or read files on this machine through the client.
bool cargarArchivo(ClienteDeBase& cliente, const QString& archivo, QString& error) {
    QByteArray salida;
    return cliente.Ejecutar(QStringLiteral("mariadb"),
                            {QStringLiteral("--batch"), QStringLiteral("--sandbox")}, salida, error,
                            {archivo});
}

bool ejecutarSentencia(ClienteDeBase& cliente, const QString& sentencia, QString& error) {
    QByteArray salida;
    return cliente.Ejecutar(QStringLiteral("mariadb"),
                            {QStringLiteral("--batch"), QStringLiteral("--execute=") + sentencia},
                            salida, error);
}

} // namespace

CargaDeBase::CargaDeBase(ServidorDeBase servidor, EventPump& bomba, QString carpetaSeguridad,
                         const Clock& reloj)
    : cliente_(std::move(servidor), bomba), carpetaSeguridad_(std::move(carpetaSeguridad)),
      reloj_(reloj) {}

bool CargaDeBase::cargar(const QString& base, const QString& volcado,
                         const std::function<void(const QString&)>& informar, QString& error) {
    const auto bases = cliente_.Bases(error);
    if (!bases)
        return false;
    QString seguridad;
    if (bases->contains(base)) {
        if (!QDir().mkpath(carpetaSeguridad_)) {
            error = QStringLiteral("No se puede crear ") + carpetaSeguridad_;
            return false;
        }
        seguridad = carpetaSeguridad_ + '/' + base + '-' +
                    reloj_.now().toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
                    QStringLiteral(".sql");
        informar(QStringLiteral("Copia de seguridad de la base ") + base + QStringLiteral(" en ") +
                 seguridad);
        if (!cliente_.Volcar(base, seguridad, error)) {
            error = QStringLiteral("Copia de seguridad fallida, la base no se tocó: ") + error;
            return false;
        }
    }
    informar(QStringLiteral("Cargando la base ") + base);
    if (cargarArchivo(cliente_, volcado, error))
        return true;
    const QString fallo =
        QStringLiteral("Carga de la base ") + base + QStringLiteral(" fallida: ") + error;
    QString sinReponer;
    if (reponer(base, seguridad, sinReponer)) {
        error =
            fallo + (seguridad.isEmpty() ? QStringLiteral("; la base se quitó otra vez")
                                         : QStringLiteral("; la base volvió a su estado anterior"));
    } else {
        error = fallo + QStringLiteral("; no se pudo devolver la base a su estado anterior (") +
                sinReponer + QStringLiteral("), su copia de seguridad es ") + seguridad;
    }
    return false;
}

// The database as it stood: what the failed load left is dropped whole (tables it made that
// the database did not have included), and the safety dump is loaded; a database that did not
// exist is only dropped.
bool CargaDeBase::reponer(const QString& base, const QString& seguridad, QString& error) {
    return ejecutarSentencia(cliente_, QStringLiteral("DROP DATABASE IF EXISTS ") + nombreSql(base),
                             error) &&
           (seguridad.isEmpty() || cargarArchivo(cliente_, seguridad, error));
}

} // namespace zarvento
