#pragma once

#include <QString>
#include <dirent.h>
#include <optional>
#include <vector>

namespace zarvento {

struct DatosArchivo {
    qint64 tamano = 0;
    qint64 modificado = 0; // last-write time, whole seconds
};

// One entry of a folder as the backup sees it. Hidden means the name begins with ".".
// Symbolic links are taken for what they point at, except that a link to a folder is neither
// a folder to walk nor a file to copy.
struct EntradaCarpeta {
    enum class Tipo { Archivo, Carpeta, EnlaceACarpeta, Otro };

    QString nombre;
    Tipo tipo = Tipo::Otro;
    // Size and time of a file, when the listing was asked for them.
    std::optional<DatosArchivo> datos;

    bool oculta() const { return nombre.startsWith('.'); }
    // A file the copy walk takes: a regular file that is not hidden.
    bool esArchivoNormal() const { return tipo == Tipo::Archivo && !oculta(); }
    // A folder the subfolder search takes: a real folder that is not hidden.
    bool esCarpetaNormal() const { return tipo == Tipo::Carpeta && !oculta(); }
    // Whether a file test on this name would find something other than a folder.
    bool existeComoArchivo() const { return tipo == Tipo::Archivo || tipo == Tipo::Otro; }
};

enum class ConDatos { No, Si };

// The entries of a folder sorted by name ("." and ".." left out).
struct ListadoCarpeta {
    std::vector<EntradaCarpeta> entradas;
    // The folder was opened and its reading reached the end without error. An incomplete
    // listing holds only the entries read before the error: it cannot tell what is missing.
    bool completo = false;
};

// Reads folders. With ConDatos::Si every file entry carries its size and time.
// A run reads from two threads at once (a source folder and its destination folder).
class LectorCarpetas {
public:
    virtual ~LectorCarpetas() = default;
    ListadoCarpeta listar(const QString& carpeta, ConDatos conDatos = ConDatos::No) const;

protected:
    // The next entry of the folder's stream; nullptr at its end or, with errno set, on a read
    // error. Tests replace it to make a listing fail half-way.
    virtual const dirent* siguiente(DIR* dir, const QString& carpeta) const;
};

// What tells two paths of one folder apart from two folders: device and inode (links followed).
struct IdentidadCarpeta {
    quint64 dispositivo = 0;
    quint64 nodo = 0;
    bool operator==(const IdentidadCarpeta&) const = default;
};
std::optional<IdentidadCarpeta> IdentidadDe(const QString& carpeta);

// Size and last-write time of a file (links followed); nullopt when it cannot be read.
std::optional<DatosArchivo> LeerDatosArchivo(const QString& ruta);

} // namespace zarvento
