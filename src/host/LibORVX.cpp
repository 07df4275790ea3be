#include "host/LibORVX.h"

#include "host/IniFile.h"

namespace zarvento {

QString LibORVX::LeeIni(const QString& seccion, const QString& clave,
                        const QString& archivo) const {
    return ini::read(archivo, seccion, clave);
}

bool LibORVX::EscribeIni(const QString& seccion, const QString& clave, const QString& valor,
                         const QString& archivo, QString* error) const {
    return ini::write(archivo, seccion, clave, valor, error);
}

double LibORVX::kvVal(const QString& texto) {
    qsizetype i = 0;
    while (i < texto.size() && texto[i].isSpace())
        ++i;
    const qsizetype start = i;
    if (i < texto.size() && (texto[i] == '-' || texto[i] == '+'))
        ++i;
    bool seenDigit = false;
    bool seenPoint = false;
    for (; i < texto.size(); ++i) {
        if (texto[i].isDigit() && texto[i].unicode() < 128)
            seenDigit = true;
        else if (texto[i] == '.' && !seenPoint)
            seenPoint = true;
        else
            break;
    }
    return seenDigit ? texto.mid(start, i - start).toDouble() : 0.0;
}

QString LibORVX::pad(const QString& valor, int ancho, QChar relleno, Relleno modo) {
    return modo == Relleno::Derecha ? valor.leftJustified(ancho, relleno)
                                    : valor.rightJustified(ancho, relleno);
}

} // namespace zarvento
