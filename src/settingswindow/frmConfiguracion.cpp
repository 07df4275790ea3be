#include "settingswindow/frmConfiguracion.h"

#include "app/ListaDeRutas.h"
#include "host/DeArchivos.h"
#include "settingswindow/CajasDeHora.h"
#include "settingswindow/ControlesConfiguracion.h"

#include <QApplication>
#include <QCheckBox>
#include <QDebug>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>

namespace zarvento {

namespace {

const QString kNombre = QStringLiteral("frmConfiguracion");

} // namespace

frmConfiguracion::frmConfiguracion(const Componentes& componentes, ArchivosDeAjustes archivos,
                                   bool& pbHuboCambios, QWidget* parent)
    : QDialog(parent), componentes_(componentes), catalogo_(componentes, archivos),
      posicion_(archivos.pbArchivoIni, kNombre), pbHuboCambios_(pbHuboCambios) {
    setObjectName(kNombre);
    setWindowTitle(QStringLiteral("Configuración"));
    c_ = std::make_unique<ControlesConfiguracion>(*this);
    tomarAspecto(parent);
    posicion_.aplicar(*this);
    hora_ = new CajasDeHora(*this, *c_->txtDato[6], *c_->txtDato[7], [this] { pitar(); });
    for (QPushButton* boton :
         {c_->cmdVerNoVer, c_->cmdVerNoVerBase, c_->cmdExaminar, c_->Command1, c_->cmdGrabar})
        hora_->vigilarAtajo(*boton);
    mostrar(catalogo_.cargar());
    aplicarGrupoCiclo();
    aplicarGrupoFTP();
    aplicarGrupoBase();
    conectar();
}

frmConfiguracion::~frmConfiguracion() = default;

double frmConfiguracion::escala() const {
    return c_->escala();
}

void frmConfiguracion::tomarAspecto(const QWidget* principal) {
    if (!principal)
        return;
    setWindowIcon(principal->windowIcon());
    // The frames, check boxes, option buttons and labels inherit the window's palette.
    QPalette colores = palette();
    colores.setColor(QPalette::Window, principal->palette().color(QPalette::Window));
    setPalette(colores);
}

void frmConfiguracion::conectar() {
    connect(c_->chkOpcion[0], &QCheckBox::toggled, this, &frmConfiguracion::aplicarGrupoCiclo);
    connect(c_->chkOpcion[2], &QCheckBox::toggled, this, &frmConfiguracion::aplicarGrupoFTP);
    connect(c_->chkOpcion[5], &QCheckBox::toggled, this, &frmConfiguracion::aplicarGrupoBase);
    connect(c_->cmdVerNoVer, &QPushButton::clicked, this, &frmConfiguracion::cmdVerNoVer_Click);
    connect(c_->cmdVerNoVerBase, &QPushButton::clicked, this, [this] { verNoVer(8); });
    connect(c_->cmdExaminar, &QPushButton::clicked, this, [this] { AgregarCarpeta(4); });
    connect(c_->Command1, &QPushButton::clicked, this, [this] { AgregarCarpeta(5); });
    connect(c_->cmdGrabar, &QPushButton::clicked, this, &frmConfiguracion::cmdGrabar_Click);
}

void frmConfiguracion::mostrar(const ValoresDeAjustes& v) {
    c_->chkOpcion[0]->setChecked(v.respaldosVariados);
    c_->optOpcion[v.semanal ? 0 : 1]->setChecked(true);
    c_->chkOpcion[1]->setChecked(v.diaAlInicio);
    c_->chkOpcion[6]->setChecked(v.compartirArchivos);
    c_->chkOpcion[2]->setChecked(v.respaldoEnFTP);
    c_->txtDato[0]->setText(v.ftpServidor);
    c_->txtDato[1]->setText(v.ftpUsuario);
    c_->txtDato[2]->setText(v.ftpPassword);
    c_->txtDato[3]->setText(v.rutaDestino);
    c_->chkOpcion[3]->setChecked(v.respaldoDiferencial);
    c_->chkOpcion[4]->setChecked(v.incluirSubdirectorios);
    c_->txtDato[6]->setText(v.horas);
    c_->txtDato[7]->setText(v.minutos);
    c_->chkOpcion[5]->setChecked(v.copiaConsistente);
    c_->txtDato[8]->setText(v.baseServidor);
    c_->txtDato[9]->setText(v.baseUsuario);
    c_->txtDato[10]->setText(v.basePassword);
    c_->txtDato[11]->setText(v.baseMinutos);
    c_->chkOpcion[7]->setChecked(v.comprobarCopias);
    c_->rutas(4)->setPlainText(v.rutasDocumentos);
    c_->rutas(5)->setPlainText(v.rutasDatas);
}

ValoresDeAjustes frmConfiguracion::valores() const {
    ValoresDeAjustes v;
    v.respaldosVariados = c_->chkOpcion[0]->isChecked();
    v.semanal = c_->optOpcion[0]->isChecked();
    v.diaAlInicio = c_->chkOpcion[1]->isChecked();
    v.compartirArchivos = c_->chkOpcion[6]->isChecked();
    v.respaldoEnFTP = c_->chkOpcion[2]->isChecked();
    v.ftpServidor = c_->txtDato[0]->text();
    v.ftpUsuario = c_->txtDato[1]->text();
    v.ftpPassword = c_->txtDato[2]->text();
    v.rutaDestino = c_->txtDato[3]->text();
    v.respaldoDiferencial = c_->chkOpcion[3]->isChecked();
    v.incluirSubdirectorios = c_->chkOpcion[4]->isChecked();
    v.horas = c_->txtDato[6]->text();
    v.minutos = c_->txtDato[7]->text();
    v.copiaConsistente = c_->chkOpcion[5]->isChecked();
    v.baseServidor = c_->txtDato[8]->text();
    v.baseUsuario = c_->txtDato[9]->text();
    v.basePassword = c_->txtDato[10]->text();
    v.baseMinutos = c_->txtDato[11]->text();
    v.comprobarCopias = c_->chkOpcion[7]->isChecked();
    v.rutasDocumentos = c_->rutas(4)->toPlainText();
    v.rutasDatas = c_->rutas(5)->toPlainText();
    return v;
}

// Disabling a group greys its controls out but keeps their values, which are still saved.
void frmConfiguracion::aplicarGrupoCiclo() {
    const bool activo = c_->chkOpcion[0]->isChecked();
    c_->fraOpcion[0]->setEnabled(activo);
    for (QWidget* control :
         std::initializer_list<QWidget*>{c_->optOpcion[0], c_->optOpcion[1], c_->lblEtiq[0],
                                         c_->chkOpcion[1], c_->chkOpcion[6]})
        control->setEnabled(activo);
}

void frmConfiguracion::aplicarGrupoFTP() {
    aplicarGrupoConexion(2, 1, 1, 0, c_->cmdVerNoVer);
}

void frmConfiguracion::aplicarGrupoBase() {
    aplicarGrupoConexion(5, 4, 12, 8, c_->cmdVerNoVerBase);
    for (QWidget* control : std::initializer_list<QWidget*>{c_->lblEtiq[15], c_->txtDato[11]})
        control->setEnabled(c_->chkOpcion[5]->isChecked());
}

// A connection group: its frame, its three labels and boxes and its "Ver datos" button follow
// the check box.
void frmConfiguracion::aplicarGrupoConexion(int casilla, int marco, int primeraEtiqueta,
                                            int primerDato, QPushButton* verDatos) {
    const bool activo = c_->chkOpcion[casilla]->isChecked();
    c_->fraOpcion[marco]->setEnabled(activo);
    for (int i = 0; i < 3; ++i) {
        c_->lblEtiq[primeraEtiqueta + i]->setEnabled(activo);
        c_->txtDato[primerDato + i]->setEnabled(activo);
    }
    verDatos->setEnabled(activo);
}

void frmConfiguracion::cmdVerNoVer_Click() {
    verNoVer(0);
}

// Shows or masks the three boxes of a connection group from txtDato(primerDato) on.
void frmConfiguracion::verNoVer(int primerDato) {
    const bool seVeian = c_->txtDato[primerDato]->echoMode() == QLineEdit::Normal;
    for (int i = primerDato; i < primerDato + 3; ++i)
        c_->txtDato[i]->setEchoMode(seVeian ? QLineEdit::Password : QLineEdit::Normal);
    QPushButton* boton = primerDato == 0 ? c_->cmdVerNoVer : c_->cmdVerNoVerBase;
    boton->setText(seVeian ? QStringLiteral("Ver datos") : QStringLiteral("Ocultar datos"));
}

void frmConfiguracion::AgregarCarpeta(int indice) {
    const auto archivos = componentes_.CrearObj<DeArchivos>(QStringLiteral("DeArchivos"));
    const QString carpeta = archivos->Carpeta(this).trimmed();
    if (carpeta.isEmpty())
        return;
    QPlainTextEdit* caja = c_->rutas(indice);
    if (const auto texto = rutaslista::conCarpeta(caja->toPlainText(), carpeta))
        caja->setPlainText(*texto);
    else
        pitar();
}

void frmConfiguracion::cmdGrabar_Click() {
    if (!hora_->esValida()) {
        pitar();
        c_->txtDato[6]->setFocus();
        return;
    }
    if (const auto grabado = catalogo_.grabar(valores()); !grabado) {
        avisar(grabado.motivo());
        return;
    }
    pbHuboCambios_ = true;
    accept();
}

void frmConfiguracion::done(int resultado) {
    QString motivo;
    if (!posicion_.guardar(*this, &motivo))
        qWarning().noquote() << "No se pudo grabar la posición de la ventana:" << motivo;
    QDialog::done(resultado);
}

bool frmConfiguracion::focusNextPrevChild(bool next) {
    return !hora_->permiteSalir() || QDialog::focusNextPrevChild(next);
}

void frmConfiguracion::showEvent(QShowEvent* evento) {
    if (!vigilandoVentana_ && windowHandle()) {
        hora_->vigilarVentana(*windowHandle());
        vigilandoVentana_ = true;
    }
    QDialog::showEvent(evento);
}

void frmConfiguracion::pitar() const {
    if (DialogService* dialogos = componentes_.entorno().dialogos)
        dialogos->beep();
    else
        QApplication::beep();
}

void frmConfiguracion::avisar(const QString& motivo) const {
    MessageRequest aviso;
    aviso.title = QStringLiteral("Atención");
    aviso.text = motivo + QStringLiteral("\r\nLa ventana sigue abierta con sus cambios; corrija el "
                                         "problema y vuelva a grabar.");
    aviso.icon = MessageIcon::Critical;
    if (DialogService* dialogos = componentes_.entorno().dialogos)
        dialogos->showMessage(aviso);
    else
        qWarning().noquote() << aviso.text;
}

} // namespace zarvento
