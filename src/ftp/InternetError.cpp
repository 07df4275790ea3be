#include "ftp/InternetError.h"

namespace zarvento::ftp {

QString internetMessage(int code) {
    switch (code) {
    case kInvalidHandle:
        return QStringLiteral("The handle is invalid: no connection is open.");
    case kNoMoreFiles:
        return QStringLiteral("There are no more files.");
    case kInvalidParameter:
        return QStringLiteral("The parameter is incorrect: a remote path may not contain a line "
                              "break.");
    case kTimeout:
        return QStringLiteral("The operation timed out.");
    case kExtendedError:
        return QStringLiteral("An extended error was returned from the server.");
    case kInternalError:
        return QStringLiteral("An internal error occurred in the internet layer.");
    case kInvalidAddress:
        return QStringLiteral("The server address is not valid.");
    case kNameNotResolved:
        return QStringLiteral("The server name could not be resolved.");
    case kLoginFailed:
        return QStringLiteral("The server refused the user name or password.");
    case kCannotConnect:
        return QStringLiteral("A connection with the server could not be established.");
    case kConnectionAborted:
        return QStringLiteral("The connection with the server was terminated abnormally.");
    case kCertificateNotTrusted:
        return QStringLiteral("The server's certificate could not be verified.");
    case kHostKeyNotTrusted:
        return QStringLiteral("The server's host key is not the one ~/.ssh/known_hosts lists for "
                              "it.");
    case kSecureChannelFailed:
        return QStringLiteral("A secure channel with the server could not be established.");
    case kTransferInProgress:
        return QStringLiteral("The operation cannot run while a file transfer is in progress.");
    default:
        return {};
    }
}

QString InternetError::message() const {
    const QString text = internetMessage(code);
    return detail.isEmpty() ? text : text + QLatin1Char(' ') + detail;
}

InternetError internetErrorFor(CURLcode result, const QString& serverReply,
                               const QString& curlText) {
    switch (result) {
    case CURLE_OK:
        return {};
    case CURLE_PEER_FAILED_VERIFICATION:
        return {kCertificateNotTrusted, curlText};
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CACERT_BADFILE:
        return {kSecureChannelFailed, curlText.isEmpty() ? serverReply : curlText};
    case CURLE_LOGIN_DENIED:
        return {kLoginFailed, serverReply};
    case CURLE_COULDNT_RESOLVE_HOST:
        return {kNameNotResolved, {}};
    case CURLE_COULDNT_CONNECT:
        return {kCannotConnect, {}};
    case CURLE_OPERATION_TIMEDOUT:
        return {kTimeout, {}};
    case CURLE_URL_MALFORMAT:
        return {kInvalidAddress, {}};
    default:
        break;
    }
    if (!serverReply.isEmpty())
        return {kExtendedError, serverReply};
    switch (result) {
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_WEIRD_SERVER_REPLY:
        return {kConnectionAborted, QString::fromUtf8(curl_easy_strerror(result))};
    default:
        return {kInternalError, QString::fromUtf8(curl_easy_strerror(result))};
    }
}

} // namespace zarvento::ftp
