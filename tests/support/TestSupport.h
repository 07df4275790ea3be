#pragma once

#include "engine/LogBox.h"
#include "host/Services.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <ostream>
#include <vector>

namespace zarvento::test {

// A temporary folder removed with its content at the end of the test.
class TempFolder {
public:
    TempFolder();
    QString path() const { return dir_.path(); }
    QString operator/(const QString& relative) const { return dir_.path() + '/' + relative; }

private:
    QTemporaryDir dir_;
};

// Files for tests: write, read back, set the last-write time.
void writeFile(const QString& path, const QByteArray& content);
QByteArray readFile(const QString& path);
void setModified(const QString& path, qint64 secondsSinceEpoch);
// Every path below root (files and folders, relative, sorted), for comparing trees.
QStringList treeOf(const QString& root);
// Whether a process runs whose command line names text (a folder of its own, say).
bool processMentioning(const QString& text);

// A TCP socket bound to a free loopback port, closed at the end of its scope.
class SocketLocal {
public:
    SocketLocal();
    ~SocketLocal();
    SocketLocal(const SocketLocal&) = delete;
    SocketLocal& operator=(const SocketLocal&) = delete;

    int port() const { return port_; }
    // The kernel then accepts connections, but nobody ever answers them.
    bool escuchar();

private:
    int fd_;
    int port_ = 0;
};

class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 7), QTime(8, 0)))
        : now_(std::move(start)) {}
    QDateTime now() const override { return now_; }
    void set(const QDateTime& t) { now_ = t; }
    void advance(qint64 seconds) { now_ = now_.addSecs(seconds); }

private:
    QDateTime now_;
};

class CountingPump final : public EventPump {
public:
    void pump() override {
        ++calls;
        if (onPump)
            onPump();
    }
    int calls = 0;
    std::function<void()> onPump;
};

class FakeLogBox final : public LogBox {
public:
    void appendLine(const QString& line) override { lines.append(line); }
    void clear() override { lines.clear(); }
    QStringList lines;
};

class FakeNotice final : public NoticeLabel {
public:
    void showNotice(const QString& text) override {
        shown.append(text);
        visible = true;
        if (onShow)
            onShow(text);
    }
    void hideNotice() override { visible = false; }
    QStringList shown;
    bool visible = false;
    std::function<void(const QString&)> onShow;
};

// Answers prompts from a queue and records every request.
class FakeDialogService final : public DialogService {
public:
    MessageAnswer showMessage(const MessageRequest& request) override;
    QString chooseFolder(QObject*) override;
    bool openDocument(const QString& path) override {
        opened.append(path);
        return true;
    }
    void beep() override { ++beeps; }

    std::deque<MessageAnswer> answers; // empty: the default button
    std::deque<QString> folders;       // empty: cancelled
    std::vector<MessageRequest> messages;
    QStringList opened;
    int beeps = 0;
};

} // namespace zarvento::test

// Readable failure messages for Qt's strings.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}
