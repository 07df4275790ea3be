#include "consola/ServiciosDeConsola.h"

namespace zarvento {

MessageAnswer DialogosDeConsola::showMessage(const MessageRequest& request) {
    QString texto = request.text;
    texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\r', '\n');
    errores_ << request.title << QStringLiteral(": ") << texto << '\n';
    errores_.flush();
    return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

void LogEnSalida::appendLine(const QString& line) {
    salida_ << line << '\n';
    salida_.flush();
}

} // namespace zarvento
