#pragma once

#include "host/Services.h"

#include <QElapsedTimer>

namespace zarvento {

// The program's prompts as Qt dialogs.
class QtDialogService final : public DialogService {
public:
    MessageAnswer showMessage(const MessageRequest& request) override;
    QString chooseFolder(QObject* owner) override;
    bool openDocument(const QString& path) override;
    void beep() override;
};

// Lets pending window events run, at most once every kIntervalo milliseconds, so that pumping
// after every file or FTP block stays cheap.
class QtEventPump final : public EventPump {
public:
    static constexpr qint64 kIntervalo = 20;

    void pump() override;

private:
    QElapsedTimer ultima_;
};

} // namespace zarvento
