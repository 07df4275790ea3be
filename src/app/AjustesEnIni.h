#pragma once

#include "app/Resultado.h"
#include "host/ClavesAjustes.h"
#include "host/LibORVX.h"

#include <QDate>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace zarvento {

// One key of the schema with the text to store under it.
struct ValorDeAjuste {
    std::reference_wrapper<const ajustes::Ajuste> ajuste;
    QString texto;
};

// The settings file, read and written by key of the schema.
class AjustesEnIni {
public:
    AjustesEnIni(const LibORVX& ini, QString ruta);

    const QString& ruta() const { return ruta_; }

    QString leer(const ajustes::Ajuste& ajuste) const;
    Resultado<> escribir(const ajustes::Ajuste& ajuste, const QString& texto) const;
    // Every value in one replace of the file; the other lines keep their bytes.
    Resultado<> escribir(const std::vector<ValorDeAjuste>& valores) const;

private:
    const LibORVX& ini_;
    QString ruta_;
};

// The reading and writing rules of the value forms.
namespace ajustes {

// Yes/no and cycle values: yes (weekly) when the first letter is "s" in either case.
bool esSi(const QString& texto);
// Empty, or the placeholder of an undefined FTP value or destination.
bool sinDefinir(const QString& texto);

QString comoSiNo(bool si);
QString comoCiclo(bool semanal);
QString comoFecha(QDate fecha);
QDate fechaDe(const QString& texto);
// A value of minutes: a whole number from 1 to a day's; nullopt for anything else.
inline constexpr int kMinutosMaximos = 24 * 60;
std::optional<int> minutosDe(const QString& texto);

} // namespace ajustes
} // namespace zarvento
