#include "engine/Bitacora.h"

#include "host/LibORVX.h"
#include "host/RutasLocales.h"

#include <QFile>

namespace zarvento {

Bitacora::Bitacora(QString archivo, const Clock& reloj, Regional regional)
    : archivo_(std::move(archivo)), reloj_(reloj), regional_(std::move(regional)) {}

QString Bitacora::ComponerLinea(const QString& stEtiqueta, const QString& stDato,
                                bool blEtiquetaDirecta) {
    if (blEtiquetaDirecta)
        return QStringLiteral("  ") + stEtiqueta;
    if (!stDato.isEmpty())
        return LibORVX::pad(QStringLiteral("*)") + stEtiqueta + ':', 27, '-',
                            LibORVX::Relleno::Derecha) +
               QStringLiteral("> ") + stDato;
    return stEtiqueta + QStringLiteral("  ... ");
}

bool Bitacora::Bitacorear(const QString& stEtiqueta, const QString& stDato,
                          bool blEtiquetaDirecta) {
    const QString linea = rutas::legible(ComponerLinea(stEtiqueta, stDato, blEtiquetaDirecta));
    if (caja_)
        caja_->appendLine(linea);
    return ArchivoBitacora(linea);
}

bool Bitacora::ArchivoBitacora(QString stTexto, bool blLimpiar) {
    QFile file(archivo_);
    if (blLimpiar)
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    stTexto = rutas::legible(stTexto.remove(QStringLiteral("\r\n")));
    const QByteArray linea =
        (regional_.sello(reloj_.now()) + QStringLiteral("     ") + stTexto + QStringLiteral("\r\n"))
            .toUtf8();
    return file.open(QIODevice::WriteOnly | QIODevice::Append) &&
           file.write(linea) == linea.size() && file.flush();
}

} // namespace zarvento
