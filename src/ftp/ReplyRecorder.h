#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace zarvento::ftp {

// The commands sent on the control connection during one operation and the server's reply to
// each, as libcurl's trace reports them. Passwords are masked as they arrive.
class ReplyRecorder {
public:
    struct Exchange {
        QByteArray command; // empty for the greeting
        int code = 0;       // 0 while the reply is incomplete
        QString reply;      // every line of the reply, CR LF between lines
    };

    void clear() { exchanges_.clear(); }
    void commandSent(const char* data, size_t size);
    void replyReceived(const char* data, size_t size);

    const QList<Exchange>& exchanges() const { return exchanges_; }
    // The last complete reply of the operation, or "".
    QString lastReply() const;
    // The last error reply (code 400 and above) of the operation, or "".
    QString lastErrorReply() const;

private:
    QList<Exchange> exchanges_;
};

} // namespace zarvento::ftp
