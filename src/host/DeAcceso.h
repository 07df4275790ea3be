#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

namespace zarvento {

// Text protection: a reversible scramble keyed by a small key number. The scrambled form is
// upper-case hexadecimal, so it never equals a plain placeholder such as "DATO SIN DEFINIR",
// and even an empty text scrambles to a non-empty value.
namespace proteccion {

// Key stream byte i for a key number (a linear congruential generator seeded by the key).
constexpr std::uint8_t keyByte(int key, std::size_t i) {
    std::uint32_t state = static_cast<std::uint32_t>(key) * 2654435761u + 0x9E3779B9u;
    for (std::size_t n = 0; n <= i; ++n)
        state = state * 1103515245u + 12345u;
    return static_cast<std::uint8_t>(state >> 16);
}

constexpr char hexDigit(unsigned v) {
    return static_cast<char>(v < 10 ? '0' + v : 'A' + (v - 10));
}

// Writes 2 * (plain.size() + 1) hexadecimal characters to out: a check byte, then each byte of
// the plain text chained with the previous scrambled byte.
template <typename Out> constexpr void scramble(std::string_view plain, int key, Out out) {
    std::uint8_t sum = 0;
    for (const char c : plain)
        sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
    std::uint8_t previous = static_cast<std::uint8_t>(sum ^ keyByte(key, 0));
    std::size_t pos = 0;
    out[pos++] = hexDigit(previous >> 4);
    out[pos++] = hexDigit(previous & 0xF);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(plain[i]);
        previous = static_cast<std::uint8_t>(b ^ keyByte(key, i + 1) ^ previous);
        out[pos++] = hexDigit(previous >> 4);
        out[pos++] = hexDigit(previous & 0xF);
    }
}

// The protected form of a text known when the program is built; only this form is compiled in.
template <int Key, std::size_t N> struct Protegido {
    std::array<char, 2 * N + 1> chars{};
    consteval explicit Protegido(const char (&plain)[N]) {
        scramble(std::string_view(plain, N - 1), Key, chars.begin());
    }
    QString text() const { return QString::fromLatin1(chars.data(), 2 * N); }
};

template <int Key, std::size_t N> consteval Protegido<Key, N> proteger(const char (&plain)[N]) {
    return Protegido<Key, N>(plain);
}

} // namespace proteccion

class DeAcceso {
public:
    static constexpr const char* kClase = "DeAcceso";

    QString Encripta(const QString& texto, int clave) const;
    // The plain text, or "" when the value is not a scrambled text of this key.
    QString DesEncripta(const QString& texto, int clave) const;
};

} // namespace zarvento
