#include "ftp/ReplyRecorder.h"

namespace zarvento::ftp {

namespace {

// A final reply line is three digits and a space; "550-" starts a multi-line reply.
int finalCodeOf(const QByteArray& line) {
    if (line.size() < 4 || line[3] != ' ')
        return 0;
    bool ok = false;
    const int code = line.left(3).toInt(&ok);
    return ok ? code : 0;
}

} // namespace

void ReplyRecorder::commandSent(const char* data, size_t size) {
    QByteArray command = QByteArray(data, qsizetype(size)).trimmed();
    if (command.toUpper().startsWith("PASS "))
        command = "PASS ****";
    exchanges_.append(Exchange{command, 0, {}});
}

void ReplyRecorder::replyReceived(const char* data, size_t size) {
    for (const QByteArray& rawLine : QByteArray(data, qsizetype(size)).split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty())
            continue;
        if (exchanges_.isEmpty() || exchanges_.last().code != 0)
            exchanges_.append(Exchange{});
        Exchange& current = exchanges_.last();
        if (!current.reply.isEmpty())
            current.reply += QLatin1String("\r\n");
        current.reply += QString::fromUtf8(line);
        current.code = finalCodeOf(line);
    }
}

QString ReplyRecorder::lastReply() const {
    for (auto it = exchanges_.crbegin(); it != exchanges_.crend(); ++it)
        if (it->code != 0)
            return it->reply;
    return {};
}

QString ReplyRecorder::lastErrorReply() const {
    for (auto it = exchanges_.crbegin(); it != exchanges_.crend(); ++it)
        if (it->code >= 400)
            return it->reply;
    return {};
}

} // namespace zarvento::ftp
