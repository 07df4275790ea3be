#include "engine/RutaRespaldo.h"

#include <QDir>

namespace zarvento {

QString MotivoRutaIncorrecta(const QString& linea) {
    if (linea.isEmpty())
        return QStringLiteral("ruta vacía");
    for (const QChar c : linea) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("la ruta tiene caracteres de control");
    }
    return {};
}

QString NormalizarRuta(const QString& ruta) {
    const QString limpia = QDir::cleanPath(QDir::current().absoluteFilePath(ruta));
    return limpia.endsWith('/') ? limpia : limpia + '/';
}

QString NombreDeCarpeta(const QString& rutaNormalizada) {
    QString nombre = rutaNormalizada;
    if (nombre.endsWith('/'))
        nombre.chop(1);
    return nombre.mid(nombre.lastIndexOf('/') + 1);
}

} // namespace zarvento
