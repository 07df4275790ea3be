#pragma once

#include <QRect>
#include <QSize>
#include <array>
#include <map>

class QCheckBox;
class QDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QString;
class QWidget;

namespace zarvento {

// The settings window's controls, made on the window at their design positions, with their
// captions and keyboard order. Arrays are indexed as the design numbers them; txtDato(4) and
// txtDato(5), the two route lists, are multi-line boxes and live in txtRutas. Below the hour,
// chkOpcion(5) and fraOpcion(4) hold the database connection of the consistent copy, laid out
// like the FTP group: lblEtiq(12) to (14), txtDato(8) to (10) and cmdVerNoVerBase; beside the
// button, lblEtiq(15) and txtDato(11) hold the copy's time limit in minutes. chkOpcion(6), below
// chkOpcion(1) in the cycle frame, lets cycle folders share the files that did not change.
// Beside the database group, below the data routes, chkOpcion(7) turns the proof of each copy on.
class ControlesConfiguracion {
public:
    explicit ControlesConfiguracion(QDialog& ventana);

    std::array<QCheckBox*, 8> chkOpcion{};
    std::array<QGroupBox*, 5> fraOpcion{};
    std::array<QRadioButton*, 2> optOpcion{};
    std::array<QLabel*, 16> lblEtiq{};         // no lblEtiq(6) or (7)
    std::array<QLineEdit*, 12> txtDato{};      // no single-line txtDato(4) or (5)
    std::array<QPlainTextEdit*, 2> txtRutas{}; // txtDato(4), txtDato(5)
    QPushButton* cmdVerNoVer = nullptr;
    QPushButton* cmdVerNoVerBase = nullptr;
    QPushButton* cmdExaminar = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* cmdGrabar = nullptr;
    QFrame* Line1 = nullptr;

    // The route-list box of txtDato(indice), indice 4 or 5.
    QPlainTextEdit* rutas(int indice) const { return txtRutas.at(indice - 4); }

    // How much the design is scaled down to fit the available screen (1: it fits as designed).
    double escala() const { return escala_; }
    // The scale at which a design of that size fits the available area, a window frame included.
    static double escalaPara(const QSize& diseno, const QSize& disponible);

private:
    template <class Control>
    Control* crear(QWidget* contenedor, const QString& nombre, const QString& texto,
                   const QRect& twips, int tab);
    void crearTodos();
    void ajustarLetra();

    QDialog& ventana_;
    double escala_ = 1.0;
    double dpiX_ = 96;
    double dpiY_ = 96;
    // The focusable controls by their design tab number.
    std::map<int, QWidget*> porTab_;
};

} // namespace zarvento
