#include "host/IniFile.h"

#include "host/TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <vector>

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

// One line of the file: its own bytes, its line end as found, and its text. Each line is decoded
// on its own, so one line in another character set never changes how the others read, and a
// write puts back every line it does not change byte for byte.
struct Linea {
    QByteArray bytes;
    QByteArray fin;
    QString texto;
};

std::vector<Linea> lineasDe(const QByteArray& contenido) {
    std::vector<Linea> lineas;
    qsizetype inicio = 0;
    for (qsizetype i = 0; i < contenido.size(); ++i) {
        const char c = contenido[i];
        if (c != '\r' && c != '\n')
            continue;
        const qsizetype largoFin =
            c == '\r' && i + 1 < contenido.size() && contenido[i + 1] == '\n' ? 2 : 1;
        const QByteArray bytes = contenido.sliced(inicio, i - inicio);
        lineas.push_back({bytes, contenido.sliced(i, largoFin), textfiles::decode(bytes)});
        i += largoFin - 1;
        inicio = i + 1;
    }
    if (inicio < contenido.size()) {
        const QByteArray bytes = contenido.sliced(inicio);
        lineas.push_back({bytes, QByteArray(), textfiles::decode(bytes)});
    }
    return lineas;
}

// Where a key lives in the file's lines: the section's first header line and the key's line (-1
// when absent), and the last line that belongs to that section's content. A section name that
// appears more than once is one section: its key is the first found under any of its headers.
struct Location {
    qsizetype section = -1;
    qsizetype key = -1;
    qsizetype lastContent = -1;
};

Location locate(const std::vector<Linea>& lines, const QString& section, const QString& key) {
    Location where;
    bool dentro = false;
    bool enLaPrimera = false;
    for (qsizetype i = 0; i < static_cast<qsizetype>(lines.size()); ++i) {
        const QString& line = lines[static_cast<size_t>(i)].texto;
        if (const auto name = sectionName(line)) {
            dentro = sameName(*name, section);
            enLaPrimera = dentro && where.section < 0;
            if (enLaPrimera)
                where.section = where.lastContent = i;
            continue;
        }
        if (!dentro)
            continue;
        if (enLaPrimera && !line.trimmed().isEmpty())
            where.lastContent = i;
        if (const auto kv = keyLine(line); kv && where.key < 0 && sameName(kv->key, key))
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

// A file is in Windows-1252 (written on the original platform) when most of its lines that are
// not plain ASCII are not UTF-8; else in UTF-8, as is a new file. A text written into a
// Windows-1252 file with a character that code page lacks stays UTF-8 on its line.
bool esWindows1252(const std::vector<Linea>& lineas) {
    qsizetype utf8 = 0;
    qsizetype cp1252 = 0;
    for (const Linea& linea : lineas) {
        const bool ascii = std::all_of(linea.bytes.begin(), linea.bytes.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (!ascii)
            ++(textfiles::isUtf8(linea.bytes) ? utf8 : cp1252);
    }
    return cp1252 > utf8;
}

std::optional<QByteArray> leer(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

QString read(const QString& path, const QString& section, const QString& key) {
    const auto contenido = leer(path);
    if (!contenido)
        return {};
    const std::vector<Linea> lines = lineasDe(*contenido);
    const Location where = locate(lines, section, key);
    return where.key < 0 ? QString()
                         : keyLine(lines[static_cast<size_t>(where.key)].texto)->value.toString();
}

bool write(const QString& path, const QString& section, const QString& key, const QString& value,
           QString* error) {
    return writeAll(path, {{section, key, value}}, error);
}

bool writeAll(const QString& path, const QList<Entry>& entries, QString* error) {
    const auto contenido = leer(path);
    if (!contenido && QFileInfo::exists(path)) {
        // Rewriting a file we cannot read would lose every other setting in it.
        if (error)
            *error = QStringLiteral("no se puede leer ") + path;
        return false;
    }
    std::vector<Linea> lines = lineasDe(contenido.value_or(QByteArray()));
    // Lines written take the file's line end and character set, so the file stays in one.
    const QByteArray crlf("\r\n");
    const QByteArray fin = lines.empty() || lines.front().fin.isEmpty() ? crlf : lines.front().fin;
    const bool enWindows1252 = esWindows1252(lines);
    const auto nueva = [&](const QString& texto) {
        const auto cp1252 = enWindows1252 ? textfiles::encodeCp1252(texto) : std::nullopt;
        return Linea{cp1252.value_or(texto.toUtf8()), fin, texto};
    };
    for (const auto& [section, key, value] : entries) {
        const Linea entry = nueva(oneLine(key) + '=' + oneLine(value));
        const Location where = locate(lines, section, key);
        if (where.key >= 0) {
            Linea& linea = lines[static_cast<size_t>(where.key)];
            linea = {entry.bytes, linea.fin.isEmpty() ? fin : linea.fin, entry.texto};
            continue;
        }
        const qsizetype despues =
            where.section >= 0 ? where.lastContent : static_cast<qsizetype>(lines.size()) - 1;
        if (despues >= 0 && lines[static_cast<size_t>(despues)].fin.isEmpty())
            lines[static_cast<size_t>(despues)].fin = fin; // the file's last line had no line end
        auto posicion = lines.begin() + (despues + 1);
        if (where.section < 0)
            posicion = lines.insert(posicion, nueva('[' + oneLine(section) + ']')) + 1;
        lines.insert(posicion, entry);
    }
    QByteArray bytes;
    for (const Linea& linea : lines)
        bytes += linea.bytes + linea.fin;
    // The settings file holds passwords: every file written here is its owner's only.
    return textfiles::writeBytesAtomically(path, bytes, error, textfiles::Permisos::SoloDueno);
}

} // namespace zarvento::ini
