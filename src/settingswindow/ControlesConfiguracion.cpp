#include "settingswindow/ControlesConfiguracion.h"

#include "app/AjustesEnIni.h"
#include "settingswindow/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>
#include <qdrawutil.h>

namespace zarvento {

namespace {

constexpr double kPuntosTexto = 9.75;
constexpr double kPuntosHora = 13.5;
constexpr double kPuntosMinimos = 7.5;
// The window's client area, in twips: the design's 8730 high grown by the database group.
constexpr QRect kCliente(0, 0, 15705, 10095);

QString indexado(const char* nombre, int indice) {
    return QString::fromLatin1(nombre) + QString::number(indice);
}

// A check box whose caption wraps onto further lines when it is wider than the box.
class CasillaDeVariasLineas final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter pintor(this);
        QStyleOptionButton opcion;
        initStyleOption(&opcion);
        const QString texto = opcion.text;
        opcion.text.clear();
        pintor.drawControl(QStyle::CE_CheckBox, opcion);
        const QRect zona = style()->subElementRect(QStyle::SE_CheckBoxContents, &opcion, this);
        pintor.drawItemText(
            zona, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
            palette(), isEnabled(), texto, QPalette::WindowText);
    }
    bool hitButton(const QPoint& punto) const override { return rect().contains(punto); }
};

// A frame whose line runs through the middle of its title, so the frame's inner area starts
// near its top edge and controls at the design positions sit inside the line, not across it.
class MarcoConTitulo final : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

    // Where the frame's top line runs.
    int lineaSuperior() const { return title().isEmpty() ? 0 : fontMetrics().height() / 2; }

protected:
    void paintEvent(QPaintEvent*) override {
        // Styles place their own group-box frame below the title, so the etched line is drawn
        // here.
        QStylePainter pintor(this);
        qDrawShadeRect(&pintor, rect().adjusted(0, lineaSuperior(), 0, 0), palette(), true, 1);
        if (title().isEmpty())
            return;
        const int margen = fontMetrics().averageCharWidth();
        QRect zona = fontMetrics().boundingRect(title()).adjusted(-2, 0, 2, 0);
        zona.moveTopLeft(QPoint(margen, 0));
        pintor.fillRect(zona, palette().window());
        pintor.drawItemText(zona, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                            title(), QPalette::WindowText);
    }
};

void ponerTexto(QWidget* control, const QString& texto) {
    if (auto* boton = qobject_cast<QAbstractButton*>(control))
        boton->setText(texto);
    else if (auto* marco = qobject_cast<QGroupBox*>(control))
        marco->setTitle(texto);
    else if (auto* etiqueta = qobject_cast<QLabel*>(control))
        etiqueta->setText(texto);
}

} // namespace

ControlesConfiguracion::ControlesConfiguracion(QDialog& ventana) : ventana_(ventana) {
    const QSize diseno =
        twips::aPixeles(kCliente, ventana_.logicalDpiX(), ventana_.logicalDpiY()).size();
    if (const QScreen* pantalla = ventana_.screen())
        escala_ = escalaPara(diseno, pantalla->availableGeometry().size());
    dpiX_ = ventana_.logicalDpiX() * escala_;
    dpiY_ = ventana_.logicalDpiY() * escala_;
    QFont letra = QApplication::font();
    letra.setPointSizeF(kPuntosTexto * escala_);
    ventana_.setFont(letra);
    ventana_.setFixedSize(twips::aPixeles(kCliente, dpiX_, dpiY_).size());
    crearTodos();
    ajustarLetra();
    for (QPushButton* boton : {cmdVerNoVer, cmdVerNoVerBase, cmdExaminar, Command1, cmdGrabar}) {
        // Enter in a text box presses no button; the buttons act on a click or their access key.
        boton->setAutoDefault(false);
    }
    QWidget* anterior = nullptr;
    for (const auto& [tab, control] : porTab_) {
        if (anterior)
            QWidget::setTabOrder(anterior, control);
        anterior = control;
    }
}

double ControlesConfiguracion::escalaPara(const QSize& diseno, const QSize& disponible) {
    // Room left for the window's frame and title bar.
    const QSize marco(16, 48);
    const QSize cabe = disponible - marco;
    return std::min(
        {1.0, double(cabe.width()) / diseno.width(), double(cabe.height()) / diseno.height()});
}

// The design's sizes were made for a narrower font than the desktop's sans: the window's font is
// made just small enough that every caption fits its box (on as many lines as the box is tall).
void ControlesConfiguracion::ajustarLetra() {
    // Letter widths do not shrink exactly with the point size, so a few passes may be needed.
    for (int pasada = 0; pasada < 4; ++pasada) {
        double exceso = 1.0;
        for (QWidget* control : ventana_.findChildren<QWidget*>()) {
            if (!qobject_cast<QLabel*>(control) && !qobject_cast<QAbstractButton*>(control))
                continue;
            const int lineas = std::max(1, control->height() / control->fontMetrics().height());
            exceso =
                std::max(exceso, double(control->sizeHint().width()) / lineas / control->width());
        }
        QFont letra = ventana_.font();
        const double minimo = kPuntosMinimos * escala_;
        if (exceso <= 1.0 || letra.pointSizeF() <= minimo)
            return;
        letra.setPointSizeF(std::max(minimo, letra.pointSizeF() / exceso));
        ventana_.setFont(letra);
    }
}

// Tab numbers of labels and frames are not kept: they never take the focus (pass tab -1).
template <class Control>
Control* ControlesConfiguracion::crear(QWidget* contenedor, const QString& nombre,
                                       const QString& texto, const QRect& twips, int tab) {
    auto* control = new Control(contenedor);
    control->setObjectName(nombre);
    ponerTexto(control, texto);
    control->setGeometry(twips::aPixeles(twips, dpiX_, dpiY_));
    if (tab >= 0)
        porTab_[tab] = control;
    return control;
}

void ControlesConfiguracion::crearTodos() {
    QWidget* const v = &ventana_;
    const auto marco = [this](int i, QWidget* contenedor, const QString& titulo, QRect r) {
        fraOpcion[i] = crear<MarcoConTitulo>(contenedor, indexado("fraOpcion", i), titulo, r, -1);
        return fraOpcion[i];
    };
    const auto casilla = [this](int i, QWidget* contenedor, const QString& texto, QRect r,
                                int tab) {
        chkOpcion[i] =
            crear<CasillaDeVariasLineas>(contenedor, indexado("chkOpcion", i), texto, r, tab);
    };
    const auto etiqueta = [this](int i, QWidget* contenedor, const QString& texto, QRect r) {
        lblEtiq[i] = crear<QLabel>(contenedor, indexado("lblEtiq", i), texto, r, -1);
    };
    const auto dato = [this](int i, QWidget* contenedor, QRect r, int tab) {
        txtDato[i] = crear<QLineEdit>(contenedor, indexado("txtDato", i), {}, r, tab);
    };
    const auto boton = [this](const char* nombre, QWidget* contenedor, const QString& texto,
                              QRect r, int tab) {
        return crear<QPushButton>(contenedor, QString::fromLatin1(nombre), texto, r, tab);
    };
    const auto lista = [this](int i, QWidget* contenedor, QRect r, int tab) {
        auto* caja = crear<QPlainTextEdit>(contenedor, indexado("txtDato", i), {}, r, tab);
        caja->setLineWrapMode(QPlainTextEdit::NoWrap);
        caja->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        caja->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        caja->setTabChangesFocus(true);
        txtRutas[i - 4] = caja;
    };

    casilla(0, v, QStringLiteral("Respaldos variables (se nombran de acuerdo al día)"),
            {240, 120, 5415, 240}, 0);
    QWidget* ciclo = marco(0, v, {}, {1320, 360, 6255, 1095});
    etiqueta(0, ciclo, QStringLiteral("Frecuencia de respaldos:"), {240, 240, 2295, 240});
    optOpcion[0] = crear<QRadioButton>(ciclo, QStringLiteral("optOpcion0"),
                                       QStringLiteral("Semanal"), {3000, 240, 1215, 240}, 3);
    optOpcion[1] = crear<QRadioButton>(ciclo, QStringLiteral("optOpcion1"),
                                       QStringLiteral("Mensual"), {4800, 240, 1095, 240}, 2);
    casilla(1, ciclo, QStringLiteral("En el nombre de la ruta destino, primero el día:"),
            {1200, 600, 4695, 240}, 5);
    casilla(6, ciclo, QStringLiteral("Compartir archivos entre copias"), {1200, 840, 4695, 240}, 4);

    // A server, its user and password, masked, in a frame below the check box that enables it.
    const auto conexion = [&](int primeraEtiqueta, int primerDato, QWidget* grupo, int tab) {
        etiqueta(primeraEtiqueta, grupo, QStringLiteral("Servidor:"), {480, 360, 810, 240});
        etiqueta(primeraEtiqueta + 1, grupo, QStringLiteral("Usuario:"), {480, 840, 750, 240});
        etiqueta(primeraEtiqueta + 2, grupo, QStringLiteral("Contraseña:"), {480, 1320, 1080, 240});
        for (int i = 0; i < 3; ++i) {
            dato(primerDato + i, grupo, {1680, 360 + 480 * i, 4335, 360}, tab + i);
            txtDato[primerDato + i]->setEchoMode(QLineEdit::Password);
        }
    };

    casilla(2, v, QStringLiteral("Respaldar en sitio web, por medio de FTP"),
            {240, 1560, 5415, 240}, 6);
    QWidget* ftp =
        marco(1, v, QStringLiteral("Datos de conexión al FTP"), {1320, 1800, 6255, 2415});
    conexion(1, 0, ftp, 11);
    cmdVerNoVer =
        boton("cmdVerNoVer", ftp, QStringLiteral("&Ver datos"), {4560, 1800, 1455, 495}, 18);

    etiqueta(4, v, QStringLiteral("Ruta destino:"), {240, 4320, 1170, 240});
    dato(3, v, {1560, 4320, 6015, 360}, 15);
    casilla(3, v,
            QStringLiteral("Respaldo diferencial (se respaldarán los archivos actualizados "
                           "posteriormente al último respaldo):"),
            {240, 4800, 5415, 480}, 16);
    casilla(4, v, QStringLiteral("Incluir subdirectorios en el respaldo:"), {240, 5520, 5415, 240},
            17);

    etiqueta(9, v, QStringLiteral("Hora para efectuar el respaldo (en formato de 24 horas):"),
             {240, 6120, 4995, 240});
    etiqueta(10, v, QStringLiteral("Hora:"), {2520, 6600, 495, 240});
    dato(6, v, {3240, 6480, 495, 480}, 23);
    etiqueta(11, v, QStringLiteral("Minutos:"), {4200, 6600, 735, 240});
    dato(7, v, {5160, 6480, 495, 480}, 24);
    for (QLineEdit* caja : {txtDato[6], txtDato[7]}) {
        QFont letra = caja->font();
        letra.setPointSizeF(kPuntosHora * escala_);
        caja->setFont(letra);
    }

    casilla(5, v, QStringLiteral("Copia consistente de la base de datos"), {240, 7200, 5415, 240},
            33);
    QWidget* base = marco(4, v, QStringLiteral("Datos de conexión a la base de datos"),
                          {1320, 7440, 6255, 2415});
    conexion(12, 8, base, 34);
    etiqueta(15, base, QStringLiteral("Tiempo máximo (minutos):"), {480, 1860, 2295, 240});
    dato(11, base, {2880, 1800, 735, 360}, 37);
    txtDato[11]->setValidator(new QIntValidator(1, ajustes::kMinutosMaximos, txtDato[11]));
    cmdVerNoVerBase =
        boton("cmdVerNoVerBase", base, QStringLiteral("Ve&r datos"), {4560, 1800, 1455, 495}, 38);

    Line1 = crear<QFrame>(v, QStringLiteral("Line1"), {}, {7785, 120, 30, 9735}, -1);
    Line1->setFrameShape(QFrame::VLine);
    Line1->setFrameShadow(QFrame::Sunken);

    QWidget* documentos =
        marco(2, v, QStringLiteral("De documentos o archivos VARIOS"), {8040, 1080, 7455, 3015});
    etiqueta(5, documentos, QStringLiteral("Ruta(s) a respaldar:"), {360, 480, 1770, 240});
    cmdExaminar =
        boton("cmdExaminar", documentos, QStringLiteral("&Examinar"), {5760, 240, 1335, 495}, 26);
    lista(4, documentos, {960, 960, 6135, 1800}, 27);

    QWidget* datas = marco(
        3, v,
        QStringLiteral("De la ruta \"DATA\" de MySQL (de ellas NO se incluirán subdirectorios)"),
        {8040, 4440, 7455, 3015});
    etiqueta(8, datas, QStringLiteral("Ruta(s) a respaldar:"), {240, 480, 1770, 240});
    Command1 = boton("Command1", datas, QStringLiteral("&Examinar"), {5760, 240, 1335, 495}, 31);
    lista(5, datas, {960, 960, 6135, 1800}, 32);

    casilla(7, v,
            QStringLiteral("Comprobar copias (se leen de vuelta y la copia de la base se carga "
                           "en un servidor de prueba)"),
            {8040, 7680, 5415, 480}, 39);

    cmdGrabar = boton("cmdGrabar", v, QStringLiteral("&Grabar"), {13560, 9165, 1695, 735}, 19);
}

} // namespace zarvento
