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
bool isUtf8(const QByteArray& bytes);
// The text in Windows-1252; nullopt when it holds a character that code page does not have.
std::optional<QByteArray> encodeCp1252(QStringView text);

// Whole file, decoded; nullopt when it cannot be read.
std::optional<QString> read(const QString& path);

// The permission bits of a file written whole.
enum class Permisos {
    Conservar, // those of the file replaced; a new file gets the usual ones (umask)
    SoloDueno, // 600, also when the file replaced had looser ones
};

// Replaces the file atomically: the bytes go to a file without a name (else a hidden temporary
// name) in the same folder, which replaces the file only once every byte was written and flushed.
// A failure (a full disk, a folder that cannot be written) leaves the previous file untouched
// and puts the reason in *error. A symbolic link stays and its target is replaced; the owner of
// the file replaced is kept where the system allows it.
bool writeAtomically(const QString& path, const QString& text, QString* error = nullptr);
bool writeBytesAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                          Permisos permisos = Permisos::Conservar);

// Lines ending at CR or CR LF; a lone LF stays inside its line. No empty last line is
// produced for a final line end.
QStringList splitAtCr(const QString& text);

// Lines ending at CR LF, CR or LF.
QStringList splitAnyLineEnd(const QString& text);

} // namespace textfiles
} // namespace zarvento
