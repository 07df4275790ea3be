#pragma once

#include <QString>
#include <optional>

namespace zarvento::ftp {

// The hidden names under which an upload waits beside the file it replaces:
//   .zvn-<key>-<stamp>-<size>-<name>   the new copy, complete once it holds <size> bytes
//   .zva-<key>-<stamp>-<size>-<name>   the previous copy, moved aside while the new one goes in
// The agent never uploads hidden files, so these cannot be a user's own copies. <key> (8 hex
// digits of the SHA-1 of the file's name) ties a leftover to its file; <stamp> (when the upload
// began, ms since 1970, base 36) keeps the names of every upload apart and orders them; the
// file's name goes last, shortened at a whole character when the whole would pass 255 bytes.
struct TemporaryName {
    enum class Kind { New, Aside };

    Kind kind = Kind::New;
    QString key;
    qint64 stamp = 0;
    qint64 size = 0;
    // The file's name; empty when it was too long to travel whole.
    QString finalName;

    QString text() const;
    static std::optional<TemporaryName> parse(const QString& name);
    static QString keyOf(const QString& finalName);
    // A stamp later than every one this process handed out before.
    static qint64 nextStamp();
};

} // namespace zarvento::ftp
