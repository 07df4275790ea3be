#include "host/BasesDD.h"

#include "host/Componentes.h"
#include "host/SinBloquear.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <errmsg.h>
#include <mysql.h>

namespace zarvento {

void mariadb::CierraConexion::operator()(st_mysql* mysql) const {
    mysql_close(mysql);
}

namespace {

struct CierraSentencia {
    void operator()(MYSQL_STMT* stmt) const { mysql_stmt_close(stmt); }
};
struct LiberaResultado {
    void operator()(MYSQL_RES* result) const { mysql_free_result(result); }
};
using Sentencia = std::unique_ptr<MYSQL_STMT, CierraSentencia>;
using Resultado = std::unique_ptr<MYSQL_RES, LiberaResultado>;

bool fallo(QString* error, const QString& reason) {
    if (error)
        *error = reason;
    return false;
}

// Table and column names cannot be bound, so only plain identifiers are accepted, and quoted.
bool esIdentificador(const QString& nombre) {
    static const QRegularExpression identificador(QStringLiteral("^[A-Za-z0-9_$]{1,64}$"));
    return identificador.match(nombre).hasMatch();
}

QByteArray citado(const QString& identificador) {
    return '`' + identificador.toUtf8() + '`';
}

// The storage a bound parameter points at while the statement runs.
struct Parametro {
    QByteArray texto;
    long long entero = 0;
    double real = 0;
    MYSQL_TIME fecha{};
    unsigned long largo = 0;
};

MYSQL_TIME fechaDe(const QDate& d, enum_mysql_timestamp_type tipo) {
    MYSQL_TIME t{};
    t.year = static_cast<unsigned>(d.year());
    t.month = static_cast<unsigned>(d.month());
    t.day = static_cast<unsigned>(d.day());
    t.time_type = tipo;
    return t;
}

// Points the bind at the value, kept in the parameter; false for a type the server cannot take.
bool enlazar(const QVariant& valor, Parametro& p, MYSQL_BIND& bind) {
    bind = MYSQL_BIND{};
    if (!valor.isValid() || valor.isNull()) {
        bind.buffer_type = MYSQL_TYPE_NULL;
        return true;
    }
    switch (valor.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
        p.texto =
            valor.typeId() == QMetaType::QString ? valor.toString().toUtf8() : valor.toByteArray();
        p.largo = static_cast<unsigned long>(p.texto.size());
        bind.buffer_type = MYSQL_TYPE_STRING;
        bind.buffer = p.texto.data();
        bind.buffer_length = p.largo;
        bind.length = &p.largo;
        return true;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        p.entero = valor.toLongLong();
        bind.buffer_type = MYSQL_TYPE_LONGLONG;
        bind.buffer = &p.entero;
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        p.real = valor.toDouble();
        bind.buffer_type = MYSQL_TYPE_DOUBLE;
        bind.buffer = &p.real;
        return true;
    case QMetaType::QDate:
        p.fecha = fechaDe(valor.toDate(), MYSQL_TIMESTAMP_DATE);
        bind.buffer_type = MYSQL_TYPE_DATE;
        bind.buffer = &p.fecha;
        return true;
    case QMetaType::QDateTime: {
        const QDateTime momento = valor.toDateTime();
        p.fecha = fechaDe(momento.date(), MYSQL_TIMESTAMP_DATETIME);
        p.fecha.hour = static_cast<unsigned>(momento.time().hour());
        p.fecha.minute = static_cast<unsigned>(momento.time().minute());
        p.fecha.second = static_cast<unsigned>(momento.time().second());
        bind.buffer_type = MYSQL_TYPE_DATETIME;
        bind.buffer = &p.fecha;
        return true;
    }
    default:
        return false;
    }
}

QString errorDe(MYSQL* mysql) {
    return QString::fromUtf8(mysql_error(mysql));
}

constexpr const char* kSinTLS = "el servidor no ofrece conexión cifrada (TLS), que se exige";

// Why a TLS connection could not be made, in words, with the library's own reason after them.
QString motivoTLS(const QString& reason, const QString& host, const QString& ca) {
    if (reason.contains(QLatin1String("does not support")))
        return QString::fromUtf8(kSinTLS) + QStringLiteral(" (%1)").arg(reason);
    if (reason.contains(QLatin1String("Validation of SSL server certificate failed")))
        return QStringLiteral("el certificado del servidor no es para %1 (%2)").arg(host, reason);
    if (reason.contains(QLatin1String("certificate")))
        return QStringLiteral("el certificado del servidor no se pudo verificar con %1 (%2)")
            .arg(ca.isEmpty() ? QStringLiteral("las autoridades (CA) del sistema")
                              : QStringLiteral("la autoridad (CA) de ") + ca,
                 reason);
    return QStringLiteral("no se pudo establecer la conexión cifrada (TLS): ") + reason;
}

} // namespace

void Tabla::AddNew() {
    campos_.clear();
    filaNueva_ = true;
}

void Tabla::setField(const QString& campo, const QVariant& valor) {
    for (auto& [nombre, actual] : campos_) {
        if (nombre.compare(campo, Qt::CaseInsensitive) == 0) {
            actual = valor;
            return;
        }
    }
    campos_.emplace_back(campo, valor);
}

bool Tabla::Update(QString* error) {
    const bool filaNueva = std::exchange(filaNueva_, false);
    const auto campos = std::exchange(campos_, {});
    if (!conexion_ || !conexion_->abierta())
        return fallo(error, QStringLiteral("la tabla no está abierta"));
    if (!filaNueva || campos.empty())
        return fallo(error, QStringLiteral("no hay una fila nueva con valores que grabar"));

    QByteArrayList columnas;
    QByteArrayList marcas;
    for (const auto& campo : campos) {
        if (!esIdentificador(campo.first))
            return fallo(error,
                         QStringLiteral("nombre de campo no válido \"%1\"").arg(campo.first));
        columnas.append(citado(campo.first));
        marcas.append("?");
    }
    const QByteArray sql = "INSERT INTO " + citado(nombre_) + " (" + columnas.join(',') +
                           ") VALUES (" + marcas.join(',') + ')';

    std::vector<Parametro> parametros(campos.size());
    std::vector<MYSQL_BIND> binds(campos.size());
    for (std::size_t i = 0; i < campos.size(); ++i) {
        if (!enlazar(campos[i].second, parametros[i], binds[i]))
            return fallo(error, QStringLiteral("el campo \"%1\" tiene un valor de tipo %2")
                                    .arg(campos[i].first, campos[i].second.typeName()));
    }

    MYSQL* mysql = conexion_->handle();
    const Sentencia sentencia(mysql_stmt_init(mysql));
    if (!sentencia)
        return fallo(error, errorDe(mysql));
    MYSQL_STMT* stmt = sentencia.get();
    const bool agregada = sinBloquear(conexion_->bomba_, [&] {
        return mysql_stmt_prepare(stmt, sql.constData(), static_cast<unsigned long>(sql.size())) ==
                   0 &&
               !mysql_stmt_bind_param(stmt, binds.data()) && mysql_stmt_execute(stmt) == 0;
    });
    if (!agregada)
        return fallo(error, QString::fromUtf8(mysql_stmt_error(stmt)));
    return true;
}

BasesDD::BasesDD(const Entorno& entorno) : bomba(entorno.bomba) {}

bool BasesDD::AbrirBdD(Conexion& conexion, const QString& base, QString* error) const {
    CierraBdD(conexion);
    if (cPuerto < 1 || cPuerto > 65535)
        return fallo(error, QStringLiteral("puerto no válido %1").arg(cPuerto));
    std::unique_ptr<MYSQL, mariadb::CierraConexion> mysql(mysql_init(nullptr));
    if (!mysql)
        return fallo(error, QStringLiteral("sin memoria para la conexión"));

    const unsigned espera = kSegundosDeEspera;
    const unsigned protocolo = MYSQL_PROTOCOL_TCP;
    const unsigned sinArchivosLocales = 0;
    mysql_options(mysql.get(), MYSQL_OPT_CONNECT_TIMEOUT, &espera);
    mysql_options(mysql.get(), MYSQL_OPT_READ_TIMEOUT, &espera);
    mysql_options(mysql.get(), MYSQL_OPT_WRITE_TIMEOUT, &espera);
    mysql_options(mysql.get(), MYSQL_OPT_PROTOCOL, &protocolo);
    mysql_options(mysql.get(), MYSQL_OPT_LOCAL_INFILE, &sinArchivosLocales);
    mysql_options(mysql.get(), MYSQL_SET_CHARSET_NAME, "utf8mb4");
    if (cTLS) {
        if (!cCertificadoCA.isEmpty() && !QFileInfo(cCertificadoCA).isReadable())
            return fallo(error, QStringLiteral("no se puede leer el certificado de la autoridad "
                                               "(CA) del servidor %1")
                                    .arg(cCertificadoCA));
        // Both: enforcement alone leaves the server's name unchecked, and verification alone
        // lets a server without TLS through.
        const my_bool si = 1;
        mysql_options(mysql.get(), MYSQL_OPT_SSL_ENFORCE, &si);
        mysql_options(mysql.get(), MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &si);
        if (!cCertificadoCA.isEmpty())
            mysql_options(mysql.get(), MYSQL_OPT_SSL_CA,
                          QFile::encodeName(cCertificadoCA).constData());
    }

    const QByteArray host = cRuta.toUtf8();
    const QByteArray usuario = cUsuario.toUtf8();
    const QByteArray password = cPassword.toUtf8();
    const QByteArray nombreBase = base.toUtf8();
    const bool conectada = sinBloquear(bomba, [&] {
        return mysql_real_connect(mysql.get(), host.constData(), usuario.constData(),
                                  password.constData(),
                                  nombreBase.isEmpty() ? nullptr : nombreBase.constData(),
                                  static_cast<unsigned>(cPuerto), nullptr, 0) != nullptr;
    });
    const auto rechazada = [&](const QString& motivo) {
        return fallo(error,
                     QStringLiteral("no se pudo conectar con %1:%2: ").arg(cRuta).arg(cPuerto) +
                         motivo);
    };
    if (!conectada)
        return rechazada(cTLS && mysql_errno(mysql.get()) == CR_SSL_CONNECTION_ERROR
                             ? motivoTLS(errorDe(mysql.get()), cRuta, cCertificadoCA)
                             : errorDe(mysql.get()));
    if (cTLS && !mysql_get_ssl_cipher(mysql.get()))
        return rechazada(QString::fromUtf8(kSinTLS));
    conexion.mysql_ = std::move(mysql);
    conexion.bomba_ = bomba;
    return true;
}

bool BasesDD::AbrirTabla(Tabla& tabla, Conexion& conexion, const QString& tablaYFiltro,
                         QString* error) const {
    CierraTabla(tabla);
    if (!conexion.abierta())
        return fallo(error, QStringLiteral("la conexión no está abierta"));
    static const QRegularExpression forma(
        QStringLiteral("^\\s*(\\S+)(?:\\s+WHERE\\s+(\\S+)\\s*=\\s*(-?\\d{1,18}))?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch partes = forma.match(tablaYFiltro);
    const bool conFiltro = partes.hasMatch() && !partes.captured(2).isEmpty();
    if (!partes.hasMatch() || !esIdentificador(partes.captured(1)) ||
        (conFiltro && !esIdentificador(partes.captured(2))))
        return fallo(error, QStringLiteral("tabla no válida \"%1\"").arg(tablaYFiltro));

    // The query only confirms that the table (and the filter's column) exist: rows are only added.
    QByteArray sql = "SELECT * FROM " + citado(partes.captured(1));
    if (conFiltro)
        sql += " WHERE " + citado(partes.captured(2)) + " = " +
               QByteArray::number(partes.captured(3).toLongLong());
    sql += " LIMIT 0";
    MYSQL* mysql = conexion.handle();
    const bool consultada = sinBloquear(conexion.bomba_, [&] {
        if (mysql_real_query(mysql, sql.constData(), static_cast<unsigned long>(sql.size())) != 0)
            return false;
        const Resultado filas(mysql_store_result(mysql));
        return filas || mysql_errno(mysql) == 0;
    });
    if (!consultada)
        return fallo(error, errorDe(mysql));

    tabla.conexion_ = &conexion;
    tabla.nombre_ = partes.captured(1);
    return true;
}

qint64 BasesDD::LastId(const Conexion& conexion, const QString& /*tabla*/,
                       const QString& /*campoId*/) const {
    // The server keeps the last assigned id per connection, so other clients' rows never show.
    return conexion.abierta() ? static_cast<qint64>(mysql_insert_id(conexion.handle())) : 0;
}

void BasesDD::CierraTabla(Tabla& tabla) {
    tabla = Tabla();
}

void BasesDD::CierraBdD(Conexion& conexion) {
    conexion.mysql_.reset();
}

} // namespace zarvento
