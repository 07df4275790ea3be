#include "app/AgenteUnico.h"
#include "app/FinPorSenal.h"
#include "consola/LineaDeOrdenes.h"
#include "host/Componentes.h"
#include "mainwindow/BandejaPrincipal.h"
#include "mainwindow/NotificacionesDBus.h"
#include "mainwindow/ServiciosQt.h"
#include "mainwindow/TraduccionesQt.h"
#include "mainwindow/frmPrincipal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <exception>

namespace {

// A command (any argument at all) runs without a window or a display, and ends.
int lineaDeOrdenes(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zarvento"));
    QTextStream salida(stdout);
    QTextStream errores(stderr);
    zarvento::Consola consola{salida, errores};
    try {
        return zarvento::EjecutarLineaDeOrdenes(QCoreApplication::arguments(), consola);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zarvento: %s\n", error.what());
        return zarvento::kSalidaFallida;
    }
}

} // namespace

// The agent: the main window, started minimised, runs until it is closed.
int main(int argc, char** argv) {
    if (argc > 1)
        return lineaDeOrdenes(argc, argv);
    QApplication aplicacion(argc, argv);
    // The name the desktop shows for the program (window class, taskbar, tray).
    QApplication::setApplicationName(QStringLiteral("Zarvento"));
    QApplication::setDesktopFileName(QFileInfo(QApplication::applicationFilePath()).baseName());
    QApplication::setWindowIcon(zarvento::BandejaPrincipal::iconoPrograma());
    // The window stays alive in the tray when its last dialog closes; only closing ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    zarvento::CargarTraduccionesQt(aplicacion);
    try {
        zarvento::QtDialogService dialogos;
        zarvento::QtEventPump bomba;
        zarvento::Entorno entorno = zarvento::Entorno::delPrograma(&dialogos);
        entorno.bomba = &bomba;
        const zarvento::Componentes componentes(std::move(entorno));
        // A second start of the folder's agent shows the running agent's window instead.
        zarvento::AgenteUnico agente(componentes.entorno().programa.folder);
        if (const auto inicio = agente.Iniciar(); inicio != zarvento::AgenteUnico::Inicio::Propio) {
            if (inicio == zarvento::AgenteUnico::Inicio::Mostrado)
                return EXIT_SUCCESS;
            zarvento::NotificacionesDBus notificaciones(componentes.entorno().programa.baseName);
            agente.avisarSinRespuesta(notificaciones);
            return EXIT_FAILURE;
        }
        const zarvento::SystemClock reloj;
        zarvento::frmPrincipal ventana(componentes, reloj, bomba);
        QObject::connect(&agente, &zarvento::AgenteUnico::mostrarPedido, &ventana,
                         &zarvento::frmPrincipal::mostrarVentana);
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
