#include "ftp/FtpAddress.h"

#include <QUrl>

namespace zarvento::ftp {

namespace {

std::optional<int> portOf(const QString& text) {
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

} // namespace

std::optional<FtpAddress> FtpAddress::parse(const QString& server) {
    QString text = server.trimmed();
    FtpAddress address;
    const QLatin1String tlsScheme("ftps://");
    const QLatin1String sshScheme("sftp://");
    address.tls = text.startsWith(tlsScheme, Qt::CaseInsensitive);
    address.ssh = text.startsWith(sshScheme, Qt::CaseInsensitive);
    if (address.tls || address.ssh) {
        text = text.mid(tlsScheme.size());
        if (text.endsWith(QLatin1Char('/')))
            text.chop(1);
    }
    if (address.ssh)
        address.port = 22;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 2)
            return std::nullopt;
        address.host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return std::nullopt;
            const auto port = portOf(rest.mid(1));
            if (!port)
                return std::nullopt;
            address.port = *port;
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        address.host = text.left(colon);
        const auto port = portOf(text.mid(colon + 1));
        if (!port)
            return std::nullopt;
        address.port = *port;
    } else {
        address.host = text;
    }
    if (address.host.isEmpty() || address.host.contains(QLatin1Char('/')) ||
        address.host.contains(QLatin1Char('@')) || address.host.contains(QLatin1Char(' ')))
        return std::nullopt;
    return address;
}

QByteArray FtpAddress::urlOf(const QString& absolutePath) const {
    const bool literalV6 = host.contains(QLatin1Char(':'));
    QByteArray url = ssh ? "sftp://" : "ftp://";
    url += literalV6 ? '[' + host.toUtf8() + ']' : QUrl::toAce(host);
    // An SFTP path is absolute already; an FTP path would be taken from the login folder.
    url += ':' + QByteArray::number(port) + (ssh ? "/" : "/%2F");
    const QStringList segments = absolutePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (i > 0)
            url += '/';
        url += QUrl::toPercentEncoding(segments[i]);
    }
    if ((segments.isEmpty() && !ssh) || (!segments.isEmpty() && absolutePath.endsWith('/')))
        url += '/';
    return url;
}

} // namespace zarvento::ftp
