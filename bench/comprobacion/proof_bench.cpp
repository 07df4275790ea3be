// Runs the proof of a copy as a nightly run would, without windows:
//   zarvento_bench_proof files <source folder> <its copy's folder> <scratch folder>
//       a nothing-changed night's sample of the files, read back and compared; prints the
//       seconds of that, the making of the run's record (which a run has at hand) left out
//   zarvento_bench_proof base <dump> <database> <scratch folder>
//       loads the dump into a scratch server, checks its tables and counts their rows; prints
//       the seconds of that, the server's start left out
// Exit status 0 when the copy was proven.
#include "comprobacion/ComprobacionDeBase.h"
#include "comprobacion/ComprobacionDeCopia.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (argc != 5 || (a[1] != "files" && a[1] != "base")) {
        std::fprintf(stderr, "usage: %s files SOURCE COPY SCRATCH | base DUMP DATABASE SCRATCH\n",
                     argv[0]);
        return 2;
    }
    zarvento::NoEventPump pump;
    QString falla;
    if (a[1] == "files") {
        // The record the run left: every file of the source, unchanged since.
        zarvento::RegistroDeCopia registro;
        registro.inicio = QDateTime::currentDateTime();
        zarvento::RutaRegistrada ruta;
        ruta.origen = a[2];
        const QString origen = a[2] + '/';
        for (QDirIterator it(origen, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QFileInfo info = it.nextFileInfo();
            ruta.conservado({info.filePath().mid(origen.size()),
                             {info.size(), info.lastModified().toSecsSinceEpoch()}});
        }
        registro.rutas.push_back(std::move(ruta));
        zarvento::OpcionesDeComprobacion opciones;
        opciones.carpeta = a[4];
        opciones.limite = QDeadlineTimer(QDeadlineTimer::Forever);
        zarvento::AlmacenLocal almacen;
        QElapsedTimer reloj;
        reloj.start();
        falla = zarvento::ComprobacionDeCopia(almacen, a[3] + '/', opciones, pump)
                    .comprobar(registro)
                    .falla;
        std::printf("%.3f\n", static_cast<double>(reloj.nsecsElapsed()) / 1e9);
    } else {
        zarvento::ComprobacionDeBase bases(a[4], pump, QDeadlineTimer(QDeadlineTimer::Forever));
        // The first load starts the server; the second one is timed.
        QElapsedTimer reloj;
        if (bases.comprobar(a[2], a[3], falla)) {
            reloj.start();
            bases.comprobar(a[2], a[3], falla);
            std::printf("%.3f\n", static_cast<double>(reloj.nsecsElapsed()) / 1e9);
        }
    }
    if (!falla.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(falla));
    return falla.isEmpty() ? 0 : 1;
}
