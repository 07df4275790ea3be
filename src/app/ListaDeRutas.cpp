#include "app/ListaDeRutas.h"

#include "host/TextFiles.h"

#include <QStringList>

namespace zarvento::rutaslista {

QString paraCaja(const QString& contenido) {
    return textfiles::splitAtCr(contenido).join('\n');
}

QString paraArchivo(const QString& textoCaja) {
    QString contenido;
    for (const QString& linea : textfiles::splitAnyLineEnd(textoCaja)) {
        const QString ruta = linea.trimmed();
        if (!ruta.isEmpty())
            contenido += ruta + QStringLiteral("\r\n");
    }
    return contenido;
}

std::optional<QString> conCarpeta(const QString& textoCaja, const QString& carpeta) {
    if (textoCaja.isEmpty())
        return carpeta;
    for (const QString& linea : textoCaja.split('\n')) {
        if (linea.compare(carpeta, Qt::CaseInsensitive) == 0)
            return std::nullopt;
    }
    return textoCaja + '\n' + carpeta;
}

} // namespace zarvento::rutaslista
