#include "TestSupport.h"

#include <QDirIterator>
#include <QFile>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvento::test {

TempFolder::TempFolder() {
    if (!dir_.isValid())
        throw std::runtime_error("cannot make a temporary folder");
}

SocketLocal::SocketLocal() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
}

SocketLocal::~SocketLocal() {
    close(fd_);
}

bool SocketLocal::escuchar() {
    return listen(fd_, 4) == 0;
}

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void setModified(const QString& path, qint64 secondsSinceEpoch) {
    struct timespec times[2] = {{static_cast<time_t>(secondsSinceEpoch), 0},
                                {static_cast<time_t>(secondsSinceEpoch), 0}};
    if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) != 0)
        throw std::runtime_error("cannot set the time of " + path.toStdString());
}

QStringList treeOf(const QString& root) {
    QStringList paths;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(QDir(root).relativeFilePath(it.next()));
    paths.sort();
    return paths;
}

bool processMentioning(const QString& text) {
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile f(QStringLiteral("/proc/") + pid + QStringLiteral("/cmdline"));
        if (pid.front().isDigit() && f.open(QIODevice::ReadOnly) &&
            f.readAll().contains(text.toUtf8()))
            return true;
    }
    return false;
}

MessageAnswer FakeDialogService::showMessage(const MessageRequest& request) {
    messages.push_back(request);
    if (answers.empty())
        return request.buttons == MessageButtons::Ok ? MessageAnswer::Ok : request.defaultButton;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

QString FakeDialogService::chooseFolder(QObject*) {
    if (folders.empty())
        return {};
    QString folder = folders.front();
    folders.pop_front();
    return folder;
}

} // namespace zarvento::test
