#pragma once

#include <QList>
#include <QString>

namespace zarvento {

// INI access with the behaviour of the Windows profile-string functions: section and key names
// match in any letter case, a missing file, section or key reads as "", and a write creates what
// is missing while keeping every other line as it was. Writes replace the file atomically, leave
// it whole when they fail, and make it its owner's only (mode 600): INI files hold secrets.
namespace ini {

QString read(const QString& path, const QString& section, const QString& key);
bool write(const QString& path, const QString& section, const QString& key, const QString& value,
           QString* error = nullptr);

struct Entry {
    QString section;
    QString key;
    QString value;
};
// Every entry in one replace of the file, in order, as write() would store each.
bool writeAll(const QString& path, const QList<Entry>& entries, QString* error = nullptr);

} // namespace ini
} // namespace zarvento
