#pragma once

#include "engine/FileCopier.h"
#include "engine/FolderListing.h"

#include <QString>
#include <memory>

namespace zarvento {

// Where a run's files go. The run's structure is the same for every destination; this is
// what differs between a local (or network) folder and an FTP server.
class DestinoRespaldo {
public:
    virtual ~DestinoRespaldo() = default;

    // Start of the line written to the log file before each copy.
    virtual QString verboCopia() const = 0;
    // Makes the destination folder when missing; true when it exists afterwards, else false with
    // the reason in error.
    virtual bool crearCarpeta(const QString& carpeta, QString& error) = 0;
    // The differential rule: whether a source file with these data must be copied over what the
    // destination holds.
    virtual bool necesitaCopia(const DatosArchivo& origen, const QString& destino) = 0;
    virtual bool copiar(const QString& origen, const QString& destino, qint64 tamano,
                        QString& error) = 0;
    // Whether copies run on worker threads while the walk goes on; they are then made with
    // preparar and completed (see CopiaPreparada).
    virtual bool copiaEnParalelo() const { return false; }
    virtual std::unique_ptr<CopiaPreparada> preparar(const QString&, const QString&) {
        return nullptr;
    }
    // Whether a differential run deletes destination files the source no longer has.
    virtual bool borraSobrantes() const = 0;
    // After a failed crearCarpeta: why the route must end there because no later folder or
    // file can get through either (the server cannot be reached); empty otherwise.
    virtual QString motivoParaDetener() const { return {}; }
    // What a deletion pass compares with the source: the destination folder's entries.
    virtual ListadoCarpeta listadoDe(const QString&) { return {}; }
};

class DestinoLocal final : public DestinoRespaldo {
public:
    DestinoLocal(FileCopier& copiador, const LectorCarpetas& lector)
        : copiador_(copiador), lector_(lector) {}

    QString verboCopia() const override { return QStringLiteral("Copiando "); }
    // Also lists the folder once: the differential rule, the removal of abandoned temporary
    // files and the deletion pass all read that listing.
    bool crearCarpeta(const QString& carpeta, QString& error) override;
    // Copies when the destination file is missing, the source was written later (whole seconds),
    // or both have the same time but not the same size.
    bool necesitaCopia(const DatosArchivo& origen, const QString& destino) override;
    bool copiar(const QString& origen, const QString& destino, qint64 tamano,
                QString& error) override;
    bool copiaEnParalelo() const override { return true; }
    std::unique_ptr<CopiaPreparada> preparar(const QString& origen,
                                             const QString& destino) override {
        return copiador_.preparar(origen, destino);
    }
    bool borraSobrantes() const override { return true; }
    ListadoCarpeta listadoDe(const QString& carpeta) override;

private:
    void listar(const QString& carpeta);

    FileCopier& copiador_;
    const LectorCarpetas& lector_;
    // The destination folder last listed, with sizes and times: a run goes folder by folder.
    QString carpetaListada_;
    ListadoCarpeta listado_;
};

} // namespace zarvento
