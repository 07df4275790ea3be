#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace zarvento::ftp {

// Where the server is: "host", "host:port", "[v6 literal]" or "[v6 literal]:port"; the port
// defaults to 21. A bare IPv6 literal (more than one colon, no brackets) takes the default port.
// "ftps://" before the host asks for FTP over explicit TLS (same default port), "sftp://" for
// the SSH file transfer protocol (port 22 by default).
struct FtpAddress {
    QString host;
    int port = 21;
    bool tls = false;
    bool ssh = false;

    static std::optional<FtpAddress> parse(const QString& server);

    // The URL of an absolute remote path. Every segment is escaped and the path is rooted with
    // "%2F", so curl addresses the server's absolute path without changing folders. A trailing
    // "/" asks for the folder's listing.
    QByteArray urlOf(const QString& absolutePath) const;
};

} // namespace zarvento::ftp
