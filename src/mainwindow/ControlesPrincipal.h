#pragma once

#include "engine/LogBox.h"

#include <QLabel>
#include <QPlainTextEdit>

class QFrame;
class QPushButton;
class QTimer;
class QWidget;

namespace zarvento {

// The on-screen log: read-only, monospace, always scrolled to its last line, keeping only its
// last kLineas lines (an agent runs for months; the log file keeps everything).
class CajaBitacora final : public QPlainTextEdit, public LogBox {
public:
    static constexpr int kLineas = 20000;

    explicit CajaBitacora(QWidget* parent);

    void appendLine(const QString& line) override;
    void clear() override { QPlainTextEdit::clear(); }
};

// The notice label where the backup job shows what it is copying (two lines for FTP progress).
class EtiquetaAviso final : public QLabel, public NoticeLabel {
public:
    explicit EtiquetaAviso(QWidget* parent);

    void showNotice(const QString& text) override;
    void hideNotice() override;
};

// The main window's controls, made on the window at their design positions with their captions,
// in the window's keyboard order.
class ControlesPrincipal {
public:
    explicit ControlesPrincipal(QWidget& ventana);

    QTimer* Timer1 = nullptr;
    QPushButton* cmdConfigurar = nullptr;
    CajaBitacora* txtLog = nullptr;
    QPushButton* cmdCerrar = nullptr;
    QPushButton* cmdAccion = nullptr;
    QPushButton* cmdMin = nullptr;
    QLabel* lblTiempo = nullptr;
    EtiquetaAviso* lblAviso = nullptr;
    QLabel* lblTitulo = nullptr;
    QFrame* shpBorde = nullptr;

    // Places the border 25 twips inside the window's top and left edges.
    void colocarBorde();

private:
    template <class Control> Control* crear(const char* nombre, const QRect& twips);
    QRect aPixeles(const QRect& twips) const;

    QWidget& ventana_;
};

} // namespace zarvento
