#include "host/DeArchivos.h"

#include "host/RutasLocales.h"
#include "host/Services.h"

#include <QDir>
#include <cerrno>
#include <sys/stat.h>

namespace zarvento {

namespace {

std::optional<struct stat> statOf(const QString& ruta) {
    struct stat st {};
    if (ruta.isEmpty() || ::stat(rutas::aBytes(ruta).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

} // namespace

bool DeArchivos::HayArchivo(const QString& ruta) {
    const auto st = statOf(ruta);
    return st && !S_ISDIR(st->st_mode);
}

bool DeArchivos::HayCarpeta(const QString& ruta) {
    const auto st = statOf(ruta);
    return st && S_ISDIR(st->st_mode);
}

bool DeArchivos::CreaRuta(const QString& ruta) {
    if (ruta.isEmpty())
        return false;
    if (HayCarpeta(ruta))
        return true; // the common case in a run: one look-up instead of one per level
    // On the path's own bytes (a name need not be valid UTF-8); level by level only when its
    // parent is missing too.
    const QByteArray bytes =
        rutas::aBytes(QDir::isAbsolutePath(ruta) ? ruta : QDir::current().filePath(ruta));
    if (::mkdir(bytes.constData(), 0777) != 0 && errno == ENOENT) {
        for (qsizetype fin = bytes.indexOf('/', 1); fin >= 0; fin = bytes.indexOf('/', fin + 1))
            ::mkdir(bytes.left(fin).constData(), 0777);
        ::mkdir(bytes.constData(), 0777);
    }
    return HayCarpeta(ruta);
}

bool DeArchivos::DelTree(const QString& ruta) {
    return QDir(ruta).removeRecursively();
}

std::optional<qint64> DeArchivos::FechaYhora(const QString& ruta) {
    const auto st = statOf(ruta);
    if (!st)
        return std::nullopt;
    return static_cast<qint64>(st->st_mtim.tv_sec);
}

QString DeArchivos::NombreDeArchivo(const QString& ruta) {
    return ruta.mid(ruta.lastIndexOf('/') + 1);
}

QString DeArchivos::Carpeta(QObject* propietario) const {
    return dialogos_ ? dialogos_->chooseFolder(propietario) : QString();
}

bool DeArchivos::AbreDocumento(const QString& ruta) const {
    return dialogos_ && dialogos_->openDocument(ruta);
}

} // namespace zarvento
