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
            empezarCarpeta(ruta);
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
    empezarCarpeta(ruta);
    const auto entradas = deFTP.FolderEntries(ruta);
    if (!entradas)
        return false;
    enServidor_.emplace();
    for (const ftp::RemoteEntry& entrada : *entradas) {
        if (entrada.isFolder)
            carpetasEnServidor_.insert(entrada.name);
        else
            enServidor_->insert(entrada.name, entrada.size);
    }
    resolverSubidasInterrumpidas(ruta);
    return true;
}

void DestinoFTP::empezarCarpeta(const QString& ruta) {
    carpetaListada_ = ruta;
    enServidor_.reset();
    carpetasEnServidor_.clear();
    conservados_.clear();
}

// What a run killed or cut off in the middle of an upload left beside the file it was
// replacing, grouped by that file.
void DestinoFTP::resolverSubidasInterrumpidas(const QString& ruta) {
    QHash<QString, QList<Resto>> porArchivo;
    for (auto it = enServidor_->begin(); it != enServidor_->end();) {
        if (const auto datos = ftp::TemporaryName::parse(it.key())) {
            porArchivo[datos->key].append({it.key(), *datos, it.value()});
            it = enServidor_->erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = porArchivo.begin(); it != porArchivo.end(); ++it)
        resolver(ruta, it.key(), std::move(it.value()));
}

// A new copy short of its size is of no use. When the file is missing, a replacement stopped
// between its renames: the newest whole copy takes the name, the new one before the previous
// one. Once the file is there, a previous copy moved aside goes, and so does a new copy of the
// file's size; any other whole copy stays (the file may be cut short on servers that cannot
// rename) until the file's next upload goes through. Nothing is deleted for a file whose name
// is unknown (too long to travel whole in the temporary names, and missing).
void DestinoFTP::resolver(const QString& ruta, const QString& clave, QList<Resto> restos) {
    const auto borrar = [&](const Resto& resto) { deFTP.DeleteFTPFile(ruta + resto.nombre); };
    restos.removeIf([&](const Resto& resto) {
        const bool corta =
            resto.datos.kind == ftp::TemporaryName::Kind::New && resto.tamano != resto.datos.size;
        if (corta)
            borrar(resto);
        return corta;
    });
    std::sort(restos.begin(), restos.end(), [](const Resto& a, const Resto& b) {
        return (a.datos.kind == ftp::TemporaryName::Kind::New) !=
                       (b.datos.kind == ftp::TemporaryName::Kind::New)
                   ? a.datos.kind == ftp::TemporaryName::Kind::New
                   : a.datos.stamp > b.datos.stamp;
    });
    QString archivo;
    for (const Resto& resto : restos)
        archivo = archivo.isEmpty() ? resto.datos.finalName : archivo;
    for (auto it = enServidor_->cbegin(); archivo.isEmpty() && it != enServidor_->cend(); ++it) {
        if (ftp::TemporaryName::keyOf(it.key()) == clave)
            archivo = it.key();
    }
    if (!archivo.isEmpty() && !restos.isEmpty() && !enServidor_->contains(archivo) &&
        !carpetasEnServidor_.contains(archivo) &&
        deFTP.RenameFTPFile(ruta + restos.front().nombre, ruta + archivo)) {
        enServidor_->insert(archivo, restos.front().tamano);
        avisos_.registrar(QStringLiteral("Copia recuperada"), ruta + archivo);
        restos.removeFirst();
    }
    const auto copia = archivo.isEmpty() ? enServidor_->cend() : enServidor_->constFind(archivo);
    for (const Resto& resto : restos) {
        if (copia != enServidor_->cend() &&
            (resto.datos.kind == ftp::TemporaryName::Kind::Aside || *copia == resto.tamano))
            borrar(resto);
        else
            conservados_.insert(clave, resto.nombre);
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

ftp::clsFTP::RemoteName DestinoFTP::enServidor(const QString& destino) const {
    const qsizetype nombre = destino.lastIndexOf('/') + 1;
    if (destino.left(nombre) != carpetaListada_ || !enServidor_)
        return ftp::clsFTP::RemoteName::Unknown;
    const QString archivo = destino.mid(nombre);
    return enServidor_->contains(archivo)          ? ftp::clsFTP::RemoteName::File
           : carpetasEnServidor_.contains(archivo) ? ftp::clsFTP::RemoteName::Folder
                                                   : ftp::clsFTP::RemoteName::Missing;
}

bool DestinoFTP::copiar(const QString& origen, const QString& destino, qint64, QString& error) {
    const bool subido = ConectarFTP() && deFTP.FTPUploadFile(origen, destino, enServidor(destino));
    progreso_.reset(); // a broken upload's progress must not show up later
    if (!deFTP.RenameRefusal().isEmpty() && !sinRenombrarAvisado_) {
        sinRenombrarAvisado_ = true;
        avisos_.registrar(QStringLiteral("Servidor FTP sin renombrar"),
                          deFTP.RenameRefusal() +
                              QStringLiteral(" (cada archivo se sube dos veces: aparte y luego "
                                             "sobre su nombre)"));
    }
    if (!subido) {
        error = deFTP.GetLastErrorMessage();
        return false;
    }
    const qsizetype nombre = destino.lastIndexOf('/') + 1;
    if (destino.left(nombre) == carpetaListada_) {
        const QString clave = ftp::TemporaryName::keyOf(destino.mid(nombre));
        for (const QString& resto : conservados_.values(clave))
            deFTP.DeleteFTPFile(carpetaListada_ + resto);
        conservados_.remove(clave);
    }
    return true;
}

} // namespace zarvento
