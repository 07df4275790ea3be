#include "engine/DestinoFTP.h"

namespace zarvento {

DestinoFTP::DestinoFTP(QString servidor, QString usuario, QString password, Avisos avisos)
    : servidor_(std::move(servidor)), usuario_(std::move(usuario)), password_(std::move(password)),
      avisos_(std::move(avisos)) {
    deFTP.SetModePassive();
    deFTP.SetTransferBinary();
    deFTP.setFileTransferProgress(avisos_.progreso);
    deFTP.setEventPump(avisos_.bombear);
}

DestinoFTP::~DestinoFTP() {
    deFTP.CloseConnection();
}

bool DestinoFTP::ConectarFTP() {
    return deFTP.OpenConnection(servidor_, usuario_, password_);
}

bool DestinoFTP::crearCarpeta(const QString& carpeta, QString& error) {
    return CrearRutaFTP(carpeta, error);
}

// Two attempts; after a failed one every ancestor level is made, from the top, so the second
// attempt can make the folder itself.
bool DestinoFTP::CrearRutaFTP(const QString& ruta, QString& error) {
    bool resultado = false;
    for (int intento = 1; intento <= 2; ++intento) {
        if (!ConectarFTP()) {
            error = deFTP.GetLastErrorMessage();
            continue;
        }
        avisos_.mostrar(ruta);
        if (deFTP.CreateFTPDirectory(ruta)) {
            resultado = true;
            continue; // the next attempt normally finds the folder existing
        }
        // Servers word "already exists" differently; a folder we can change into exists.
        if (deFTP.GetLastErrorMessage().contains(QStringLiteral("file exists"),
                                                 Qt::CaseInsensitive) ||
            deFTP.RemoteDirectoryExists(ruta)) {
            resultado = true;
            break;
        }
        resultado = false;
        error = deFTP.GetLastErrorMessage();
        const QString completa = ruta.endsWith('/') ? ruta : ruta + '/';
        for (qsizetype k = 0; k + 1 < completa.size(); ++k) {
            if (completa[k] != '/')
                continue;
            const QString prefijo = completa.left(k + 1);
            avisos_.mostrar(prefijo);
            deFTP.CreateFTPDirectory(prefijo);
        }
    }
    avisos_.ocultar();
    return resultado;
}

bool DestinoFTP::necesitaCopia(const DatosArchivo& origen, const QString& destino) {
    return deFTP.GetFTPFileSize(destino) != origen.tamano;
}

bool DestinoFTP::copiar(const QString& origen, const QString& destino, qint64, QString& error) {
    if (ConectarFTP() && deFTP.FTPUploadFile(origen, destino))
        return true;
    error = deFTP.GetLastErrorMessage();
    return false;
}

} // namespace zarvento
