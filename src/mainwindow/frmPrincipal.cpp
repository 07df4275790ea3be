#include "mainwindow/frmPrincipal.h"

#include "app/ConductorRespaldo.h"
#include "app/CuentaRegresiva.h"
#include "app/HoraDelRespaldo.h"
#include "comprobacion/ComprobacionDeCopia.h"
#include "comprobacion/ComprobacionNocturna.h"
#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/DelRegistro.h"
#include "host/EntradaDeMenu.h"
#include "host/HostCheck.h"
#include "host/LibORVX.h"
#include "host/clsInicio.h"
#include "mainwindow/BandejaPrincipal.h"
#include "mainwindow/Efectos.h"
#include "mainwindow/NotificacionesDBus.h"
#include "mainwindow/frmRestaurar.h"
#include "settingswindow/frmConfiguracion.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace zarvento {

namespace {

constexpr Qt::WindowStates kNoNormal =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

} // namespace

void frmPrincipal::TerminarProceso() {
    ComprobacionDeCopia::Descartar();
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

frmPrincipal::frmPrincipal(const Componentes& componentes, const Clock& reloj, EventPump& bomba,
                           Terminar terminar, QWidget* parent)
    : QWidget(parent), componentes_(componentes), reloj_(reloj), bomba_(bomba),
      terminar_(std::move(terminar)), c_(*this), vigia_(*c_.txtLog),
      job_(ServiciosRespaldo{reloj, bomba, *c_.lblAviso, componentes.entorno().programa.folder}),
      bandeja_(new BandejaPrincipal(this)) {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QString::fromLatin1(kTitulo));
    setWindowIcon(BandejaPrincipal::iconoPrograma());
    conectar();
}

frmPrincipal::~frmPrincipal() = default;

void frmPrincipal::conectar() {
    connect(c_.Timer1, &QTimer::timeout, this, &frmPrincipal::Timer1_Timer);
    connect(c_.cmdAccion, &QPushButton::clicked, this, &frmPrincipal::cmdAccion_Click);
    connect(c_.cmdCerrar, &QPushButton::clicked, this, &frmPrincipal::cmdCerrar_Click);
    connect(c_.cmdMin, &QPushButton::clicked, this, &frmPrincipal::cmdMin_Click);
    connect(c_.cmdConfigurar, &QPushButton::clicked, this, &frmPrincipal::cmdConfigurar_Click);
    // The tray's commands are the buttons' own, with their availability.
    connect(bandeja_, &BandejaPrincipal::mostrarVentana, this, &frmPrincipal::mostrarVentana);
    connect(bandeja_, &BandejaPrincipal::respaldarAhora, c_.cmdAccion, &QPushButton::click);
    connect(bandeja_, &BandejaPrincipal::abrirAjustes, c_.cmdConfigurar, &QPushButton::click);
    connect(bandeja_, &BandejaPrincipal::cerrar, c_.cmdCerrar, &QPushButton::click);
    connect(bandeja_, &BandejaPrincipal::restaurar, this, &frmPrincipal::abrirRestauracion);
    connect(bandeja_, &BandejaPrincipal::menuPorAbrir, this, [this] {
        bandeja_->accion(QStringLiteral("Respaldar ahora"))->setEnabled(c_.cmdAccion->isEnabled());
        bandeja_->accion(QStringLiteral("Ajustes"))->setEnabled(c_.cmdConfigurar->isEnabled());
    });
}

void frmPrincipal::mostrarVentana() {
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void frmPrincipal::actualizarEstado(bool leerUltimo) {
    if (leerUltimo && oIni_)
        ultimoRespaldo_ = QDate::fromString(
            oIni_->LeeIni(QString::fromUtf8(ajustes::kResultado),
                          QString::fromUtf8(ajustes::kUltimoRespaldo), archivos_.pbArchivoIni),
            QString::fromLatin1(ajustes::kFormatoFecha));
    agenda_.ultimo(ultimoRespaldo_);
    estado_.fechas(ultimoRespaldo_, EstadoDeRespaldos::siguiente(reloj_.now(), pbHoraRespaldo_));
    bandeja_->actualizar(estado_);
}

void frmPrincipal::avisar(const std::optional<Notificacion>& notificacion) {
    if (!notificacion)
        return;
    if (notificador_) {
        notificador_->notificar(*notificacion);
    } else if (bandeja_->hayBandeja()) {
        bandeja_->notificar(*notificacion);
    } else {
        if (!notificacionesDBus_)
            notificacionesDBus_ =
                std::make_unique<NotificacionesDBus>(componentes_.entorno().programa.baseName);
        notificacionesDBus_->notificar(*notificacion);
    }
}

bool frmPrincipal::Form_Load() {
    blRevisado_ = false;
    const ProgramLocation& programa = componentes_.entorno().programa;
    QDir::setCurrent(programa.folder);
    archivos_ = ArchivosPrincipal::de(programa);
    oIni_ = componentes_.CrearObj<LibORVX>(QStringLiteral("LibORVX"));
    if (!componentes_.CrearComponente(oRegistro_, QStringLiteral("DelRegistro")))
        return false; // the host check cannot be made; the failure was shown
    central_ = CargarConexionCentral(componentes_, &avisoCentral_);
    c_.colocarBorde();
    job_.IncluirSubdirectorios(true);
    job_.Incremental(true);
    job_.RespaldoMultiple(true);
    job_.ObjetoLog(&vigia_);
    clsInicio(componentes_.entorno()).SiRegistrado('/' + programa.fileName, &avisosDeInicio_);
    EntradaDeMenu(componentes_.entorno())
        .Mantener('/' + programa.fileName, QStringLiteral(":/zarvento/zarvento.svg"),
                  &avisosDeInicio_);
    if (!host::PrepararHost(componentes_, *oIni_, *oRegistro_, archivos_.pbArchivoIni,
                            &avisosDeInicio_))
        return false;
    conductor_ = std::make_unique<ConductorRespaldo>(componentes_, *oIni_, job_, archivos_,
                                                     central_, reloj_);
    revision_ = std::make_unique<RevisionConfiguracion>(
        componentes_, *oIni_, job_, archivos_, reloj_, static_cast<VentanaRevisable&>(*this));
    agenda_.vigilarDesde(reloj_.now());
    actualizarEstado(true);
    bandeja_->mostrar();
    Form_Activate();
    return true;
}

void frmPrincipal::Form_Activate() {
    std::unique_ptr<Efectos> efectos;
    componentes_.CrearComponente(efectos, QStringLiteral("Efectos"));
    if (!blRevisado_) {
        job_.ArchivoBitacora(QString(), true);
        if (!avisoCentral_.isEmpty())
            job_.ArchivoBitacora(avisoCentral_);
        for (const QString& aviso : avisosDeInicio_)
            job_.ArchivoBitacora(aviso);
        RevisarConfiguracion();
        c_.lblTitulo->setText(QString::fromLatin1(kTitulo) + QStringLiteral(" (v. ") +
                              ConductorRespaldo::version() + ')');
        avisar(estado_.alIniciar(reloj_.now().date()));
        if (!isMinimized())
            setWindowState(windowState() | Qt::WindowMinimized);
    }
    if (efectos && esNormal())
        efectos->CentraVentana(*this);
}

bool frmPrincipal::esNormal() const {
    return !(windowState() & kNoNormal);
}

void frmPrincipal::RevisarConfiguracion() {
    if (!revision_)
        return;
    blRevisado_ = true;
    revision_->RevisarConfiguracion();
    // The review leaves the run button enabled exactly when the configuration is correct.
    avisar(estado_.revisada(c_.cmdAccion->isEnabled()));
    actualizarEstado(true);
}

void frmPrincipal::Timer1_Timer() {
    const QDateTime ahora = reloj_.now();
    const auto texto = ContarHasta(ahora, pbHoraRespaldo_);
    if (!texto)
        return;
    c_.lblTiempo->setText(*texto);
    if (agenda_.corridaDebida(ahora))
        cmdAccion_Click();
    setWindowTitle(c_.lblTiempo->text());
    actualizarEstado();
}

void frmPrincipal::cmdAccion_Click() {
    if (!conductor_ || !c_.cmdAccion->isEnabled())
        return;
    c_.Timer1->stop();
    c_.cmdConfigurar->setEnabled(false);
    // The window's events run while the run waits on the central server, before the driver
    // itself disables the button: a second click must not start a second run.
    c_.cmdAccion->setEnabled(false);
    if (c_.txtLog->isVisible())
        c_.txtLog->setFocus();
    vigia_.empezar();
    conductor_->comprobador(ComprobacionNocturna(AjustesEnIni(*oIni_, archivos_.pbArchivoIni), job_,
                                                 archivos_.carpetaTemporal, bomba_));
    conductor_->EjecutarRespaldo([this] { c_.cmdAccion->setEnabled(false); });
    agenda_.corridaTerminada(conductor_->diaDeLaCorrida(), vigia_.terminoConError(), reloj_.now());
    auto aviso = estado_.corridaTerminada(vigia_.terminoConError());
    // A failed proof is told with its cause rather than as a plain failed run.
    if (const auto& comprobacion = conductor_->comprobacion()) {
        if (auto fallo = estado_.comprobada(*comprobacion, reloj_.now()))
            aviso = std::move(fallo);
    }
    avisar(aviso);
    actualizarEstado(true);
    c_.cmdConfigurar->setEnabled(true);
    c_.cmdAccion->setEnabled(true);
    c_.Timer1->start();
}

void frmPrincipal::cmdCerrar_Click() {
    DialogService* dialogos = componentes_.entorno().dialogos;
    const MessageRequest pregunta{
        QStringLiteral("Atención"),
        QStringLiteral("Confirme si desea cerrar este programa:\n\n"
                       "(en caso de cerrarlo el respaldo no se efectuará)"),
        MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No};
    if (dialogos && dialogos->showMessage(pregunta) == MessageAnswer::Yes)
        close();
}

void frmPrincipal::cmdMin_Click() {
    setWindowState(windowState() | Qt::WindowMinimized);
}

void frmPrincipal::cmdConfigurar_Click() {
    if (!job_.PedirPassword())
        return;
    c_.Timer1->stop();
    job_.ArchivoBitacora(QStringLiteral("Entrando a ajustes del programa"));
    pbHuboCambios_ = false;
    frmConfiguracion(componentes_,
                     {archivos_.pbArchivoIni, archivos_.pbArchivoRutas, archivos_.pbArchivoDATAs},
                     pbHuboCambios_, this)
        .exec();
    if (pbHuboCambios_) {
        job_.ArchivoBitacora(QStringLiteral("Se hicieron cambios en los ajustes"));
        RevisarConfiguracion();
    }
    c_.Timer1->start();
}

void frmPrincipal::abrirRestauracion() {
    if (!restauracion_) {
        restauracion_ =
            new frmRestaurar(archivos_, *componentes_.entorno().dialogos, bomba_, reloj_, this);
        restauracion_->setAttribute(Qt::WA_DeleteOnClose);
        restauracion_->show();
        restauracion_->cargarCopias();
    }
    restauracion_->raise();
    restauracion_->activateWindow();
}

void frmPrincipal::closeEvent(QCloseEvent* evento) {
    // A restore under way is stopped first, once the user agrees (a database load that started
    // finishes, or puts the safety dump back): ending the program in the middle of a load would
    // leave the shop's database half loaded. The program ends when the restore window closes.
    if (restauracion_ && restauracion_->restaurando()) {
        evento->ignore();
        restauracion_->reject();
        if (restauracion_->cerrando())
            connect(restauracion_, &QDialog::finished, this, &QWidget::close, Qt::UniqueConnection);
        return;
    }
    evento->accept();
    if (terminar_)
        terminar_();
}

// A window restored from minimised is centred again.
void frmPrincipal::changeEvent(QEvent* evento) {
    QWidget::changeEvent(evento);
    if (evento->type() != QEvent::WindowStateChange || !blRevisado_)
        return;
    const auto* cambio = static_cast<QWindowStateChangeEvent*>(evento);
    if ((cambio->oldState() & Qt::WindowMinimized) && esNormal())
        Form_Activate();
}

// The review's effects on the window.

void frmPrincipal::prepararRevision() {
    c_.txtLog->clear();
    c_.cmdAccion->setText(QStringLiteral("&Respaldar"));
    if (c_.txtLog->isVisible())
        c_.txtLog->setFocus();
}

void frmPrincipal::habilitarAccion(bool habilitada) {
    c_.cmdAccion->setEnabled(habilitada);
}

void frmPrincipal::activarReloj(bool activo) {
    if (activo)
        c_.Timer1->start();
    else
        c_.Timer1->stop();
}

void frmPrincipal::horaAceptada(const QString& hora) {
    pbHoraRespaldo_ = hora;
    agenda_.hora(hora::interpretar(hora));
}

void frmPrincipal::respaldarAhora() {
    cmdAccion_Click();
}

} // namespace zarvento
