#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <utility>
#include <vector>

struct st_mysql;

namespace zarvento {

class EventPump;
struct Entorno;

namespace mariadb {
struct CierraConexion {
    void operator()(st_mysql* mysql) const;
};
} // namespace mariadb

// One connection to a database server, or none; owns its handle and is never copied.
class Conexion {
public:
    bool abierta() const { return mysql_ != nullptr; }
    st_mysql* handle() const { return mysql_.get(); }

private:
    friend class BasesDD;
    friend class Tabla;
    std::unique_ptr<st_mysql, mariadb::CierraConexion> mysql_;
    EventPump* bomba_ = nullptr;
};

// A table opened for adding rows: AddNew starts a row, setField gives a column its value and
// Update writes the row as one INSERT whose values are bound parameters, never SQL text. The
// table uses the connection it was opened on, so it must be closed before that connection ends.
class Tabla {
public:
    bool abierta() const { return conexion_ != nullptr; }
    const QString& nombre() const { return nombre_; }

    void AddNew();
    void setField(const QString& campo, const QVariant& valor);
    // Writes the row started by AddNew; false, with the server's reason in *error, when the row
    // could not be added. The row is finished either way.
    bool Update(QString* error = nullptr);

private:
    friend class BasesDD;
    Conexion* conexion_ = nullptr;
    QString nombre_;
    bool filaNueva_ = false;
    std::vector<std::pair<QString, QVariant>> campos_;
};

// Database connections of the component library, on a MariaDB or MySQL server reached over TCP,
// by default over TLS only. Every connection attempt and every server reply is awaited at most
// kSegundosDeEspera seconds; with a pump, the window's events keep running meanwhile.
class BasesDD {
public:
    static constexpr const char* kClase = "BasesDD";
    static constexpr unsigned kSegundosDeEspera = 5;

    BasesDD() = default;
    explicit BasesDD(const Entorno& entorno);

    EventPump* bomba = nullptr;

    QString cRuta;
    int cPuerto = 3306;
    QString cUsuario;
    QString cPassword;
    QString cMiBase;
    // TLS required, with the server's certificate verified against cCertificadoCA (a PEM file;
    // empty: the system's CA store) and issued for the host of cRuta. Off: a plain connection.
    bool cTLS = true;
    QString cCertificadoCA;

    // Opens the connection to the database on the server of cRuta and cPuerto with cUsuario and
    // cPassword; false, with the reason in *error, when it could not be opened (a server without
    // TLS, or whose certificate does not verify, is refused in words saying so).
    bool AbrirBdD(Conexion& conexion, const QString& base, QString* error = nullptr) const;
    // Opens the table for adding rows. The text is the table's name, optionally followed by a
    // filter "WHERE <column> = <integer>" that selects no row, as in "rdamovtos WHERE Id = -9".
    bool AbrirTabla(Tabla& tabla, Conexion& conexion, const QString& tablaYFiltro,
                    QString* error = nullptr) const;
    // The id the server assigned to the row this connection added last; 0 when none.
    qint64 LastId(const Conexion& conexion, const QString& tabla, const QString& campoId) const;
    // Both harmless when the table or connection was never opened.
    static void CierraTabla(Tabla& tabla);
    static void CierraBdD(Conexion& conexion);
};

} // namespace zarvento
