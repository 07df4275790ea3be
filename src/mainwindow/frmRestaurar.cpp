#include "mainwindow/frmRestaurar.h"

#include "host/LibORVX.h"
#include "restauracion/ComandoDeRestauracion.h"
#include "restauracion/Restauracion.h"

#include <QCheckBox>
#include <QDir>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace zarvento {

frmRestaurar::frmRestaurar(ArchivosPrincipal archivos, DialogService& dialogos, EventPump& bomba,
                           const Clock& reloj, QWidget* parent)
    : QDialog(parent), lstCopias(new QListWidget(this)), lstRutas(new QListWidget(this)),
      txtCarpeta(new QLineEdit(this)),
      cmdExaminar(new QPushButton(QStringLiteral("Examinar"), this)),
      chkBase(new QCheckBox(QStringLiteral("Restaurar también la base de datos"), this)),
      barProgreso(new QProgressBar(this)), txtResumen(new QPlainTextEdit(this)),
      cmdRestaurar(new QPushButton(QStringLiteral("&Restaurar"), this)),
      cmdCancelar(new QPushButton(QStringLiteral("Cancelar"), this)),
      cmdCerrar(new QPushButton(QStringLiteral("Cerrar"), this)), archivos_(std::move(archivos)),
      dialogos_(dialogos), bomba_(bomba), reloj_(reloj) {
    setObjectName(QStringLiteral("frmRestaurar"));
    setWindowTitle(QStringLiteral("Restaurar una copia"));
    resize(880, 560); // a copy's line, with its proof, whole on a shop's figures
    lstCopias->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtResumen->setReadOnly(true);
    txtCarpeta->setPlaceholderText(QStringLiteral("Carpeta donde se restaura la copia"));
    barProgreso->setRange(0, 1000);
    barProgreso->setValue(0);

    auto* formulario = new QVBoxLayout(this);
    formulario->addWidget(new QLabel(QStringLiteral("Copias:"), this));
    formulario->addWidget(lstCopias, 2);
    formulario->addWidget(new QLabel(QStringLiteral("Rutas de la copia:"), this));
    formulario->addWidget(lstRutas, 2);
    auto* carpeta = new QHBoxLayout;
    carpeta->addWidget(new QLabel(QStringLiteral("Restaurar en:"), this));
    carpeta->addWidget(txtCarpeta, 1);
    carpeta->addWidget(cmdExaminar);
    formulario->addLayout(carpeta);
    formulario->addWidget(chkBase);
    formulario->addWidget(barProgreso);
    formulario->addWidget(txtResumen, 2);
    auto* botones = new QHBoxLayout;
    botones->addStretch(1);
    botones->addWidget(cmdRestaurar);
    botones->addWidget(cmdCancelar);
    botones->addWidget(cmdCerrar);
    formulario->addLayout(botones);

    connect(lstCopias, &QListWidget::currentRowChanged, this, &frmRestaurar::mostrarRutas);
    connect(lstRutas, &QListWidget::itemChanged, this, &frmRestaurar::habilitar);
    connect(txtCarpeta, &QLineEdit::textChanged, this, &frmRestaurar::habilitar);
    connect(cmdExaminar, &QPushButton::clicked, this, &frmRestaurar::cmdExaminar_Click);
    connect(cmdRestaurar, &QPushButton::clicked, this, &frmRestaurar::cmdRestaurar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmRestaurar::cmdCancelar_Click);
    connect(cmdCerrar, &QPushButton::clicked, this, &frmRestaurar::reject);
    habilitar();
}

void frmRestaurar::cargarCopias() {
    lstCopias->clear();
    copias_.clear();
    const LibORVX ini;
    const auto leidos = AjustesDeRestauracion::leer(AjustesEnIni(ini, archivos_.pbArchivoIni));
    if (!leidos) {
        informar(leidos.motivo());
        return;
    }
    ajustes_ = *leidos;
    informar(QStringLiteral("Buscando copias en ") + ajustes_->lugar.raiz + QStringLiteral(" ..."));
    const auto almacen = AlmacenDeCopias::para(ajustes_->lugar, bomba_);
    QString error;
    const auto copias = ListarCopias(*almacen, ajustes_->lugar, error);
    if (!copias) {
        informar(QStringLiteral("No se pueden leer las copias: ") + error);
        return;
    }
    copias_ = *copias;
    informar(copias_.empty() ? QStringLiteral("No hay copias en el destino")
                             : QStringLiteral("Elija la copia y las rutas a restaurar"));
    for (const CopiaDisponible& copia : copias_)
        lstCopias->addItem(ComandoDeRestauracion::lineaDeCopia(copia, regional_));
    // The newest copy whose run succeeded, as the command takes it.
    const CopiaDisponible* elegida = ComandoDeRestauracion::elegir(copias_, QString());
    lstCopias->setCurrentRow(elegida ? int(elegida - copias_.data()) : 0);
}

void frmRestaurar::mostrarRutas() {
    lstRutas->clear();
    const int fila = lstCopias->currentRow();
    bool conBase = false;
    if (fila >= 0 && fila < int(copias_.size())) {
        for (const RutaRegistrada& ruta : copias_[std::size_t(fila)].rutas()) {
            auto* item = new QListWidgetItem(ruta.origen, lstRutas);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
            conBase = conBase || !ruta.base.isEmpty();
        }
    }
    chkBase->setChecked(false);
    chkBase->setEnabled(conBase && ajustes_ && ajustes_->base);
    habilitar();
}

void frmRestaurar::habilitar() {
    bool algunaRuta = false;
    for (int i = 0; i < lstRutas->count(); ++i)
        algunaRuta = algunaRuta || lstRutas->item(i)->checkState() == Qt::Checked;
    const bool restaurando = enCurso_ != nullptr;
    cmdRestaurar->setEnabled(!restaurando && algunaRuta && !txtCarpeta->text().trimmed().isEmpty());
    cmdCancelar->setEnabled(restaurando);
    for (QWidget* control : {static_cast<QWidget*>(lstCopias), static_cast<QWidget*>(lstRutas),
                             static_cast<QWidget*>(txtCarpeta), static_cast<QWidget*>(cmdExaminar),
                             static_cast<QWidget*>(cmdCerrar)})
        control->setEnabled(!restaurando);
}

void frmRestaurar::informar(const QString& linea) {
    txtResumen->appendPlainText(linea);
}

void frmRestaurar::cmdExaminar_Click() {
    const QString carpeta = dialogos_.chooseFolder(this);
    if (!carpeta.isEmpty())
        txtCarpeta->setText(QDir::toNativeSeparators(carpeta));
}

void frmRestaurar::cmdRestaurar_Click() {
    const int fila = lstCopias->currentRow();
    if (enCurso_ || !ajustes_ || fila < 0 || fila >= int(copias_.size()))
        return;
    const CopiaDisponible& copia = copias_[std::size_t(fila)];
    PedidoDeRestauracion pedido{txtCarpeta->text().trimmed(), {}, chkBase->isChecked(), false};
    for (int i = 0; i < lstRutas->count(); ++i) {
        if (lstRutas->item(i)->checkState() == Qt::Checked)
            pedido.rutas.append(lstRutas->item(i)->text());
    }
    if (pedido.base && dialogos_.showMessage(
                           {QStringLiteral("Atención"),
                            QStringLiteral("Las bases de datos de la copia reemplazarán a las "
                                           "del servidor ") +
                                ajustes_->base->servidor + QStringLiteral(".\n\n¿Desea continuar?"),
                            MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No}) !=
                           MessageAnswer::Yes)
        return;

    txtResumen->clear();
    barProgreso->setValue(0);
    const auto almacen = AlmacenDeCopias::para(ajustes_->lugar, bomba_);
    Restauracion restauracion(*almacen, ajustes_->lugar, bomba_,
                              {[this](const QString& linea) { informar(linea); },
                               [this](qint64 hechos, qint64 total) {
                                   barProgreso->setValue(total > 0 ? int(hechos * 1000 / total)
                                                                   : 0);
                               },
                               {}});
    if (ajustes_->base)
        restauracion.servidorDeBase(*ajustes_->base, CarpetaDeSeguridad(archivos_), reloj_);
    enCurso_ = &restauracion;
    habilitar();
    const ResumenDeRestauracion resumen = restauracion.restaurar(copia, pedido);
    enCurso_ = nullptr;
    if (!resumen.cancelada)
        barProgreso->setValue(barProgreso->maximum());
    informar(ComandoDeRestauracion::lineaDeResumen(resumen, regional_));
    habilitar();
    if (std::exchange(cerrarAlTerminar_, false))
        QDialog::reject();
}

void frmRestaurar::cmdCancelar_Click() {
    if (!enCurso_)
        return;
    enCurso_->cancelar();
    cmdCancelar->setEnabled(false);
    informar(QStringLiteral("Cancelando la restauración…"));
}

// Closing during a restore asks first; the window closes once the restore stopped.
void frmRestaurar::reject() {
    if (!enCurso_) {
        QDialog::reject();
        return;
    }
    if (cerrarAlTerminar_ ||
        dialogos_.showMessage({QStringLiteral("Restaurar una copia"),
                               QStringLiteral("Hay una restauración en curso. ¿Desea cancelarla? "
                                              "Lo ya restaurado se conserva."),
                               MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No}) !=
            MessageAnswer::Yes)
        return;
    cerrarAlTerminar_ = true;
    cmdCancelar_Click();
}

} // namespace zarvento
