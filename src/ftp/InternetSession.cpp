#include "ftp/InternetSession.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <algorithm>
#include <cstring>
#include <mutex>

namespace zarvento::ftp {

namespace {

constexpr long kConnectTimeoutSeconds = 15;
constexpr long kResponseTimeoutSeconds = 60;
constexpr long kLowSpeedBytesPerSecond = 1;
constexpr long kLowSpeedSeconds = 60;
constexpr qsizetype kUploadBatch = 256 * 1024;
constexpr qsizetype kDownloadBuffer = 256 * 1024;
constexpr auto kFreshConnection = std::chrono::seconds(1);
constexpr char kListWithHidden[] = "LIST -a";
constexpr auto kPumpInterval = std::chrono::milliseconds(InternetSession::kPumpMilliseconds);

// The folder text inside a 257 reply: '257 "/a ""b""" is current' gives /a "b".
std::optional<QString> quotedPathOf(const QString& reply) {
    const qsizetype open = reply.indexOf(QLatin1Char('"'));
    if (open < 0)
        return std::nullopt;
    QString path;
    for (qsizetype i = open + 1; i < reply.size(); ++i) {
        if (reply[i] != QLatin1Char('"')) {
            path += reply[i];
        } else if (i + 1 < reply.size() && reply[i + 1] == QLatin1Char('"')) {
            path += QLatin1Char('"');
            ++i;
        } else {
            return path;
        }
    }
    return std::nullopt;
}

} // namespace

InternetSession::InternetSession() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

InternetSession::~InternetSession() {
    disconnect();
}

bool InternetSession::connect(const QString& server, const QString& user, const QString& password,
                              bool passive) {
    const QByteArray userBytes = user.toUtf8();
    const QByteArray passwordBytes = password.toUtf8();
    if (sameLogin(server, userBytes, passwordBytes, passive) &&
        (answeredJustNow() || stillAlive())) {
        currentFolder_ = loginFolder_;
        return true;
    }
    disconnect();
    const auto address = FtpAddress::parse(server);
    if (!address)
        return fail({kInvalidAddress, {}});
    if (!acceptsPath(user) || !acceptsPath(password))
        return false;
    server_ = server;
    address_ = *address;
    plainListing_ = false;
    user_ = userBytes;
    password_ = passwordBytes;
    passive_ = passive;
    multi_.reset(curl_multi_init());
    easy_.reset(curl_easy_init());
    if (!multi_ || !easy_) {
        disconnect();
        return fail({kInternalError, {}});
    }
    prepare(QStringLiteral("/"));
    curl_easy_setopt(easy_.get(), CURLOPT_NOBODY, 1L);
    if (!performed()) {
        disconnect();
        return false;
    }
    char* entry = nullptr;
    curl_easy_getinfo(easy_.get(), CURLINFO_FTP_ENTRY_PATH, &entry);
    loginFolder_ = entry && *entry ? QString::fromUtf8(entry) : QStringLiteral("/");
    currentFolder_ = loginFolder_;
    return true;
}

bool InternetSession::sameLogin(const QString& server, const QByteArray& user,
                                const QByteArray& password, bool passive) const {
    return isConnected() && transfer_ == Transfer::None && server_ == server && user_ == user &&
           password_ == password && passive_ == passive;
}

// A connection that completed an operation a moment ago needs no NOOP to prove it is alive;
// should it have died since, curl finds out and logs in again.
bool InternetSession::answeredJustNow() const {
    return std::chrono::steady_clock::now() - lastSuccess_ < kFreshConnection;
}

bool InternetSession::stillAlive() {
    return commandReplies({QStringLiteral("NOOP")}).has_value();
}

void InternetSession::disconnect() {
    abandonTransfer();
    // The multi handle owns the cached connection; releasing it says goodbye to the server.
    easy_.reset();
    multi_.reset();
    commands_.reset();
    password_.fill('\0');
    password_.clear();
    server_.clear();
}

QString InternetSession::absolutePath(const QString& path) const {
    if (path.isEmpty())
        return currentFolder_;
    const QString joined =
        path.startsWith(QLatin1Char('/')) ? path : currentFolder_ + QLatin1Char('/') + path;
    return QDir::cleanPath(joined);
}

bool InternetSession::acceptsPath(const QString& text) {
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) ||
        text.contains(QChar(0)))
        return fail({kInvalidParameter, {}});
    return true;
}

std::optional<QStringList> InternetSession::commandReplies(const QStringList& commands) {
    if (!ensureIdleConnection())
        return std::nullopt;
    if (address_.ssh)
        return sshCommandReplies(commands);
    commands_.reset();
    for (const QString& command : commands) {
        if (!acceptsPath(command))
            return std::nullopt;
        // "*" keeps the connection when the server refuses the command.
        curl_slist* grown =
            curl_slist_append(commands_.get(), ("*" + command.toUtf8()).constData());
        if (!grown) {
            fail({kInternalError, {}});
            return std::nullopt;
        }
        if (!commands_)
            commands_.reset(grown); // the list's head stays the same after the first command
    }
    prepare(QStringLiteral("/"));
    curl_easy_setopt(easy_.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(easy_.get(), CURLOPT_QUOTE, commands_.get());
    if (!performed())
        return std::nullopt;
    // Our commands are the last ones sent (a silent new login may come before them), so their
    // replies are found from the end; the first refusal is the operation's error.
    QStringList replies;
    std::optional<QString> firstRefusal;
    auto exchange = recorder_.exchanges().crbegin();
    const auto end = recorder_.exchanges().crend();
    for (auto command = commands.crbegin(); command != commands.crend(); ++command) {
        // The trace reports commands without their trailing blanks.
        const QByteArray sent = command->toUtf8().trimmed();
        exchange = std::find_if(exchange, end, [&](const auto& e) { return e.command == sent; });
        if (exchange == end) {
            fail({kConnectionAborted, {}});
            return std::nullopt;
        }
        replies.prepend(exchange->reply);
        if (exchange->code >= 400 || exchange->code == 0)
            firstRefusal = exchange->reply;
        ++exchange;
    }
    if (firstRefusal) {
        fail({kExtendedError, *firstRefusal});
        return std::nullopt;
    }
    return replies;
}

namespace {

// An argument of an SFTP command: quoted, with quotes and backslashes escaped.
QByteArray sshArgument(const QString& path) {
    QByteArray text = path.toUtf8();
    text.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + text + '"';
}

} // namespace

std::optional<QStringList> InternetSession::sshCommandReplies(const QStringList& commands) {
    static const QHash<QString, QByteArray> kSshVerbs = {
        {"MKD", "mkdir"}, {"RMD", "rmdir"}, {"DELE", "rm"}, {"NOOP", "pwd"}};
    commands_.reset();
    QStringList replies;
    for (qsizetype i = 0; i < commands.size(); ++i) {
        const QString verb = commands[i].section(' ', 0, 0);
        const QString argument = commands[i].section(' ', 1);
        if (!acceptsPath(commands[i]))
            return std::nullopt;
        QByteArray line;
        if (verb == "RNFR" && i + 1 < commands.size() && commands[i + 1].startsWith("RNTO ")) {
            line = "rename " + sshArgument(argument) + ' ' + sshArgument(commands[++i].mid(5));
            replies << QString() << QString();
        } else if (kSshVerbs.contains(verb)) {
            line =
                kSshVerbs[verb] + (argument.isEmpty() ? QByteArray() : ' ' + sshArgument(argument));
            replies << QString();
        } else {
            fail({kInvalidParameter, {}});
            return std::nullopt;
        }
        curl_slist* grown = curl_slist_append(commands_.get(), line.constData());
        if (!grown) {
            fail({kInternalError, {}});
            return std::nullopt;
        }
        if (!commands_)
            commands_.reset(grown);
    }
    prepare(QStringLiteral("/"));
    curl_easy_setopt(easy_.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(easy_.get(), CURLOPT_QUOTE, commands_.get());
    if (!performed()) {
        // The server's refusal, as curl words it, stands for an FTP error reply.
        if (result_ == CURLE_QUOTE_ERROR)
            fail({kExtendedError, QString::fromUtf8(curlText_)});
        return std::nullopt;
    }
    return replies;
}

std::optional<QString> InternetSession::canonicalFolder(const QString& path) {
    if (!acceptsPath(path) || !ensureIdleConnection())
        return std::nullopt;
    if (address_.ssh) {
        // A folder that can be listed exists; SFTP paths are canonical once cleaned.
        if (!listFolder(path))
            return std::nullopt;
        return absolutePath(path);
    }
    commands_.reset(curl_slist_append(nullptr, "*PWD"));
    if (!commands_) {
        fail({kInternalError, {}});
        return std::nullopt;
    }
    prepare(absolutePath(path) + QLatin1Char('/'));
    changeIntoFolderFirst();
    curl_easy_setopt(easy_.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(easy_.get(), CURLOPT_POSTQUOTE, commands_.get());
    if (!performed())
        return std::nullopt;
    const auto& exchanges = recorder_.exchanges();
    const auto pwd = std::find_if(exchanges.crbegin(), exchanges.crend(),
                                  [](const auto& e) { return e.command == "PWD"; });
    const QString reply = pwd == exchanges.crend() ? QString() : pwd->reply;
    const auto folder =
        pwd != exchanges.crend() && pwd->code == 257 ? quotedPathOf(reply) : std::nullopt;
    if (!folder)
        fail({kExtendedError, reply});
    return folder;
}

bool InternetSession::setCurrentFolder(const QString& path) {
    const auto folder = canonicalFolder(path);
    if (!folder)
        return false;
    currentFolder_ = *folder;
    return true;
}

std::optional<QList<RemoteEntry>> InternetSession::listFolder(const QString& path) {
    if (!acceptsPath(path) || !ensureIdleConnection())
        return std::nullopt;
    QByteArray listing;
    const auto list = [&](bool withHidden) {
        prepare(absolutePath(path) + QLatin1Char('/'));
        changeIntoFolderFirst();
        listing.clear();
        if (withHidden)
            curl_easy_setopt(easy_.get(), CURLOPT_CUSTOMREQUEST, kListWithHidden);
        curl_easy_setopt(easy_.get(), CURLOPT_WRITEFUNCTION, &InternetSession::onListing);
        curl_easy_setopt(easy_.get(), CURLOPT_WRITEDATA, &listing);
        return performed();
    };
    // Some servers hide names that begin with "." unless asked (the temporary names of uploads
    // among them); a server that refuses the option is listed plainly from then on.
    const bool withHidden = !address_.ssh && !plainListing_;
    bool listed = list(withHidden);
    if (!listed && withHidden && optionRefused()) {
        plainListing_ = true;
        listed = list(false);
    }
    if (!listed)
        return std::nullopt;
    return parseListing(listing);
}

bool InternetSession::optionRefused() const {
    const auto& exchanges = recorder_.exchanges();
    return std::any_of(exchanges.cbegin(), exchanges.cend(),
                       [](const auto& e) { return e.command == kListWithHidden && e.code >= 500; });
}

std::optional<QList<RemoteEntry>> InternetSession::find(const QString& filter) {
    const qsizetype slash = filter.lastIndexOf(QLatin1Char('/'));
    const auto entries = listFolder(slash < 0 ? QString() : filter.left(slash + 1));
    if (!entries)
        return std::nullopt;
    const QString pattern = filter.mid(slash + 1);
    QList<RemoteEntry> matches;
    const WildcardPattern wildcard(pattern);
    for (const RemoteEntry& entry : *entries)
        if (pattern.isEmpty() || wildcard.matches(entry.name))
            matches.append(entry);
    if (matches.isEmpty()) {
        fail({kNoMoreFiles, {}});
        return std::nullopt;
    }
    return matches;
}

bool InternetSession::openUpload(const QString& path, bool ascii) {
    if (!acceptsPath(path) || !ensureIdleConnection())
        return false;
    prepare(absolutePath(path));
    curl_easy_setopt(easy_.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy_.get(), CURLOPT_TRANSFERTEXT, ascii ? 1L : 0L);
    curl_easy_setopt(easy_.get(), CURLOPT_READFUNCTION, &InternetSession::onRead);
    curl_easy_setopt(easy_.get(), CURLOPT_READDATA, this);
    curl_easy_setopt(easy_.get(), CURLOPT_UPLOAD_BUFFERSIZE, long(kUploadBatch));
    transfer_ = Transfer::Upload;
    start();
    // The server has accepted the file once curl asks for its first bytes.
    driveUntil([this] { return dataRequested_; });
    if (!running_ && result_ != CURLE_OK) {
        transfer_ = Transfer::None;
        return failFromCurl(result_);
    }
    return true;
}

bool InternetSession::write(const char* data, qint64 size) {
    if (transfer_ != Transfer::Upload)
        return fail({kInvalidHandle, {}});
    if (!running_)
        return failFromCurl(result_ == CURLE_OK ? CURLE_SEND_ERROR : result_);
    buffer_.insert(buffer_.end(), data, data + size);
    if (qsizetype(buffer_.size()) - consumed_ < kUploadBatch)
        return true;
    driveUntil([this] { return buffer_.empty(); });
    if (!running_)
        return failFromCurl(result_ == CURLE_OK ? CURLE_SEND_ERROR : result_);
    return true;
}

bool InternetSession::openDownload(const QString& path, bool ascii, bool knownSize) {
    if (!acceptsPath(path) || !ensureIdleConnection())
        return false;
    prepare(absolutePath(path));
    curl_easy_setopt(easy_.get(), CURLOPT_TRANSFERTEXT, ascii ? 1L : 0L);
    curl_easy_setopt(easy_.get(), CURLOPT_IGNORE_CONTENT_LENGTH, knownSize ? 1L : 0L);
    curl_easy_setopt(easy_.get(), CURLOPT_WRITEFUNCTION, &InternetSession::onWrite);
    curl_easy_setopt(easy_.get(), CURLOPT_WRITEDATA, this);
    transfer_ = Transfer::Download;
    start();
    driveUntil([this] { return !buffer_.empty(); });
    if (!running_ && result_ != CURLE_OK) {
        transfer_ = Transfer::None;
        return failFromCurl(result_);
    }
    return true;
}

qint64 InternetSession::read(char* data, qint64 size) {
    if (transfer_ != Transfer::Download) {
        fail({kInvalidHandle, {}});
        return -1;
    }
    if (qint64(buffer_.size()) - consumed_ < size && running_) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + consumed_);
        consumed_ = 0;
        driveUntil([&] { return qint64(buffer_.size()) >= size; });
    }
    const qint64 available = qint64(buffer_.size()) - consumed_;
    if (available < size && !running_ && result_ != CURLE_OK) {
        failFromCurl(result_);
        return -1;
    }
    const qint64 taken = std::min(available, size);
    std::memcpy(data, buffer_.data() + consumed_, size_t(taken));
    consumed_ += taken;
    return taken;
}

bool InternetSession::closeTransfer() {
    if (transfer_ == Transfer::None)
        return fail({kInvalidHandle, {}});
    endOfData_ = true;
    driveUntil([this] {
        if (transfer_ == Transfer::Download) {
            buffer_.clear();
            consumed_ = 0;
        }
        return false;
    });
    transfer_ = Transfer::None;
    return result_ == CURLE_OK || failFromCurl(result_);
}

void InternetSession::abandonTransfer() {
    if (running_)
        finish();
    transfer_ = Transfer::None;
    lastSuccess_ = {};
}

size_t InternetSession::onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    auto* session = static_cast<InternetSession*>(self);
    if (type == CURLINFO_HEADER_OUT)
        session->recorder_.commandSent(data, size);
    else if (type == CURLINFO_HEADER_IN)
        session->recorder_.replyReceived(data, size);
    return 0;
}

size_t InternetSession::onRead(char* buffer, size_t size, size_t count, void* self) {
    auto* session = static_cast<InternetSession*>(self);
    session->dataRequested_ = true;
    const qsizetype available = qsizetype(session->buffer_.size()) - session->consumed_;
    if (available == 0) {
        if (session->endOfData_)
            return 0;
        session->paused_ = true;
        return CURL_READFUNC_PAUSE;
    }
    const qsizetype taken = std::min(available, qsizetype(size * count));
    std::memcpy(buffer, session->buffer_.data() + session->consumed_, size_t(taken));
    session->consumed_ += taken;
    if (session->consumed_ == qsizetype(session->buffer_.size())) {
        session->buffer_.clear();
        session->consumed_ = 0;
    }
    return size_t(taken);
}

size_t InternetSession::onWrite(char* data, size_t size, size_t count, void* self) {
    auto* session = static_cast<InternetSession*>(self);
    if (qsizetype(session->buffer_.size()) - session->consumed_ >= kDownloadBuffer) {
        session->paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    session->buffer_.insert(session->buffer_.end(), data, data + size * count);
    return size * count;
}

size_t InternetSession::onListing(char* data, size_t size, size_t count, void* listing) {
    static_cast<QByteArray*>(listing)->append(data, qsizetype(size * count));
    return size * count;
}

bool InternetSession::ensureIdleConnection() {
    if (!isConnected())
        return fail({kInvalidHandle, {}});
    if (transfer_ != Transfer::None)
        return fail({kTransferInProgress, {}});
    return true;
}

void InternetSession::prepare(const QString& absolutePath) {
    CURL* easy = easy_.get();
    // Options persist between operations; a reset keeps the cached connection.
    curl_easy_reset(easy);
    recorder_.clear();
    buffer_.clear();
    consumed_ = 0;
    paused_ = false;
    endOfData_ = false;
    dataRequested_ = false;
    result_ = CURLE_OK;
    curl_easy_setopt(easy, CURLOPT_URL, address_.urlOf(absolutePath).constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, address_.ssh ? "sftp" : "ftp");
    if (address_.ssh) {
        // Password logins only, to a host whose key the user's known_hosts lists; curl refuses
        // a host whose key is missing there or differs.
        curl_easy_setopt(easy, CURLOPT_SSH_AUTH_TYPES, long(CURLSSH_AUTH_PASSWORD));
        curl_easy_setopt(easy, CURLOPT_SSH_KNOWNHOSTS,
                         QFile::encodeName(knownHostsFile()).constData());
    }
    curlText_[0] = '\0';
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, curlText_);
    if (address_.tls) {
        // Explicit TLS for the control and every data connection, or no session at all.
        curl_easy_setopt(easy, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        // Servers that require data connections to resume the control connection's session
        // (a common default) refuse some of them when TLS 1.3 hands out its session tickets
        // after the handshake; TLS 1.2 resumes reliably.
        curl_easy_setopt(easy, CURLOPT_SSLVERSION,
                         long(CURL_SSLVERSION_TLSv1_2) | long(CURL_SSLVERSION_MAX_TLSv1_2));
        const QByteArray trusted = QFile::encodeName(trustedCertificatesFile());
        if (QFileInfo::exists(trustedCertificatesFile()))
            curl_easy_setopt(easy, CURLOPT_CAINFO, trusted.constData());
    }
    curl_easy_setopt(easy, CURLOPT_USERNAME, user_.constData());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, password_.constData());
    curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(easy, CURLOPT_FTPPORT, passive_ ? nullptr : "-");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, kResponseTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &InternetSession::onDebug);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
}

void InternetSession::changeIntoFolderFirst() {
    curl_easy_setopt(easy_.get(), CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
}

void InternetSession::start() {
    curl_multi_add_handle(multi_.get(), easy_.get());
    running_ = true;
}

void InternetSession::driveUntil(const std::function<bool()>& satisfied) {
    // curl does not wake the poll when a data connection it opened gets connected, so the
    // first waits are short and grow while nothing happens.
    int idleWait = 1;
    while (running_ && !satisfied()) {
        resume();
        int active = 0;
        curl_multi_perform(multi_.get(), &active);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy_.get()) {
                result_ = message->data.result;
                finish();
            }
        }
        if (running_ && !satisfied()) {
            curl_multi_poll(multi_.get(), nullptr, 0, std::min(idleWait, untilPumpDue()), nullptr);
            idleWait = std::min(2 * idleWait, kPumpMilliseconds);
        }
        pumpWhenDue();
    }
}

int InternetSession::untilPumpDue() const {
    if (!pump_)
        return kPumpMilliseconds;
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - lastPump_);
    return int(std::clamp<qint64>(kPumpMilliseconds - since.count(), 1, kPumpMilliseconds));
}

void InternetSession::pumpWhenDue() {
    if (!pump_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPump_ < kPumpInterval)
        return;
    lastPump_ = now;
    pump_();
}

void InternetSession::finish() {
    curl_multi_remove_handle(multi_.get(), easy_.get());
    running_ = false;
    if (result_ == CURLE_OK)
        lastSuccess_ = std::chrono::steady_clock::now();
    const QString reply = recorder_.lastReply();
    if (!reply.isEmpty())
        lastReply_ = reply;
}

bool InternetSession::performed() {
    start();
    driveUntil([] { return false; });
    return result_ == CURLE_OK || failFromCurl(result_);
}

bool InternetSession::fail(InternetError error) {
    lastError_ = std::move(error);
    return false;
}

bool InternetSession::failFromCurl(CURLcode result) {
    if (address_.ssh && result == CURLE_PEER_FAILED_VERIFICATION)
        return fail({kHostKeyNotTrusted, QString::fromUtf8(curlText_)});
    return fail(internetErrorFor(result, recorder_.lastErrorReply(), QString::fromUtf8(curlText_)));
}

QString InternetSession::knownHostsFile() {
    return QDir::homePath() + QStringLiteral("/.ssh/known_hosts");
}

QString InternetSession::trustedCertificatesFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/zarvento/ftps-ca.pem");
}

void InternetSession::resume() {
    if (!paused_)
        return;
    paused_ = false;
    curl_easy_pause(easy_.get(), CURLPAUSE_CONT);
}

} // namespace zarvento::ftp
