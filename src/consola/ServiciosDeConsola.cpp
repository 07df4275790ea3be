#include "consola/ServiciosDeConsola.h"

#include "comprobacion/ComprobacionDeCopia.h"

#include <cstdio>
#include <cstdlib>

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

FinDeOrden::FinDeOrden(Consola& consola, QString interrumpido) {
    QObject::connect(
        &senales_, &FinPorSenal::pedido, [&consola, interrumpido = std::move(interrumpido)] {
            ComprobacionDeCopia::Descartar();
            consola.errores << consola.programa << QStringLiteral(": ") << interrumpido << '\n';
            consola.errores.flush();
            std::fflush(nullptr);
            std::_Exit(kSalidaFallida);
        });
}

} // namespace zarvento
