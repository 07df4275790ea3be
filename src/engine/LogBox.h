#pragma once

#include <QString>

namespace zarvento {

// The on-screen log (the main window's log box). Appending costs the same however long the log is.
class LogBox {
public:
    virtual ~LogBox() = default;
    // Appends one line (which may itself contain line breaks) and scrolls to it.
    virtual void appendLine(const QString& line) = 0;
    virtual void clear() = 0;
};

// The main window's notice label, where the job shows what it is copying.
class NoticeLabel {
public:
    virtual ~NoticeLabel() = default;
    virtual void showNotice(const QString& text) = 0;
    virtual void hideNotice() = 0;
};

} // namespace zarvento
