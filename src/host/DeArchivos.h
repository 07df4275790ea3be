#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace zarvento {

class DialogService;

// File tests and folder operations of the component library.
class DeArchivos {
public:
    static constexpr const char* kClase = "DeArchivos";

    explicit DeArchivos(DialogService* dialogos = nullptr) : dialogos_(dialogos) {}

    // A file (anything but a folder) exists at the path.
    static bool HayArchivo(const QString& ruta);
    static bool HayCarpeta(const QString& ruta);
    // Makes every missing level; true when the folder exists afterwards.
    static bool CreaRuta(const QString& ruta);
    // Removes the folder and its content; symbolic links are removed, never followed.
    static bool DelTree(const QString& ruta);
    // Last-write time in whole seconds since the epoch; nullopt when the file cannot be read.
    static std::optional<qint64> FechaYhora(const QString& ruta);
    // The file-name part of a path.
    static QString NombreDeArchivo(const QString& ruta);

    // Asks the user for a folder; "" when cancelled.
    QString Carpeta(QObject* propietario) const;
    // Opens the document in the program associated with its type.
    bool AbreDocumento(const QString& ruta) const;

private:
    DialogService* dialogos_;
};

} // namespace zarvento
