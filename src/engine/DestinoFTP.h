#pragma once

#include "engine/Destino.h"
#include "ftp/TemporaryName.h"
#include "ftp/clsFTP.h"

#include <QHash>
#include <QMultiHash>
#include <QSet>
#include <functional>
#include <optional>

namespace zarvento {

// An FTP server as the destination of a run. The client keeps one login for the whole run:
// each connection request reuses the live connection when it still answers. The client lives
// until the next run replaces this destination.
class DestinoFTP final : public DestinoRespaldo {
public:
    // How the destination shows what it does in the main window.
    struct Avisos {
        std::function<void(const QString&)> mostrar;
        std::function<void()> ocultar;
        std::function<void()> bombear;
        ftp::clsFTP::ProgressHandler progreso;
        // A line for the log, with its label and value.
        std::function<void(const QString&, const QString&)> registrar;
    };

    DestinoFTP(QString servidor, QString usuario, QString password, Avisos avisos);
    ~DestinoFTP() override;

    QString verboCopia() const override { return QStringLiteral("Subiendo "); }
    // Also lists the folder once, for the differential rule of its files, and settles what
    // interrupted uploads left there (see resolverSubidasInterrumpidas). When the server cannot be
    // reached or refuses the login in both attempts, motivoParaDetener says so: the route ends
    // there instead of trying again for every folder.
    bool crearCarpeta(const QString& carpeta, QString& error) override;
    // Uploads when the remote size differs from the local one (or is unknown).
    bool necesitaCopia(const DatosArchivo& origen, const QString& destino) override;
    bool copiar(const QString& origen, const QString& destino, qint64 tamano,
                QString& error) override;
    bool borraSobrantes() const override { return false; }
    QString motivoParaDetener() const override { return sinConexion_; }

private:
    bool ConectarFTP();
    bool CrearRutaFTP(const QString& ruta, QString& error);
    bool listarCarpeta(const QString& ruta);
    // Forgets what was known of the folder before.
    void empezarCarpeta(const QString& ruta);
    struct Resto {
        QString nombre;
        ftp::TemporaryName datos;
        qint64 tamano;
    };
    void resolverSubidasInterrumpidas(const QString& ruta);
    void resolver(const QString& ruta, const QString& clave, QList<Resto> restos);
    ftp::clsFTP::RemoteName enServidor(const QString& destino) const;
    void mostrarProgresoPendiente();

    QString servidor_;
    QString usuario_;
    QString password_;
    Avisos avisos_;
    ftp::clsFTP deFTP;
    QString sinConexion_;
    // The sizes of the files of the last folder made or found, by exact name; nullopt when
    // its listing failed.
    QString carpetaListada_;
    std::optional<QHash<QString, qint64>> enServidor_;
    QSet<QString> carpetasEnServidor_;
    // Whole copies that interrupted uploads left in that folder and that no rule could settle,
    // by the key of their file: the next upload of that file that goes through removes them.
    QMultiHash<QString, QString> conservados_;
    bool sinRenombrarAvisado_ = false;
    // The latest upload progress not yet shown: it is shown before window events run.
    std::optional<std::pair<qint64, qint64>> progreso_;
};

} // namespace zarvento
