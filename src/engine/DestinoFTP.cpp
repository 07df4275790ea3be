#include "engine/DestinoFTP.h"

namespace zarvento {

DestinoFTP::DestinoFTP(QString servidor, QString usuario, QString password, Avisos avisos)
    : servidor_(std::move(servidor)), usuario_(std::move(usuario)), password_(std::move(password)),
      avisos_(std::move(avisos)) {
    deFTP.SetModePassive();
    deFTP.SetTransferBinary();
    // A progress event comes for every 255-byte block; the notice only needs the latest one
    // whenever the window can paint it, and the last one of each file.
    deFTP.setFileTransferProgress([this](qint64& actual, qint64& total) {
        progreso_ = {actual, total};
        if (actual == total)
            mostrarProgresoPendiente();
    });
    deFTP.setEventPump([this] {
        if (progreso_)
            mostrarProgresoPendiente(); // showing the notice lets window events run
        else if (avisos_.bombear)
            avisos_.bombear();
    });
}

DestinoFTP::~DestinoFTP() {
    deFTP.CloseConnection();
}

void DestinoFTP::mostrarProgresoPendiente() {
    auto [actual, total] = *progreso_;
    progreso_.reset();
    if (avisos_.progreso)
        avisos_.progreso(actual, total);
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
    bool creada = false;
    bool listada = false;
    int sinConexion = 0;
    for (int intento = 1; intento <= 2; ++intento) {
        if (!ConectarFTP()) {
            error = deFTP.GetLastErrorMessage();
            ++sinConexion;
            continue;
        }
        avisos_.mostrar(ruta);
        if (deFTP.CreateFTPDirectory(ruta)) {
            resultado = creada = true;
            continue; // the next attempt normally finds the folder existing
        }
        // Servers word "already exists" differently; a folder we can list exists.
        if (creada ||
            deFTP.GetLastErrorMessage().contains(QStringLiteral("file exists"),
                                                 Qt::CaseInsensitive) ||
            (listada = listarCarpeta(ruta))) {
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
    if (sinConexion == 2) {
        sinConexion_ = QStringLiteral("Sin conexión con el servidor FTP ") + servidor_ +
                       QStringLiteral(": ") + error;
        return false;
    }
    if (resultado && !listada) {
        if (creada) {
            carpetaListada_ = ruta;
            enServidor_.emplace();
        } else {
            listarCarpeta(ruta);
        }
    }
    return resultado;
}

// One listing per folder decides for all its files; a folder that cannot be listed has all
// its files uploaded.
bool DestinoFTP::listarCarpeta(const QString& ruta) {
    carpetaListada_ = ruta;
    enServidor_.reset();
    const auto entradas = deFTP.FolderEntries(ruta);
    if (!entradas)
        return false;
    enServidor_.emplace();
    for (const ftp::RemoteEntry& entrada : *entradas) {
        if (!entrada.isFolder)
            enServidor_->insert(entrada.name, entrada.size);
    }
    quitarSubidasInterrumpidas(ruta);
    return true;
}

void DestinoFTP::quitarSubidasInterrumpidas(const QString& ruta) {
    for (auto it = enServidor_->begin(); it != enServidor_->end();) {
        if (ftp::clsFTP::IsTemporaryUploadName(it.key())) {
            deFTP.DeleteFTPFile(ruta + it.key());
            it = enServidor_->erase(it);
        } else {
            ++it;
        }
    }
}

bool DestinoFTP::necesitaCopia(const DatosArchivo& origen, const QString& destino) {
    const qsizetype nombre = destino.lastIndexOf('/') + 1;
    if (destino.left(nombre) != carpetaListada_)
        return deFTP.GetFTPFileSize(destino) != origen.tamano;
    if (!enServidor_)
        return true;
    const auto remoto = enServidor_->constFind(destino.mid(nombre));
    return remoto == enServidor_->cend() || *remoto != origen.tamano;
}

bool DestinoFTP::copiar(const QString& origen, const QString& destino, qint64, QString& error) {
    const bool subido = ConectarFTP() && deFTP.FTPUploadFile(origen, destino);
    progreso_.reset(); // a broken upload's progress must not show up later
    if (!subido)
        error = deFTP.GetLastErrorMessage();
    return subido;
}

} // namespace zarvento
