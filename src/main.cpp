#include "app/AgenteUnico.h"
#include "app/FinPorSenal.h"
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
        // A second start of the folder's agent shows the running agent's window instead.
        zarvento::AgenteUnico agente(componentes.entorno().programa.folder);
        if (!agente.Iniciar())
            return EXIT_SUCCESS;
        const zarvento::SystemClock reloj;
        zarvento::QtEventPump bomba;
        zarvento::frmPrincipal ventana(componentes, reloj, bomba);
        QObject::connect(&agente, &zarvento::AgenteUnico::mostrarPedido, &ventana, [&ventana] {
            ventana.showNormal();
            ventana.raise();
            ventana.activateWindow();
        });
        // SIGTERM and SIGINT close the window as its close command does.
        zarvento::FinPorSenal senales;
        QObject::connect(&senales, &zarvento::FinPorSenal::pedido, &ventana, &QWidget::close);
        if (!ventana.Form_Load())
            return EXIT_SUCCESS;
        ventana.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zarvento: %s\n", error.what());
        return EXIT_FAILURE;
    }
}
