#include "mainwindow/ServiciosQt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace zarvento {

namespace {

QMessageBox::Icon icono(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton boton(MessageAnswer answer) {
    switch (answer) {
    case MessageAnswer::Yes:
        return QMessageBox::Yes;
    case MessageAnswer::No:
        return QMessageBox::No;
    case MessageAnswer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

MessageAnswer QtDialogService::showMessage(const MessageRequest& request) {
    // Texts may break lines with CR alone, which a Qt label does not show as a break.
    QString texto = request.text;
    texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\r', '\n');
    const bool siNo = request.buttons == MessageButtons::YesNo;
    QMessageBox caja(icono(request.icon), request.title, texto,
                     siNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                     QApplication::activeWindow());
    caja.setDefaultButton(boton(request.defaultButton));
    switch (caja.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        // A yes/no box closed without an answer counts as No.
        return siNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
}

QString QtDialogService::chooseFolder(QObject* owner) {
    return QFileDialog::getExistingDirectory(qobject_cast<QWidget*>(owner));
}

bool QtDialogService::openDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void QtDialogService::beep() {
    QApplication::beep();
}

} // namespace zarvento
