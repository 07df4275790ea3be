#include "ftp/RemoteListing.h"

#include <QRegularExpression>

namespace zarvento::ftp {

namespace {

// type, permissions, links, owner, group, size, month, day, time or year, one space, name
const QRegularExpression kUnixLine(
    QStringLiteral(R"(^([-dl])([-r])([-w])\S*\s+\d+\s+\S+\s+\S+\s+(\d+)\s+([A-Za-z]{3})\s+)"
                   R"((\d{1,2})\s+(\d{1,2}:\d{2}|\d{4}) (.+)$)"));

int monthOf(const QString& name) {
    static const QStringList months = {"jan", "feb", "mar", "apr", "may", "jun",
                                       "jul", "aug", "sep", "oct", "nov", "dec"};
    return int(months.indexOf(name.toLower())) + 1;
}

QDateTime timeOf(const QString& monthName, const QString& dayText, const QString& timeOrYear,
                 const QDateTime& nowUtc) {
    const int month = monthOf(monthName);
    const int day = dayText.toInt();
    if (!timeOrYear.contains(QLatin1Char(':')))
        return QDateTime(QDate(timeOrYear.toInt(), month, day), QTime(0, 0), Qt::UTC);
    const QTime time = QTime::fromString(timeOrYear, QStringLiteral("H:mm"));
    QDateTime stamp(QDate(nowUtc.date().year(), month, day), time, Qt::UTC);
    // Servers drop the year for recent entries; a date ahead of now belongs to last year.
    if (stamp.isValid() && stamp > nowUtc.addDays(1))
        stamp = stamp.addYears(-1);
    return stamp;
}

} // namespace

QList<RemoteEntry> parseListing(const QByteArray& listing, const QDateTime& nowUtc) {
    QList<RemoteEntry> entries;
    for (const QByteArray& rawLine : listing.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).remove(QLatin1Char('\r'));
        const QRegularExpressionMatch m = kUnixLine.match(line);
        if (!m.hasMatch())
            continue;
        RemoteEntry entry;
        entry.isFolder = m.captured(1) == QLatin1String("d");
        entry.ownerCanWrite = m.captured(3) == QLatin1String("w");
        entry.size = m.captured(4).toLongLong();
        entry.modified = timeOf(m.captured(5), m.captured(6), m.captured(7), nowUtc);
        entry.name = m.captured(8);
        if (m.captured(1) == QLatin1String("l")) {
            const qsizetype arrow = entry.name.indexOf(QLatin1String(" -> "));
            if (arrow > 0)
                entry.name.truncate(arrow);
        }
        if (entry.name == QLatin1String(".") || entry.name == QLatin1String(".."))
            continue;
        entries.append(entry);
    }
    return entries;
}

WildcardPattern::WildcardPattern(const QString& pattern) : matchesAll_(pattern == "*.*") {
    QString expression;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('?'))
            expression += QLatin1Char('.');
        else if (c == QLatin1Char('*'))
            expression += QLatin1String(".*");
        else
            expression += QRegularExpression::escape(QString(c));
    }
    expression_ = QRegularExpression(QRegularExpression::anchoredPattern(expression),
                                     QRegularExpression::DotMatchesEverythingOption);
}

bool WildcardPattern::matches(const QString& name) const {
    return matchesAll_ || expression_.match(name).hasMatch();
}

} // namespace zarvento::ftp
