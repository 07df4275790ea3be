#include "host/EntradaDeMenu.h"

#include "host/Componentes.h"
#include "host/TextFiles.h"
#include "host/clsInicio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zarvento {

namespace {

QByteArray contenidoDe(const QString& archivo) {
    QFile f(archivo);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the file when its content differs.
void mantenerArchivo(const QString& archivo, const QByteArray& contenido, QStringList* avisos) {
    if (contenido.isEmpty() || contenidoDe(archivo) == contenido)
        return;
    QDir().mkpath(QFileInfo(archivo).absolutePath());
    QString motivo;
    if (!textfiles::writeBytesAtomically(archivo, contenido, &motivo) && avisos)
        avisos->append(QStringLiteral("Entrada del menú no grabada: ") + motivo);
}

} // namespace

EntradaDeMenu::EntradaDeMenu(const Entorno& entorno)
    : carpetaPrograma_(entorno.programa.executableDir()), carpetaDatos_(entorno.carpetaDatos) {}

QString EntradaDeMenu::carpetaPorDefecto() {
    const QString datos = qEnvironmentVariable("XDG_DATA_HOME");
    return datos.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : datos;
}

void EntradaDeMenu::Mantener(const QString& stArchivo, const QString& icono,
                             QStringList* avisos) const {
    if (carpetaDatos_.isEmpty())
        return;
    const QString nombre = QFileInfo(stArchivo).fileName().section('.', 0, 0);
    const QString archivoIcono =
        carpetaDatos_ + QStringLiteral("/icons/hicolor/scalable/apps/") + nombre + ".svg";
    mantenerArchivo(archivoIcono, contenidoDe(icono), avisos);
    const QString entrada =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=%1\n"
                       "Comment=Respaldo diario de documentos y datos\n"
                       "Exec=%2\n"
                       "Icon=%3\n"
                       "Terminal=false\n"
                       "Categories=Utility;Archiving;\n"
                       "StartupWMClass=%1\n")
            .arg(QString::fromLatin1(kNombre), clsInicio::lineaExec(carpetaPrograma_ + stArchivo),
                 archivoIcono);
    mantenerArchivo(carpetaDatos_ + QStringLiteral("/applications/") + nombre + ".desktop",
                    entrada.toUtf8(), avisos);
}

} // namespace zarvento
