#pragma once

#include "engine/LogBox.h"

namespace zarvento {

// Passes the log's lines on to the log box and notes whether a run ended with its error line.
class VigiaDeCorrida final : public LogBox {
public:
    explicit VigiaDeCorrida(LogBox& caja) : caja_(caja) {}

    void appendLine(const QString& line) override;
    void clear() override { caja_.clear(); }

    void empezar() { error_ = false; }
    bool terminoConError() const { return error_; }

private:
    LogBox& caja_;
    bool error_ = false;
};

} // namespace zarvento
