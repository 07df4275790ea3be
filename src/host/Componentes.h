#pragma once

#include "host/ProgramLocation.h"
#include "host/Services.h"

#include <QString>
#include <memory>
#include <stdexcept>
#include <type_traits>

namespace zarvento {

// What the component objects need from the program around them.
struct Entorno {
    ProgramLocation programa;
    DialogService* dialogos = nullptr;
    // Folders of the registry store's machine-wide and per-user files.
    QString registroMaquina;
    QString registroUsuario;
    // Folder of the desktop's autostart entries.
    QString carpetaAutostart;
    // Lets the window's events run while a component waits on a server; none in tests of one part.
    EventPump* bomba = nullptr;
    // The user's data folder, where the applications menu entry and the icon go; none: not kept.
    QString carpetaDatos{};

    // The running program's environment: its own folder and the registry store's default
    // folders (the machine-wide one chosen at build time, the user's configuration folder).
    static Entorno delPrograma(DialogService* dialogos);
};

class ErrorComponente : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Makes the component library's objects by class name ("kvex5." and the class), names matched in
// any letter case. Calls on the objects are ordinary typed calls.
class Componentes {
public:
    static constexpr const char* kBiblioteca = "kvex5";

    explicit Componentes(Entorno entorno) : entorno_(std::move(entorno)) {}

    const Entorno& entorno() const { return entorno_; }

    // Creates the object, or shows "Error nº ..., ... / Intentanto crear "library.Class"" and
    // returns false.
    template <class T>
    bool CrearComponente(std::unique_ptr<T>& objeto, const QString& clase,
                         const QString& biblioteca = QString::fromLatin1(kBiblioteca)) const {
        if (nombra<T>(clase, biblioteca)) {
            objeto = construir<T>();
            return true;
        }
        avisarFallo(biblioteca + '.' + clase);
        return false;
    }

    // Creates the object; an unknown class is an error for the caller.
    template <class T> std::unique_ptr<T> CrearObj(const QString& clase) const {
        if (!nombra<T>(clase, QString::fromLatin1(kBiblioteca)))
            throw ErrorComponente("Intentanto crear \"kvex5." + clase.toStdString() + "\"");
        return construir<T>();
    }

private:
    template <class T> static bool nombra(const QString& clase, const QString& biblioteca) {
        return clase.compare(QLatin1String(T::kClase), Qt::CaseInsensitive) == 0 &&
               biblioteca.compare(QLatin1String(kBiblioteca), Qt::CaseInsensitive) == 0;
    }

    template <class T> std::unique_ptr<T> construir() const {
        if constexpr (std::is_constructible_v<T, const Entorno&>)
            return std::make_unique<T>(entorno_);
        else if constexpr (std::is_constructible_v<T, DialogService*>)
            return std::make_unique<T>(entorno_.dialogos);
        else
            return std::make_unique<T>();
    }

    void avisarFallo(const QString& progId) const;

    Entorno entorno_;
};

} // namespace zarvento
