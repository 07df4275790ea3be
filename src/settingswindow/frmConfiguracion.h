#pragma once

#include "app/ArchivosDeAjustes.h"
#include "app/CatalogoDeAjustes.h"
#include "host/Componentes.h"
#include "settingswindow/PosicionVentana.h"

#include <QDialog>
#include <memory>

class QPushButton;

namespace zarvento {

class CajasDeHora;
class ControlesConfiguracion;

// The settings window: shows every editable setting and both route lists, and writes them back
// with "&Grabar". Its position is kept in the settings file each time it closes.
class frmConfiguracion : public QDialog {
    Q_OBJECT

public:
    // parent: the main window, whose icon and background colour the window takes (may be null).
    // pbHuboCambios: set to true only when "&Grabar" saved everything.
    frmConfiguracion(const Componentes& componentes, ArchivosDeAjustes archivos,
                     bool& pbHuboCambios, QWidget* parent = nullptr);
    ~frmConfiguracion() override;

    // How much the design is scaled down to fit the screen (1: not at all).
    double escala() const;

    // Every way of closing ends here: the position is written, nothing else.
    void done(int resultado) override;

protected:
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent* evento) override;

private:
    void tomarAspecto(const QWidget* principal);
    void conectar();
    void mostrar(const ValoresDeAjustes& valores);
    ValoresDeAjustes valores() const;

    void aplicarGrupoCiclo();
    void aplicarGrupoFTP();
    void aplicarGrupoBase();
    void aplicarGrupoConexion(int casilla, int marco, int primeraEtiqueta, int primerDato,
                              QPushButton* verDatos);
    void cmdVerNoVer_Click();
    void verNoVer(int primerDato);
    void AgregarCarpeta(int indice);
    void cmdGrabar_Click();

    void pitar() const;
    void avisar(const QString& motivo) const;

    const Componentes& componentes_;
    CatalogoDeAjustes catalogo_;
    PosicionVentana posicion_;
    bool& pbHuboCambios_;
    std::unique_ptr<ControlesConfiguracion> c_;
    CajasDeHora* hora_ = nullptr;
    bool vigilandoVentana_ = false;
};

} // namespace zarvento
