#include "host/DeAcceso.h"

#include <QByteArray>

namespace zarvento {

QString DeAcceso::Encripta(const QString& texto, int clave) const {
    const QByteArray plain = texto.toUtf8();
    QByteArray out(2 * (plain.size() + 1), '0');
    proteccion::scramble(std::string_view(plain.constData(), plain.size()), clave, out.data());
    return QString::fromLatin1(out);
}

QString DeAcceso::DesEncripta(const QString& texto, int clave) const {
    const QByteArray hex = texto.toLatin1();
    if (hex.size() < 2 || hex.size() % 2 != 0 || hex.toUpper() != hex)
        return {};
    const QByteArray bytes = QByteArray::fromHex(hex);
    if (bytes.toHex().toUpper() != hex)
        return {}; // not hexadecimal
    QByteArray plain(bytes.size() - 1, '\0');
    std::uint8_t sum = 0;
    for (qsizetype i = 1; i < bytes.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]) ^
                       proteccion::keyByte(clave, static_cast<std::size_t>(i)) ^
                       static_cast<std::uint8_t>(bytes[i - 1]);
        plain[i - 1] = static_cast<char>(b);
        sum = static_cast<std::uint8_t>(sum + b);
    }
    if ((sum ^ proteccion::keyByte(clave, 0)) != static_cast<std::uint8_t>(bytes[0]))
        return {};
    return QString::fromUtf8(plain);
}

} // namespace zarvento
