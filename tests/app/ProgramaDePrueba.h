#pragma once

#include "TestSupport.h"
#include "app/RevisionConfiguracion.h"
#include "host/Componentes.h"
#include "host/LibORVX.h"

#include <QDateTime>

namespace zarvento::test {

// A program folder with its component objects, a test clock and the fakes a backup job reports
// through: what the application layer's tests build before they review settings or run a backup.
struct ProgramaDePrueba {
    explicit ProgramaDePrueba(QDateTime ahora) : clock(std::move(ahora)) {}

    TempFolder dir;
    ProgramLocation programa{dir / "programa", "zarvento", "zarvento"};
    FakeDialogService dialogs;
    Componentes componentes{Entorno{programa, &dialogs, {}, {}, {}}};
    LibORVX ini;
    FakeClock clock;
    CountingPump pump;
    FakeNotice notice;
    FakeLogBox log;
};

// A review's window that takes every call and does nothing with it.
class VentanaQuieta final : public VentanaRevisable {
public:
    void prepararRevision() override {}
    void habilitarAccion(bool) override {}
    void activarReloj(bool) override {}
    void horaAceptada(const QString&) override {}
    void respaldarAhora() override {}
};

} // namespace zarvento::test
