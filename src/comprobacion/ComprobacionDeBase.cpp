#include "comprobacion/ComprobacionDeBase.h"

#include "comprobacion/ContenidoDeVolcado.h"

#include <QFileInfo>

namespace zarvento {

namespace {

QByteArray entreComillas(const QString& nombre) {
    return '`' + nombre.toUtf8().replace('`', "``") + '`';
}

// A value of the client's batch output, whose tabs, line ends and backslashes come escaped.
QString valorDeLote(const QByteArray& campo) {
    QByteArray texto;
    for (qsizetype i = 0; i < campo.size(); ++i) {
        if (campo[i] == '\\' && i + 1 < campo.size()) {
            const char c = campo[++i];
            texto += c == 't' ? '\t' : c == 'n' ? '\n' : c == '0' ? '\0' : c;
        } else {
            texto += campo[i];
        }
    }
    return QString::fromUtf8(texto);
}

} // namespace

ComprobacionDeBase::ComprobacionDeBase(QString carpeta, EventPump& bomba, QDeadlineTimer limite)
    : carpeta_(std::move(carpeta)), bomba_(bomba), limite_(limite) {}

bool ComprobacionDeBase::comprobar(const QString& volcado, const QString& base, QString& falla) {
    const QString nombre = QFileInfo(volcado).fileName();
    QString error;
    const auto contenido = ContenidoDeVolcado::leer(volcado, error);
    if (!contenido) {
        falla = nombre + QStringLiteral(": no se pudo leer: ") + error;
        return false;
    }
    if (!contenido->completo) {
        falla = nombre + QStringLiteral(": volcado incompleto (le falta su final)");
        return false;
    }
    if (contenido->bases != QStringList{base}) {
        falla = nombre + QStringLiteral(": es un volcado de ") +
                (contenido->bases.isEmpty()
                     ? QStringLiteral("ninguna base")
                     : QStringLiteral("la base ") + contenido->bases.join(QStringLiteral(", "))) +
                QStringLiteral(", no de ") + base;
        return false;
    }
    if (!servidor_) {
        servidor_ = std::make_unique<ServidorDePrueba>(carpeta_, bomba_, limite_);
        if (!servidor_->iniciar(error)) {
            servidor_.reset();
            falla = nombre + QStringLiteral(": ") + error;
            return false;
        }
    }
    if (!servidor_->cargar(volcado, error)) {
        falla = nombre + QStringLiteral(": no carga: ") + error;
        return false;
    }
    if (contenido->tablas.empty())
        return true;

    // Every table's check, then its rows, in the dump's order.
    QByteArray sentencias = "CHECK TABLE ";
    for (const TablaDeVolcado& tabla : contenido->tablas) {
        if (&tabla != &contenido->tablas.front())
            sentencias += ", ";
        sentencias += entreComillas(tabla.base) + '.' + entreComillas(tabla.nombre);
    }
    sentencias += ";\n";
    for (const TablaDeVolcado& tabla : contenido->tablas)
        sentencias += "SELECT COUNT(*) FROM " + entreComillas(tabla.base) + '.' +
                      entreComillas(tabla.nombre) + ";\n";
    const auto salida = servidor_->consultar(sentencias, error);
    if (!salida) {
        falla = nombre + QStringLiteral(": ") + error;
        return false;
    }

    QList<QByteArray> lineas = salida->split('\n');
    if (!lineas.isEmpty() && lineas.last().isEmpty())
        lineas.removeLast();
    QList<qint64> cuentas;
    for (const QByteArray& linea : lineas) {
        const QList<QByteArray> campos = linea.split('\t');
        if (campos.size() == 1) {
            cuentas.append(linea.toLongLong());
            continue;
        }
        const QString tipo = valorDeLote(campos.value(2));
        const QString texto = valorDeLote(campos.value(3));
        if (tipo == QStringLiteral("error") ||
            (tipo == QStringLiteral("status") && texto != QStringLiteral("OK"))) {
            QString tabla = valorDeLote(campos.value(0));
            tabla = tabla.mid(base.size() + 1);
            falla = QStringLiteral("Tabla ") + tabla + QStringLiteral(": ") + texto;
            return false;
        }
    }
    if (cuentas.size() != static_cast<qsizetype>(contenido->tablas.size())) {
        falla = nombre + QStringLiteral(": respuesta inesperada del servidor de prueba");
        return false;
    }
    for (size_t i = 0; i < contenido->tablas.size(); ++i) {
        const TablaDeVolcado& tabla = contenido->tablas[i];
        if (cuentas[static_cast<qsizetype>(i)] != tabla.filas) {
            falla = QStringLiteral("Tabla ") + tabla.nombre + QStringLiteral(": ") +
                    QString::number(cuentas[static_cast<qsizetype>(i)]) +
                    QStringLiteral(" filas cargadas de ") + QString::number(tabla.filas) +
                    QStringLiteral(" en el volcado");
            return false;
        }
        filas_ += tabla.filas;
    }
    tablas_ += static_cast<qint64>(contenido->tablas.size());
    return true;
}

} // namespace zarvento
