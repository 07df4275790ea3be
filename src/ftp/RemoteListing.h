#pragma once

#include <QDateTime>
#include <QList>
#include <QRegularExpression>
#include <QString>

namespace zarvento::ftp {

// One entry of a server's folder listing.
struct RemoteEntry {
    QString name;
    qint64 size = 0;
    bool isFolder = false;
    bool ownerCanWrite = true;
    QDateTime modified; // UTC; invalid when the listing gave no usable time
};

// Parses the Unix-style lines of a LIST reply ("drwxr-xr-x 2 owner group 4096 Dec 08 19:04 a").
// Lines of any other form ("total 12", blank lines) are skipped. Times without a year are taken
// from the twelve months up to now.
QList<RemoteEntry> parseListing(const QByteArray& listing,
                                const QDateTime& nowUtc = QDateTime::currentDateTimeUtc());

// Name matching of a find filter: "?" stands for one character, "*" for any run of characters,
// letter case counts. "*.*" matches every name, as a find filter always has.
class WildcardPattern {
public:
    explicit WildcardPattern(const QString& pattern);
    bool matches(const QString& name) const;

private:
    bool matchesAll_;
    QRegularExpression expression_;
};

} // namespace zarvento::ftp
