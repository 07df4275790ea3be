#pragma once

#include "engine/Destino.h"
#include "ftp/clsFTP.h"

#include <functional>

namespace zarvento {

// An FTP server as the destination of a run. Every upload and every attempt to make a folder
// opens a fresh connection; the client lives until the next run replaces this destination.
class DestinoFTP final : public DestinoRespaldo {
public:
    // How the destination shows what it does in the main window.
    struct Avisos {
        std::function<void(const QString&)> mostrar;
        std::function<void()> ocultar;
        std::function<void()> bombear;
        ftp::clsFTP::ProgressHandler progreso;
    };

    DestinoFTP(QString servidor, QString usuario, QString password, Avisos avisos);
    ~DestinoFTP() override;

    QString verboCopia() const override { return QStringLiteral("Subiendo "); }
    bool crearCarpeta(const QString& carpeta, QString& error) override;
    // Uploads when the remote size differs from the local one (or is unknown).
    bool necesitaCopia(const DatosArchivo& origen, const QString& destino) override;
    bool copiar(const QString& origen, const QString& destino, qint64 tamano,
                QString& error) override;
    bool borraSobrantes() const override { return false; }

private:
    bool ConectarFTP();
    bool CrearRutaFTP(const QString& ruta, QString& error);

    QString servidor_;
    QString usuario_;
    QString password_;
    Avisos avisos_;
    ftp::clsFTP deFTP;
};

} // namespace zarvento
