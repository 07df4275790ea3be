#include "host/clsInicio.h"

#include "host/Componentes.h"
#include "host/TextFiles.h"

#include <QDir>
#include <QFileInfo>

namespace zarvento {

namespace {

// The raw Exec value of the entry's [Desktop Entry] group, "" when absent.
QString execDe(const QString& archivo) {
    bool enGrupo = false;
    for (const QString& linea :
         textfiles::splitAnyLineEnd(textfiles::read(archivo).value_or(QString()))) {
        if (linea.startsWith('['))
            enGrupo = linea.trimmed() == QStringLiteral("[Desktop Entry]");
        else if (enGrupo && linea.startsWith(QStringLiteral("Exec=")))
            return linea.mid(5);
    }
    return {};
}

} // namespace

clsInicio::clsInicio(const Entorno& entorno)
    : carpetaPrograma_(entorno.programa.executableDir()),
      carpetaAutostart_(entorno.carpetaAutostart.isEmpty() ? carpetaPorDefecto()
                                                           : entorno.carpetaAutostart) {}

QString clsInicio::carpetaPorDefecto() {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    return (config.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : config) +
           QStringLiteral("/autostart");
}

// Desktop entries quote an argument holding reserved characters; inside the quotes ", `, $ and
// \ take a backslash, and every backslash is escaped once more as the file's own escape.
QString clsInicio::lineaExec(const QString& ejecutable) {
    static const QString reservados = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    QString escapado;
    bool comillas = false;
    for (const QChar c : ejecutable) {
        comillas = comillas || reservados.contains(c);
        if (c == '\\')
            escapado += QStringLiteral("\\\\\\\\");
        else if (c == '"' || c == '`' || c == '$')
            escapado += QStringLiteral("\\\\") + c;
        else if (c == '%')
            escapado += QStringLiteral("%%");
        else
            escapado += c;
    }
    return comillas ? '"' + escapado + '"' : escapado;
}

void clsInicio::SiRegistrado(const QString& stArchivo, QStringList* avisos) const {
    const QString nombre = QFileInfo(stArchivo).fileName().section('.', 0, 0);
    const QString entrada = carpetaAutostart_ + '/' + nombre + QStringLiteral(".desktop");
    const QString esperado = lineaExec(carpetaPrograma_ + stArchivo);
    if (execDe(entrada) == esperado)
        return;
    QDir().mkpath(carpetaAutostart_);
    QString motivo;
    if (!textfiles::writeAtomically(entrada,
                                    QStringLiteral("[Desktop Entry]\nType=Application\nName=") +
                                        nombre + QStringLiteral("\nExec=") + esperado +
                                        QStringLiteral("\nX-GNOME-Autostart-enabled=true\n"),
                                    &motivo) &&
        avisos)
        avisos->append(QStringLiteral("Entrada de inicio no grabada: ") + motivo);
}

} // namespace zarvento
