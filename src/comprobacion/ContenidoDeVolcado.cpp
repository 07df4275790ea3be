#include "comprobacion/ContenidoDeVolcado.h"

#include <QFile>

namespace zarvento {

namespace {

// The name in backquotes at desde ("``" stands for one backquote); "" when there is none.
QString nombreEntreComillas(const QByteArray& linea, qsizetype desde) {
    if (desde >= linea.size() || linea[desde] != '`')
        return {};
    QByteArray nombre;
    for (qsizetype i = desde + 1; i < linea.size(); ++i) {
        if (linea[i] != '`') {
            nombre += linea[i];
        } else if (i + 1 < linea.size() && linea[i + 1] == '`') {
            nombre += '`';
            ++i;
        } else {
            return QString::fromUtf8(nombre);
        }
    }
    return {};
}

} // namespace

void ContenidoDeVolcado::anotarLinea(const QByteArray& linea) {
    qsizetype desde = 0;
    if (linea.startsWith("INSERT INTO `")) {
        const QString tabla = nombreEntreComillas(linea, 12);
        // The dump writes a table's rows right after creating it.
        insertando_ = static_cast<qsizetype>(tablas.size()) - 1;
        while (insertando_ >= 0 && (tablas[insertando_].nombre != tabla ||
                                    tablas[insertando_].base != bases.value(bases.size() - 1)))
            --insertando_;
        desde = linea.indexOf(" VALUES");
        if (insertando_ < 0 || desde < 0)
            return;
    } else if (insertando_ < 0) {
        if (linea.startsWith("CREATE TABLE `")) {
            tablas.push_back({bases.value(bases.size() - 1), nombreEntreComillas(linea, 13), 0});
        } else if (linea.startsWith("USE `")) {
            const QString base = nombreEntreComillas(linea, 4);
            bases.removeAll(base);
            bases.append(base);
        } else if (linea.startsWith("-- Dump completed")) {
            completo = true;
        }
        return;
    }
    // Rows, one or more to a line, as parenthesised groups outside quoted strings (which never
    // hold a raw line end); the statement's last line ends with ";".
    int nivel = 0;
    bool enTexto = false;
    for (qsizetype i = desde; i < linea.size(); ++i) {
        const char c = linea[i];
        if (enTexto) {
            if (c == '\\')
                ++i;
            else if (c == '\'')
                enTexto = false;
        } else if (c == '\'') {
            enTexto = true;
        } else if (c == '(') {
            if (nivel++ == 0)
                ++tablas[insertando_].filas;
        } else if (c == ')') {
            --nivel;
        }
    }
    if (linea.endsWith(';'))
        insertando_ = -1;
}

std::optional<ContenidoDeVolcado> ContenidoDeVolcado::leer(const QString& archivo, QString& error) {
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly)) {
        error = f.errorString();
        return std::nullopt;
    }
    ContenidoDeVolcado contenido;
    while (!f.atEnd()) {
        QByteArray linea = f.readLine();
        if (linea.endsWith('\n'))
            linea.chop(1);
        contenido.anotarLinea(linea);
    }
    if (f.error() != QFileDevice::NoError) {
        error = f.errorString();
        return std::nullopt;
    }
    return contenido;
}

} // namespace zarvento
