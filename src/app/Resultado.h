#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <variant>

namespace zarvento {

// Why an operation failed, in words fit for the log or a message box.
struct Fallo {
    QString motivo;
};

// The outcome of an operation that may fail: its value, or a Fallo. Resultado<> has no value.
// The application layer reports failures this way; the yes/no results and sentinels of the
// component library's routines (EscribeIni, CrearComponente, Respaldar, ...) stay as they are at
// those routines, and std::optional stays for answers that may simply be absent (a text that is
// not a time).
template <class T = void> class [[nodiscard]] Resultado {
public:
    Resultado(T valor) : estado_(std::move(valor)) {}
    Resultado(Fallo fallo) : estado_(std::move(fallo)) {}

    explicit operator bool() const { return std::holds_alternative<T>(estado_); }
    const T& operator*() const { return std::get<T>(estado_); }
    const T* operator->() const { return &std::get<T>(estado_); }
    const QString& motivo() const { return std::get<Fallo>(estado_).motivo; }

private:
    std::variant<T, Fallo> estado_;
};

template <> class [[nodiscard]] Resultado<void> {
public:
    Resultado() = default;
    Resultado(Fallo fallo) : fallo_(std::move(fallo)) {}

    explicit operator bool() const { return !fallo_; }
    const QString& motivo() const { return fallo_->motivo; }

private:
    std::optional<Fallo> fallo_;
};

} // namespace zarvento
