#include "app/AjustesEnIni.h"

#include "host/IniFile.h"

namespace zarvento {

namespace {

QString texto(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

AjustesEnIni::AjustesEnIni(const LibORVX& ini, QString ruta) : ini_(ini), ruta_(std::move(ruta)) {}

QString AjustesEnIni::leer(const ajustes::Ajuste& ajuste) const {
    return ini_.LeeIni(texto(ajuste.seccion), texto(ajuste.clave), ruta_);
}

Resultado<> AjustesEnIni::escribir(const ajustes::Ajuste& ajuste, const QString& valor) const {
    QString motivo;
    if (!ini_.EscribeIni(texto(ajuste.seccion), texto(ajuste.clave), valor, ruta_, &motivo))
        return Fallo{motivo};
    return {};
}

Resultado<> AjustesEnIni::escribir(const std::vector<ValorDeAjuste>& valores) const {
    QList<ini::Entry> entradas;
    for (const auto& [ajuste, valor] : valores)
        entradas.append({texto(ajuste.get().seccion), texto(ajuste.get().clave), valor});
    QString motivo;
    if (!ini::writeAll(ruta_, entradas, &motivo))
        return Fallo{motivo};
    return {};
}

namespace ajustes {

bool esSi(const QString& texto) {
    return texto.left(1).toLower() == QStringLiteral("s");
}

bool sinDefinir(const QString& valor) {
    return valor.isEmpty() || valor == texto(kDatoSinDefinir);
}

QString comoSiNo(bool si) {
    return si ? QStringLiteral("S") : QStringLiteral("N");
}

QString comoCiclo(bool semanal) {
    return semanal ? QStringLiteral("S") : QStringLiteral("M");
}

QString comoFecha(QDate fecha) {
    return fecha.toString(texto(kFormatoFecha));
}

QDate fechaDe(const QString& valor) {
    return QDate::fromString(valor, texto(kFormatoFecha));
}

std::optional<int> minutosDe(const QString& valor) {
    bool numero = false;
    const int minutos = valor.trimmed().toInt(&numero);
    if (!numero || minutos < 1 || minutos > kMinutosMaximos)
        return std::nullopt;
    return minutos;
}

} // namespace ajustes
} // namespace zarvento
