#pragma once

#include <QString>
#include <curl/curl.h>

namespace zarvento::ftp {

// Error codes of the internet layer. They keep the numbers the client's error texts have always
// shown, so texts stay comparable; each has a fixed message in our own table.
enum InternetErrorCode : int {
    kNoError = 0,
    kInvalidHandle = 6,     // no session is open
    kNoMoreFiles = 18,      // a listing matched nothing
    kInvalidParameter = 87, // a path that would inject commands
    kTimeout = 12002,
    kExtendedError = 12003, // the server answered with an error reply; the reply is kept
    kInternalError = 12004,
    kInvalidAddress = 12005,
    kNameNotResolved = 12007,
    kLoginFailed = 12014,
    kCannotConnect = 12029,
    kConnectionAborted = 12030,
    kCertificateNotTrusted = 12045, // a TLS server whose certificate fails verification
    kHostKeyNotTrusted = 12046,     // an SSH server whose key known_hosts does not list
    kSecureChannelFailed = 12157,   // TLS refused or broken off
    kTransferInProgress = 12110,    // another operation was asked for while a file is open
};

// The fixed message of a code; empty for codes outside the table.
QString internetMessage(int code);

struct InternetError {
    int code = kNoError;
    QString detail; // the server's reply for kExtendedError and kLoginFailed, curl's text otherwise

    // The message text: the table's text, with the detail where it helps the reader.
    QString message() const;
};

// Maps the outcome of one curl operation. serverReply is the last error reply (code 400 and
// above) the server sent during it, or ""; curlText is curl's own account of the failure.
InternetError internetErrorFor(CURLcode result, const QString& serverReply,
                               const QString& curlText = {});

} // namespace zarvento::ftp
