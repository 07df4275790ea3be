#pragma once

#include "app/BombaDeEventos.h"
#include "host/Services.h"

namespace zarvento {

// The program's prompts as Qt dialogs.
class QtDialogService final : public DialogService {
public:
    MessageAnswer showMessage(const MessageRequest& request) override;
    QString chooseFolder(QObject* owner) override;
    bool openDocument(const QString& path) override;
    void beep() override;
};

} // namespace zarvento
