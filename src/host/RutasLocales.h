#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace zarvento {

// File names are bytes; most are UTF-8, but a share written by an older system may hold names in
// a single-byte code page. So that such a name is opened, copied and deleted under the bytes the
// system gave, a byte that is not part of valid UTF-8 is kept in the text as the code point
// U+DC00 + byte (a lone surrogate, which valid UTF-8 never decodes to) and turned back on the way
// out.
namespace rutas {

QString deBytes(QByteArrayView bytes);
QByteArray aBytes(const QString& ruta);

// The text with every kept byte shown as its Windows-1252 character, for logs and messages.
QString legible(const QString& texto);

} // namespace rutas
} // namespace zarvento
