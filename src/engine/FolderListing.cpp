#include "engine/FolderListing.h"

#include "host/RutasLocales.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace zarvento {

namespace {

using Tipo = EntradaCarpeta::Tipo;

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

Tipo tipoDe(int dirFd, const dirent& entry) {
    switch (entry.d_type) {
    case DT_REG:
        return Tipo::Archivo;
    case DT_DIR:
        return Tipo::Carpeta;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return Tipo::Otro;
    }
    struct stat link {};
    struct stat target {};
    if (::fstatat(dirFd, entry.d_name, &link, AT_SYMLINK_NOFOLLOW) != 0)
        return Tipo::Otro;
    const bool isLink = S_ISLNK(link.st_mode);
    if (isLink && ::fstatat(dirFd, entry.d_name, &target, 0) != 0)
        return Tipo::Otro; // a broken link
    const struct stat& st = isLink ? target : link;
    if (S_ISDIR(st.st_mode))
        return isLink ? Tipo::EnlaceACarpeta : Tipo::Carpeta;
    return S_ISREG(st.st_mode) ? Tipo::Archivo : Tipo::Otro;
}

DatosArchivo datosDe(const struct stat& st) {
    return {static_cast<qint64>(st.st_size), static_cast<qint64>(st.st_mtim.tv_sec)};
}

std::optional<DatosArchivo> datosRelativos(int dirFd, const char* name) {
    struct stat st {};
    if (::fstatat(dirFd, name, &st, 0) != 0 || S_ISDIR(st.st_mode))
        return std::nullopt;
    return datosDe(st);
}

} // namespace

const dirent* LectorCarpetas::siguiente(DIR* dir, const QString&) const {
    return ::readdir(dir);
}

ListadoCarpeta LectorCarpetas::listar(const QString& carpeta, ConDatos conDatos) const {
    ListadoCarpeta listado;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(rutas::aBytes(carpeta).constData()));
    if (!dir)
        return listado;
    const int dirFd = ::dirfd(dir.get());
    for (;;) {
        // readdir signals both the end and an error with nullptr; only errno tells them apart.
        errno = 0;
        const dirent* entry = siguiente(dir.get(), carpeta);
        if (!entry) {
            listado.completo = errno == 0;
            break;
        }
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        EntradaCarpeta entrada{rutas::deBytes(entry->d_name), tipoDe(dirFd, *entry), {}};
        if (conDatos == ConDatos::Si && entrada.tipo == Tipo::Archivo)
            entrada.datos = datosRelativos(dirFd, entry->d_name);
        listado.entradas.push_back(std::move(entrada));
    }
    std::sort(listado.entradas.begin(), listado.entradas.end(),
              [](const EntradaCarpeta& a, const EntradaCarpeta& b) { return a.nombre < b.nombre; });
    return listado;
}

std::optional<IdentidadCarpeta> IdentidadDe(const QString& carpeta) {
    struct stat st {};
    if (::stat(rutas::aBytes(carpeta).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return IdentidadCarpeta{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
}

std::optional<DatosArchivo> LeerDatosArchivo(const QString& ruta) {
    struct stat st {};
    if (::stat(rutas::aBytes(ruta).constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return std::nullopt;
    return datosDe(st);
}

} // namespace zarvento
