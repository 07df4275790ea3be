#pragma once

#include <QString>

namespace zarvento {

// INI access and small text utilities of the component library.
class LibORVX {
public:
    static constexpr const char* kClase = "LibORVX";

    enum class Relleno { Derecha = 0, Izquierda = 2 };

    QString LeeIni(const QString& seccion, const QString& clave, const QString& archivo) const;
    // Stores the value; false (with the reason in *error) when the file could not be written.
    bool EscribeIni(const QString& seccion, const QString& clave, const QString& valor,
                    const QString& archivo, QString* error = nullptr) const;

    // The number the text begins with (blanks skipped, optional sign and decimals), 0 if none.
    static double kvVal(const QString& texto);

    // Fills the value with the fill character up to the width, on the right (mode 0) or on the
    // left (mode 2). A longer value is returned unchanged.
    static QString pad(const QString& valor, int ancho, QChar relleno, Relleno modo);
};

} // namespace zarvento
