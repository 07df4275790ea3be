#pragma once

#include <QObject>

class QSocketNotifier;

namespace zarvento {

// SIGTERM and SIGINT (the session ending, Ctrl+C) end the program as its close command does.
// The handler removes the temporary files of the copies in hand at once, stops those copies and
// wakes the event loop through a pipe, where pedido is emitted once the copies on other threads
// have let go of theirs (the program connects it to closing its window). A
// second signal before the event loop took the first ends the process at once. One per process;
// the default actions come back, and copies may make temporary files again, when it is destroyed.
class FinPorSenal final : public QObject {
    Q_OBJECT

public:
    explicit FinPorSenal(QObject* parent = nullptr);
    ~FinPorSenal() override;
    FinPorSenal(const FinPorSenal&) = delete;
    FinPorSenal& operator=(const FinPorSenal&) = delete;

Q_SIGNALS:
    void pedido();

private:
    QSocketNotifier* notificador_ = nullptr;
};

} // namespace zarvento
