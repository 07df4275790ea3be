#pragma once

#include "app/ArchivosPrincipal.h"
#include "host/Regional.h"
#include "host/Services.h"
#include "restauracion/AjustesDeRestauracion.h"
#include "restauracion/CopiasEnDestino.h"

#include <QDialog>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace zarvento {
class Restauracion;
}

namespace zarvento {

// The restore window: the copies at the destination, the routes of the chosen one, the target
// folder and whether the database comes back too. It runs the command line's restore, with the
// window's events running throughout; "Cancelar", or closing the window once the user agrees,
// stops it and keeps what was restored.
class frmRestaurar final : public QDialog {
    Q_OBJECT

public:
    frmRestaurar(ArchivosPrincipal archivos, DialogService& dialogos, EventPump& bomba,
                 const Clock& reloj, QWidget* parent = nullptr);

    // Reads the settings and lists the copies; called once the window shows.
    void cargarCopias();
    void cmdExaminar_Click();
    void cmdRestaurar_Click();
    void cmdCancelar_Click();
    bool restaurando() const { return enCurso_ != nullptr; }
    // The restore is being cancelled and the window closes once it stopped.
    bool cerrando() const { return cerrarAlTerminar_; }

    QListWidget* lstCopias;
    QListWidget* lstRutas;
    QLineEdit* txtCarpeta;
    QPushButton* cmdExaminar;
    QCheckBox* chkBase;
    QProgressBar* barProgreso;
    QPlainTextEdit* txtResumen;
    QPushButton* cmdRestaurar;
    QPushButton* cmdCancelar;
    QPushButton* cmdCerrar;

    // Closing during a restore asks first and cancels it; the window closes once it stopped.
    void reject() override;

private:
    void mostrarRutas();
    void habilitar();
    void informar(const QString& linea);

    ArchivosPrincipal archivos_;
    DialogService& dialogos_;
    EventPump& bomba_;
    const Clock& reloj_;
    Regional regional_;
    std::optional<AjustesDeRestauracion> ajustes_;
    std::vector<CopiaDisponible> copias_;
    Restauracion* enCurso_ = nullptr; // the restore under way
    bool cerrarAlTerminar_ = false;
};

} // namespace zarvento
