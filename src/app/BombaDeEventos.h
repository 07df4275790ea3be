#pragma once

#include "host/Services.h"

#include <QElapsedTimer>

namespace zarvento {

// Lets pending events (the window's, or a command's signals and sockets) run, at most once every
// kIntervalo milliseconds, so that pumping after every file or FTP block stays cheap.
class QtEventPump final : public EventPump {
public:
    static constexpr qint64 kIntervalo = 20;

    void pump() override;

private:
    QElapsedTimer ultima_;
};

} // namespace zarvento
