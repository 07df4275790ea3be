#include "mainwindow/ControlesPrincipal.h"

#include "settingswindow/Twips.h"

#include <QFontDatabase>
#include <QFrame>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace zarvento {

namespace {

// The window's inner area, in twips.
constexpr QRect kCliente(0, 0, 10995, 7890);
constexpr int kMargenBorde = 25;

void ponerNegrita(QWidget& control, double puntos = 0) {
    QFont letra = control.font();
    letra.setBold(true);
    if (puntos > 0)
        letra.setPointSizeF(puntos);
    control.setFont(letra);
}

} // namespace

CajaBitacora::CajaBitacora(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setMaximumBlockCount(kLineas);
}

void CajaBitacora::appendLine(const QString& line) {
    appendPlainText(line);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

EtiquetaAviso::EtiquetaAviso(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
}

void EtiquetaAviso::showNotice(const QString& text) {
    QString lineas = text;
    setText(lineas.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    show();
    // Painted now: the work the notice announces starts right after, and the event pump may
    // let its next turn pass.
    repaint();
}

void EtiquetaAviso::hideNotice() {
    hide();
    QLabel::clear();
}

ControlesPrincipal::ControlesPrincipal(QWidget& ventana) : ventana_(ventana) {
    ventana_.setFixedSize(aPixeles(kCliente).size());

    // The border comes first so that every other control lies above it.
    shpBorde = new QFrame(&ventana_);
    shpBorde->setObjectName(QStringLiteral("shpBorde"));
    shpBorde->setFrameShape(QFrame::Box);
    shpBorde->setAttribute(Qt::WA_TransparentForMouseEvents);

    Timer1 = new QTimer(&ventana_);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    cmdConfigurar = crear<QPushButton>("cmdConfigurar", {9360, 6000, 1335, 615});
    cmdConfigurar->setText(QStringLiteral("&Ajustes"));
    txtLog = crear<CajaBitacora>("txtLog", {120, 840, 10695, 4815});
    cmdCerrar = crear<QPushButton>("cmdCerrar", {10365, 180, 375, 420});
    cmdCerrar->setText(QStringLiteral("x"));
    ponerNegrita(*cmdCerrar);
    cmdAccion = crear<QPushButton>("cmdAccion", {9360, 6960, 1335, 615});
    cmdMin = crear<QPushButton>("cmdMin", {9840, 180, 375, 420});
    cmdMin->setText(QStringLiteral("-"));
    ponerNegrita(*cmdMin);
    lblTiempo = crear<QLabel>("lblTiempo", {120, 5760, 8895, 495});
    ponerNegrita(*lblTiempo);
    lblAviso = crear<EtiquetaAviso>("lblAviso", {120, 6360, 8895, 1335});
    lblTitulo = crear<QLabel>("lblTitulo", {120, 120, 10695, 540});
    ponerNegrita(*lblTitulo, 14);
    // The title label spans the window's top, where the two caption buttons sit: they must lie
    // above it to receive the mouse.
    cmdMin->raise();
    cmdCerrar->raise();
}

void ControlesPrincipal::colocarBorde() {
    const QSize ventana = ventana_.size();
    const QPoint margen = aPixeles({kMargenBorde, kMargenBorde, 0, 0}).topLeft();
    shpBorde->setGeometry(margen.x(), margen.y(), ventana.width() - margen.x(),
                          ventana.height() - margen.y());
}

template <class Control>
Control* ControlesPrincipal::crear(const char* nombre, const QRect& twips) {
    auto* control = new Control(&ventana_);
    control->setObjectName(QString::fromLatin1(nombre));
    control->setGeometry(aPixeles(twips));
    return control;
}

QRect ControlesPrincipal::aPixeles(const QRect& twips) const {
    return twips::aPixeles(twips, ventana_.logicalDpiX(), ventana_.logicalDpiY());
}

} // namespace zarvento
