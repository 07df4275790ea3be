#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace zarvento {

// The user's regional settings as the program formats dates and numbers with them.
class Regional {
public:
    explicit Regional(QLocale locale = QLocale());

    // "dd/mmm/yyyy hh:nn:ss": "/" is the date separator, ":" the time separator, mmm the
    // abbreviated month name.
    QString sello(const QDateTime& momento) const;
    // The abbreviated weekday name ("ddd").
    QString diaAbreviado(const QDate& fecha) const;
    // An integer with its thousands grouped by the regional separator ("#,##0").
    QString agrupado(qint64 valor) const;

    QString separadorFecha() const { return separadorFecha_; }
    QString separadorHora() const { return separadorHora_; }

private:
    QLocale locale_;
    QString separadorFecha_;
    QString separadorHora_;
};

} // namespace zarvento
