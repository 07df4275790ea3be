#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace zarvento {

// Text files as the program reads and writes them: written in UTF-8; read as UTF-8, or as
// Windows-1252 when the bytes are not valid UTF-8 (files written on the original platform).
namespace textfiles {

QString decode(const QByteArray& bytes);

// Whole file, decoded; nullopt when it cannot be read.
std::optional<QString> read(const QString& path);

// Replaces the file atomically (temporary file, then rename): a failure leaves the old file whole.
bool writeAtomically(const QString& path, const QString& text, QString* error = nullptr);
bool writeBytesAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Lines ending at CR or CR LF; a lone LF stays inside its line. No empty last line is
// produced for a final line end.
QStringList splitAtCr(const QString& text);

// Lines ending at CR LF, CR or LF.
QStringList splitAnyLineEnd(const QString& text);

} // namespace textfiles
} // namespace zarvento
