// "--restaurar --si" of the newest correct copy in a process of its own, for the tests that end
// it: restore_driver <program folder> <target folder>.
#include "app/BombaDeEventos.h"
#include "restauracion/ComandoDeRestauracion.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    using namespace zarvento;
    QCoreApplication aplicacion(argc, argv);
    const QStringList argumentos = aplicacion.arguments();
    QTextStream salida(stdout);
    QTextStream errores(stderr);
    QtEventPump bomba;
    const SystemClock reloj;
    return ComandoDeRestauracion(
               ArchivosPrincipal::de({argumentos.value(1), "zarvento", "zarvento"}), salida,
               errores, bomba, reloj)
        .restaurar({{}, argumentos.value(2), {}, false, true, false},
                   [](const QString&) { return QString(); });
}
