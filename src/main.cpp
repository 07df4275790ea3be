#include "host/Componentes.h"
#include "mainwindow/ServiciosQt.h"
#include "mainwindow/frmPrincipal.h"

#include <QApplication>
#include <cstdio>
#include <exception>

// The agent: the main window, started minimised, runs until it is closed.
int main(int argc, char** argv) {
    QApplication aplicacion(argc, argv);
    try {
        zarvento::QtDialogService dialogos;
        const zarvento::Componentes componentes(zarvento::Entorno::delPrograma(&dialogos));
        const zarvento::SystemClock reloj;
        zarvento::QtEventPump bomba;
        zarvento::frmPrincipal ventana(componentes, reloj, bomba);
        if (!ventana.Form_Load())
            return EXIT_SUCCESS;
        ventana.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zarvento: %s\n", error.what());
        return EXIT_FAILURE;
    }
}
