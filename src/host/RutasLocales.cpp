#include "host/RutasLocales.h"

#include "host/TextFiles.h"

#include <QStringDecoder>
#include <algorithm>

namespace zarvento::rutas {

namespace {

constexpr char16_t kPrimerByte = 0xDC80; // U+DC00 + 0x80
constexpr char16_t kUltimoByte = 0xDCFF;

bool esByteGuardado(QChar c) {
    return c.unicode() >= kPrimerByte && c.unicode() <= kUltimoByte;
}

// Length of the valid UTF-8 sequence at the start of the bytes, 0 when there is none.
qsizetype secuenciaValida(QByteArrayView b) {
    const auto u = [&](qsizetype i) { return static_cast<unsigned char>(b[i]); };
    const auto cont = [&](qsizetype i) { return i < b.size() && (u(i) & 0xC0) == 0x80; };
    const unsigned char c = u(0);
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(1) || !cont(2))
            return 0;
        if ((c == 0xE0 && u(1) < 0xA0) || (c == 0xED && u(1) >= 0xA0))
            return 0; // overlong, or a surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3))
            return 0;
        if ((c == 0xF0 && u(1) < 0x90) || (c == 0xF4 && u(1) >= 0x90))
            return 0; // overlong, or above U+10FFFF
        return 4;
    }
    return 0;
}

} // namespace

QString deBytes(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texto = utf8.decode(bytes);
    if (!utf8.hasError())
        return texto;
    texto.clear();
    qsizetype inicio = 0; // of the valid run not yet decoded
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype n = secuenciaValida(bytes.sliced(i));
        if (n > 0) {
            i += n;
            continue;
        }
        texto += QString::fromUtf8(bytes.sliced(inicio, i - inicio));
        texto += QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i])));
        inicio = ++i;
    }
    return texto + QString::fromUtf8(bytes.sliced(inicio));
}

QByteArray aBytes(const QString& ruta) {
    if (std::none_of(ruta.begin(), ruta.end(), esByteGuardado))
        return ruta.toUtf8();
    QByteArray bytes;
    qsizetype inicio = 0;
    for (qsizetype i = 0; i < ruta.size(); ++i) {
        if (!esByteGuardado(ruta[i]))
            continue;
        bytes += QStringView(ruta).sliced(inicio, i - inicio).toUtf8();
        bytes += static_cast<char>(ruta[i].unicode() - 0xDC00);
        inicio = i + 1;
    }
    return bytes + QStringView(ruta).sliced(inicio).toUtf8();
}

QString legible(const QString& texto) {
    if (std::none_of(texto.begin(), texto.end(), esByteGuardado))
        return texto;
    QString resultado = texto;
    for (QChar& c : resultado) {
        if (esByteGuardado(c))
            c = textfiles::decode(QByteArray(1, static_cast<char>(c.unicode() - 0xDC00)))[0];
    }
    return resultado;
}

} // namespace zarvento::rutas
