#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

namespace zarvento {

// The current local date and time; handed to every part that reads the time so tests can set it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// Lets pending window events run during long work on the one user-interface thread.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void pump() = 0;
};

class NoEventPump final : public EventPump {
public:
    void pump() override {}
};

enum class MessageIcon { None, Critical, Question, Exclamation, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultButton = MessageAnswer::Ok;
};

// Every prompt the program shows goes through this service: the program shows real dialogs,
// tests answer them without a window.
class DialogService {
public:
    virtual ~DialogService() = default;
    virtual MessageAnswer showMessage(const MessageRequest& request) = 0;
    // The folder the user chose, or "" when the dialog was cancelled.
    virtual QString chooseFolder(QObject* owner) = 0;
    // Opens a file in the program associated with its type.
    virtual bool openDocument(const QString& path) = 0;
    virtual void beep() = 0;
};

} // namespace zarvento
