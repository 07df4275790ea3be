#pragma once

#include "ftp/CurlHandles.h"
#include "ftp/FtpAddress.h"
#include "ftp/InternetError.h"
#include "ftp/RemoteListing.h"
#include "ftp/ReplyRecorder.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace zarvento::ftp {

// One logical FTP session over libcurl: every operation runs through one multi handle, whose
// connection cache keeps the control connection between operations. The current folder is kept
// here and every path reaches the server as an absolute path, so curl never changes folders.
// Each failed operation leaves its error in lastError().
class InternetSession {
public:
    InternetSession();
    ~InternetSession();
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    // Logs in; passive selects passive data connections for the life of the connection. A live
    // connection to the same server, user, password and mode is kept when it answered within
    // the last second or answers a NOOP now; its current folder goes back to the login folder,
    // as after a fresh login.
    bool connect(const QString& server, const QString& user, const QString& password, bool passive);
    void disconnect();
    bool isConnected() const { return easy_ != nullptr; }

    const InternetError& lastError() const { return lastError_; }
    // The server's last complete reply, "" when none was received.
    const QString& lastReply() const { return lastReply_; }

    QString currentFolder() const { return currentFolder_; }
    // The path made absolute against the current folder ("" is the current folder).
    QString absolutePath(const QString& path) const;

    // Sends the commands in order on the control connection; each is sent even when an earlier
    // one was refused, and the first refusal is the operation's error. Paths inside the
    // commands must already be absolute.
    bool sendCommands(const QStringList& commands) { return commandReplies(commands).has_value(); }
    // The server's canonical path of a folder, checked by changing into it; nullopt when it is
    // missing or not a folder. The current folder kept here does not change.
    std::optional<QString> canonicalFolder(const QString& path);
    bool setCurrentFolder(const QString& path);

    // Every entry of a folder, hidden ones too. The listing is asked for after changing into
    // the folder and without a path, which servers would read as a pattern.
    std::optional<QList<RemoteEntry>> listFolder(const QString& path);
    // The entries that match a find filter: a path whose last part may hold "?" and "*". Fails
    // with kNoMoreFiles when nothing matches.
    std::optional<QList<RemoteEntry>> find(const QString& filter);

    // The host keys an SFTP server's key must be among: the user's ~/.ssh/known_hosts.
    static QString knownHostsFile();
    // Certificates of FTPS servers are verified against the system's store and the CA
    // certificates in this file, when it exists: "zarvento/ftps-ca.pem" in the user's
    // configuration folder.
    static QString trustedCertificatesFile();

    // Runs while the session waits on the network, at least every kPumpMilliseconds.
    void setEventPump(std::function<void()> pump) { pump_ = std::move(pump); }
    static constexpr int kPumpMilliseconds = 25;
    // Runs the event pump when kPumpMilliseconds have passed since it last ran.
    void pumpWhenDue();
    // Milliseconds until the event pump is due again.
    int untilPumpDue() const;

    // One transfer at a time: open, then write or read blocks, then close. Blocks are gathered
    // and handed to curl in large pieces, so small blocks cost no throughput.
    bool openUpload(const QString& path, bool ascii);
    bool write(const char* data, qint64 size);
    // knownSize: the caller checks the size itself, so curl does not ask the server for it.
    bool openDownload(const QString& path, bool ascii, bool knownSize = false);
    // Up to size bytes; fewer only at the end of the file. -1 on failure.
    qint64 read(char* data, qint64 size);
    // Ends the transfer: true only when the server confirmed it. The rest of a download that
    // was not read is received and dropped.
    bool closeTransfer();
    // Drops the transfer at once (after a failure); curl then closes that connection and the
    // next operation logs in again.
    void abandonTransfer();

    // The text is refused (and the error set) when it holds a line break or a NUL, which
    // would let it inject commands.
    bool acceptsPath(const QString& text);

private:
    enum class Transfer { None, Upload, Download };

    static size_t onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self);
    static size_t onRead(char* buffer, size_t size, size_t count, void* self);
    static size_t onWrite(char* data, size_t size, size_t count, void* self);
    static size_t onListing(char* data, size_t size, size_t count, void* self);

    bool ensureIdleConnection();
    bool sameLogin(const QString& server, const QByteArray& user, const QByteArray& password,
                   bool passive) const;
    bool answeredJustNow() const;
    bool stillAlive();
    void prepare(const QString& absolutePath);
    // Operations on a folder URL let curl change into the folder itself, so that it knows
    // where the server stands; a changed folder behind its back would mislead later listings.
    void changeIntoFolderFirst();
    void start();
    // Lets curl work until the operation ends or the condition holds.
    void driveUntil(const std::function<bool()>& satisfied);
    std::optional<QStringList> commandReplies(const QStringList& commands);
    // The same commands in the SSH file transfer protocol, where curl reports no replies.
    std::optional<QStringList> sshCommandReplies(const QStringList& commands);
    void finish();
    bool performed();
    // Whether the server refused the listing's option for hidden names.
    bool optionRefused() const;
    bool fail(InternetError error);
    bool failFromCurl(CURLcode result);
    void resume();

    CurlMulti multi_;
    CurlEasy easy_;
    CurlList commands_;
    ReplyRecorder recorder_;
    FtpAddress address_;
    QByteArray user_;
    QByteArray password_;
    bool passive_ = true;
    bool plainListing_ = false;
    QString server_;
    QString currentFolder_ = QStringLiteral("/");
    QString loginFolder_ = QStringLiteral("/");
    InternetError lastError_;
    QString lastReply_;
    char curlText_[CURL_ERROR_SIZE] = {};

    bool running_ = false;
    CURLcode result_ = CURLE_OK;
    Transfer transfer_ = Transfer::None;
    // Blocks waiting for curl (upload) or for the reader (download); clearing keeps its capacity.
    std::vector<char> buffer_;
    qsizetype consumed_ = 0; // bytes of buffer_ already taken
    bool paused_ = false;
    bool endOfData_ = false;
    bool dataRequested_ = false;

    std::function<void()> pump_;
    std::chrono::steady_clock::time_point lastPump_;
    std::chrono::steady_clock::time_point lastSuccess_;
};

} // namespace zarvento::ftp
