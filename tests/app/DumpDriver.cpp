#include "app/FinPorSenal.h"
#include "host/ClienteDeBase.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace {

class Bomba final : public zarvento::EventPump {
public:
    void pump() override { QCoreApplication::processEvents(); }
};

} // namespace

// A dump as the agent makes it, ended by a signal as the agent is:
//   dump_driver <server> <user> <password> <database> <dump file>
int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 6)
        return EXIT_FAILURE;
    zarvento::FinPorSenal senales;
    // Closing the agent's window ends the process at once, also in the middle of a run.
    QObject::connect(&senales, &zarvento::FinPorSenal::pedido, [] { std::_Exit(EXIT_SUCCESS); });
    Bomba bomba;
    zarvento::ClienteDeBase copia({args[1], args[2], args[3]}, bomba);
    QString error;
    const bool hecho = copia.Volcar(args[4], args[5], error);
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return hecho ? EXIT_SUCCESS : EXIT_FAILURE;
}
