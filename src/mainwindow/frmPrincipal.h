#pragma once

#include "app/AgendaDeRespaldo.h"
#include "app/ArchivosPrincipal.h"
#include "app/EstadoDeRespaldos.h"
#include "app/RevisionConfiguracion.h"
#include "app/VigiaDeCorrida.h"
#include "engine/clsRespaldar.h"
#include "host/ConexionCentral.h"
#include "host/Services.h"
#include "mainwindow/ControlesPrincipal.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

namespace zarvento {

class BandejaPrincipal;
class Componentes;
class ConductorRespaldo;
class DelRegistro;
class LibORVX;

// The main window: the program's long-lived state, the countdown to the daily backup hour, the
// run command and the window's commands. It owns the one backup job of the process.
class frmRestaurar;

class frmPrincipal final : public QWidget, private VentanaRevisable {
    Q_OBJECT

public:
    static constexpr const char* kTitulo = "Zarvento";

    // What closing the window does; the program's default ends the process at once, also in the
    // middle of a run.
    using Terminar = std::function<void()>;
    static void TerminarProceso();

    frmPrincipal(const Componentes& componentes, const Clock& reloj, EventPump& bomba,
                 Terminar terminar = TerminarProceso, QWidget* parent = nullptr);
    ~frmPrincipal() override;

    // Prepares everything the window works with and does the first activation's work (the
    // review, possibly a catch-up run, the window minimised). False when no host installation
    // is recorded: the program must then end.
    bool Form_Load();

    const QString& pbHoraRespaldo() const { return pbHoraRespaldo_; }

    // The tray icon, shown from the load on, before the first review.
    BandejaPrincipal& bandeja() const { return *bandeja_; }
    // Where notifications go instead of the tray or the desktop's notification service.
    void usarNotificador(Notificador& notificador) { notificador_ = &notificador; }
    // Brings the window up, restored, in front.
    void mostrarVentana();

    // The one-second tick: the countdown, and the run the schedule says is due (see
    // AgendaDeRespaldo).
    void Timer1_Timer();
    // The run command of the button, the timer and the review's catch-up.
    void cmdAccion_Click();
    void cmdCerrar_Click();
    void cmdMin_Click();
    void cmdConfigurar_Click();
    // Opens the restore window, or brings it up when it is open.
    void abrirRestauracion();
    void RevisarConfiguracion();

protected:
    // However the window is closed, the program ends without asking.
    void closeEvent(QCloseEvent* evento) override;
    void changeEvent(QEvent* evento) override;

private:
    void Form_Activate();
    void conectar();
    bool esNormal() const;
    // Brings the tray's summary up to date; the last backup's date is read again on request.
    void actualizarEstado(bool leerUltimo = false);
    void avisar(const std::optional<Notificacion>& notificacion);

    void prepararRevision() override;
    void habilitarAccion(bool habilitada) override;
    void activarReloj(bool activo) override;
    void horaAceptada(const QString& hora) override;
    void respaldarAhora() override;

    const Componentes& componentes_;
    const Clock& reloj_;
    EventPump& bomba_;
    Terminar terminar_;
    ControlesPrincipal c_;
    VigiaDeCorrida vigia_;
    clsRespaldar job_;
    BandejaPrincipal* bandeja_;
    EstadoDeRespaldos estado_;
    AgendaDeRespaldo agenda_;
    QDate ultimoRespaldo_;
    Notificador* notificador_ = nullptr;
    std::unique_ptr<Notificador> notificacionesDBus_;

    ArchivosPrincipal archivos_;
    QString pbHoraRespaldo_;
    bool pbHuboCambios_ = false;
    bool blRevisado_ = false;

    std::unique_ptr<LibORVX> oIni_;
    std::unique_ptr<DelRegistro> oRegistro_;
    ConexionCentral central_;
    // Why the central server's machine values could not be stored, for the log file.
    QString avisoCentral_;
    // Start-up files that could not be written (entries, settings defaults), for the log file.
    QStringList avisosDeInicio_;
    std::unique_ptr<ConductorRespaldo> conductor_;
    std::unique_ptr<RevisionConfiguracion> revision_;
    QPointer<frmRestaurar> restauracion_;
};

} // namespace zarvento
