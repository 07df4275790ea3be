#pragma once

#include <QString>

namespace zarvento {

// One backup run per program folder at a time, whichever process starts it: the agent's window,
// its schedule, or a run from the command line beside a running agent. Two runs of one folder
// would write the same staging folder and destination copies at once. The run holds a lock on
// "zarvento.corrida" in the folder (the user's own, mode 600; a foreign or looser one is
// replaced, so no one else can hold it) for as long as this object lives; the system releases it
// however the process ends.
class CerrojoDeCorrida {
public:
    static constexpr const char* kArchivo = "zarvento.corrida";

    explicit CerrojoDeCorrida(const QString& carpetaPrograma);
    ~CerrojoDeCorrida();
    CerrojoDeCorrida(const CerrojoDeCorrida&) = delete;
    CerrojoDeCorrida& operator=(const CerrojoDeCorrida&) = delete;

    // False only when another run of the folder holds the lock. A folder where no lock file can
    // be made gives true: nothing can tell two runs apart there.
    bool tomado() const { return !ocupado_; }

    // Whether a run of the folder is in progress in another process now.
    static bool enCurso(const QString& carpetaPrograma);

private:
    int descriptor_ = -1;
    bool ocupado_ = false;
};

} // namespace zarvento
