#pragma once

#include "app/FinPorSenal.h"
#include "consola/Orden.h"
#include "engine/LogBox.h"
#include "host/Services.h"

#include <QTextStream>

namespace zarvento {

// The program's prompts on a terminal without a window: messages go to standard error, a
// question gets its "No" (a command that must ask does so itself), nothing is opened or chosen.
class DialogosDeConsola final : public DialogService {
public:
    explicit DialogosDeConsola(QTextStream& errores) : errores_(errores) {}

    MessageAnswer showMessage(const MessageRequest& request) override;
    QString chooseFolder(QObject*) override { return {}; }
    bool openDocument(const QString&) override { return false; }
    void beep() override {}

private:
    QTextStream& errores_;
};

// The log's lines as they are written, one per line on standard output.
class LogEnSalida final : public LogBox {
public:
    explicit LogEnSalida(QTextStream& salida) : salida_(salida) {}

    void appendLine(const QString& line) override;
    void clear() override {}

private:
    QTextStream& salida_;
};

// No notice label: what is being copied is in the log's lines already.
class SinAviso final : public NoticeLabel {
public:
    void showNotice(const QString&) override {}
    void hideNotice() override {}
};

// SIGTERM and SIGINT end a command where it stands, as closing the window ends the program: a
// proof's scratch server and folder go first, then "<program>: <interrumpido>" on standard error
// and exit status 1.
class FinDeOrden final {
public:
    FinDeOrden(Consola& consola, QString interrumpido);

private:
    FinPorSenal senales_;
};

} // namespace zarvento
