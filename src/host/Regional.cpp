#include "host/Regional.h"

namespace zarvento {

namespace {

// The first character of a format pattern that is neither a field letter nor a blank.
QString separatorIn(const QString& pattern, const QString& fallback) {
    for (const QChar c : pattern) {
        if (!c.isLetter() && !c.isSpace() && c != '\'')
            return QString(c);
    }
    return fallback;
}

} // namespace

Regional::Regional(QLocale locale)
    : locale_(std::move(locale)),
      separadorFecha_(separatorIn(locale_.dateFormat(QLocale::ShortFormat), QStringLiteral("/"))),
      separadorHora_(separatorIn(locale_.timeFormat(QLocale::ShortFormat), QStringLiteral(":"))) {}

QString Regional::sello(const QDateTime& momento) const {
    const QDate d = momento.date();
    const QTime t = momento.time();
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return two(d.day()) + separadorFecha_ + locale_.monthName(d.month(), QLocale::ShortFormat) +
           separadorFecha_ + QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0')) + ' ' +
           two(t.hour()) + separadorHora_ + two(t.minute()) + separadorHora_ + two(t.second());
}

QString Regional::diaAbreviado(const QDate& fecha) const {
    return locale_.dayName(fecha.dayOfWeek(), QLocale::ShortFormat);
}

QString Regional::agrupado(qint64 valor) const {
    QString digits = QString::number(valor < 0 ? -valor : valor);
    const QString group = locale_.groupSeparator();
    for (qsizetype pos = digits.size() - 3; pos > 0; pos -= 3)
        digits.insert(pos, group);
    return valor < 0 ? locale_.negativeSign() + digits : digits;
}

} // namespace zarvento
