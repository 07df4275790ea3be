#include "host/IniFile.h"

#include "host/TextFiles.h"

#include <QFileInfo>
#include <QStringList>
#include <optional>

namespace zarvento::ini {

namespace {

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// "[name]" (blanks allowed around it); nullopt for any other line.
std::optional<QStringView> sectionName(QStringView line) {
    const QStringView trimmed = line.trimmed();
    if (!trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

struct KeyLine {
    QStringView key;
    QStringView value;
};

std::optional<KeyLine> keyLine(QStringView line) {
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0 || line.trimmed().startsWith(';'))
        return std::nullopt;
    QStringView value = line.mid(eq + 1).trimmed();
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        value = value.mid(1, value.size() - 2);
    return KeyLine{line.first(eq).trimmed(), value};
}

// Where a key lives in the file's lines: the section's header line and the key's line (-1 when
// absent), and the last line that belongs to the section's content.
struct Location {
    qsizetype section = -1;
    qsizetype key = -1;
    qsizetype lastContent = -1;
};

Location locate(const QStringList& lines, const QString& section, const QString& key) {
    Location where;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i])) {
            if (where.section >= 0)
                break; // the next section starts: ours has ended
            if (sameName(*name, section))
                where.section = where.lastContent = i;
            continue;
        }
        if (where.section < 0)
            continue;
        if (!lines[i].trimmed().isEmpty())
            where.lastContent = i;
        if (const auto kv = keyLine(lines[i]); kv && where.key < 0 && sameName(kv->key, key))
            where.key = i;
    }
    return where;
}

// A value is stored on one line: line ends inside it would split the file's structure.
QString oneLine(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace('\r', ' ');
    text.replace('\n', ' ');
    return text;
}

} // namespace

QString read(const QString& path, const QString& section, const QString& key) {
    const auto text = textfiles::read(path);
    if (!text)
        return {};
    const QStringList lines = textfiles::splitAnyLineEnd(*text);
    const Location where = locate(lines, section, key);
    return where.key < 0 ? QString() : keyLine(lines[where.key])->value.toString();
}

bool write(const QString& path, const QString& section, const QString& key, const QString& value,
           QString* error) {
    return writeAll(path, {{section, key, value}}, error);
}

bool writeAll(const QString& path, const QList<Entry>& entries, QString* error) {
    const auto text = textfiles::read(path);
    if (!text && QFileInfo::exists(path)) {
        // Rewriting a file we cannot read would lose every other setting in it.
        if (error)
            *error = QStringLiteral("no se puede leer ") + path;
        return false;
    }
    QStringList lines = textfiles::splitAnyLineEnd(text.value_or(QString()));
    for (const auto& [section, key, value] : entries) {
        const QString entry = oneLine(key) + '=' + oneLine(value);
        const Location where = locate(lines, section, key);
        if (where.key >= 0) {
            lines[where.key] = entry;
        } else if (where.section >= 0) {
            lines.insert(where.lastContent + 1, entry);
        } else {
            lines.append('[' + oneLine(section) + ']');
            lines.append(entry);
        }
    }
    return textfiles::writeAtomically(
        path, lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), error);
}

} // namespace zarvento::ini
