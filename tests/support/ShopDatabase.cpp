#include "ShopDatabase.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <mysql.h>
#include <random>
#include <stdexcept>

namespace zarvento::test {

namespace {

QStringList rootArguments(const MariaDbServer& server) {
    return {QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + server.socket,
            QStringLiteral("-uroot"), QStringLiteral("--batch"),
            QStringLiteral("--skip-column-names")};
}

QString sqlText(const QString& text) {
    QString quoted = text;
    quoted.replace('\\', QStringLiteral("\\\\")).replace('\'', QStringLiteral("\\'"));
    return '\'' + quoted + '\'';
}

bool restoreDump(const MariaDbServer& server, const QString& dumpFile, QString& error) {
    QProcess client;
    client.setStandardInputFile(dumpFile);
    client.start(QStringLiteral("mariadb"), rootArguments(server));
    client.waitForFinished(-1);
    error = QString::fromUtf8(client.readAllStandardError());
    return client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
}

} // namespace

QString rootSql(const MariaDbServer& server, const QString& sql) {
    QProcess client;
    client.start(QStringLiteral("mariadb"), rootArguments(server)
                                                << QStringLiteral("--execute=") + sql);
    client.waitForFinished(-1);
    if (client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0)
        throw std::runtime_error("SQL failed: " + client.readAllStandardError().toStdString());
    return QString::fromUtf8(client.readAllStandardOutput()).trimmed();
}

ShopDatabase::ShopDatabase(MariaDbServer server, QString name, QString user, QString password,
                           QString summaryEngine)
    : server_(std::move(server)), name_(std::move(name)), user_(std::move(user)),
      password_(std::move(password)), summaryEngine_(std::move(summaryEngine)) {}

ShopDatabase::~ShopDatabase() {
    stopSelling();
}

std::unique_ptr<ShopDatabase> ShopDatabase::created(MariaDbServer server, QString name,
                                                    QString user, QString password,
                                                    QString summaryEngine) {
    auto shop = std::make_unique<ShopDatabase>(std::move(server), std::move(name), std::move(user),
                                               std::move(password), std::move(summaryEngine));
    shop->create();
    return shop;
}

bool ShopDatabase::waitForSales(qint64 more) const {
    const qint64 goal = sales_ + more;
    const QDeadlineTimer patience(30000);
    while (sales_ < goal && !patience.hasExpired())
        QThread::msleep(5);
    return sales_ >= goal;
}

void ShopDatabase::create() {
    const QString db = '`' + name_ + '`';
    QString sql =
        QStringLiteral("DROP DATABASE IF EXISTS %1; CREATE DATABASE %1; USE %1;"
                       "CREATE TABLE existencias (id INT PRIMARY KEY, cantidad INT NOT NULL);"
                       "CREATE TABLE ventas (id INT AUTO_INCREMENT PRIMARY KEY, producto INT,"
                       " cantidad INT);"
                       "CREATE TABLE resumen (vendidos BIGINT NOT NULL) ENGINE=%3;"
                       "INSERT INTO resumen VALUES (0);"
                       "INSERT INTO existencias SELECT seq, %2 FROM seq_1_to_2000;"
                       "CREATE TRIGGER suma AFTER INSERT ON ventas FOR EACH ROW"
                       " UPDATE resumen SET vendidos = vendidos + NEW.cantidad;"
                       "CREATE PROCEDURE vender(p INT, q INT)"
                       " INSERT INTO ventas (producto, cantidad) VALUES (p, q);")
            .arg(db)
            .arg(kTotal / 2000)
            .arg(summaryEngine_);
    for (const char* host : {"127.0.0.1", "localhost"}) {
        const QString account = sqlText(user_) + '@' + sqlText(QString::fromLatin1(host));
        sql += QStringLiteral("DROP USER IF EXISTS %1; CREATE USER %1 IDENTIFIED BY %2;"
                              "GRANT SELECT, SHOW VIEW, TRIGGER, EVENT, LOCK TABLES ON %3.* TO %1;"
                              "GRANT SELECT ON mysql.proc TO %1;")
                   .arg(account, sqlText(password_), db);
    }
    rootSql(server_, sql);
    mysql_library_init(0, nullptr, nullptr);
}

void ShopDatabase::startSelling(int clients) {
    selling_ = true;
    for (int i = 0; i < clients; ++i)
        clients_.emplace_back([this, i] { sell(static_cast<unsigned>(i) + 1); });
}

void ShopDatabase::stopSelling() {
    selling_ = false;
    for (std::thread& client : clients_)
        client.join();
    clients_.clear();
}

void ShopDatabase::sell(unsigned seed) {
    MYSQL* db = mysql_init(nullptr);
    if (!mysql_real_connect(db, nullptr, "root", nullptr, name_.toUtf8().constData(), 0,
                            server_.socket.toUtf8().constData(), 0)) {
        mysql_close(db);
        return;
    }
    std::mt19937 random(seed);
    auto run = [db](const QByteArray& sql) { return mysql_query(db, sql.constData()) == 0; };
    while (selling_) {
        const int product = static_cast<int>(random() % 2000) + 1;
        const int quantity = static_cast<int>(random() % 5) + 1;
        const bool sold =
            run("START TRANSACTION") &&
            run(QStringLiteral("UPDATE existencias SET cantidad = cantidad - %1 WHERE id = %2")
                    .arg(quantity)
                    .arg(product)
                    .toUtf8()) &&
            run(QStringLiteral("CALL vender(%1, %2)").arg(product).arg(quantity).toUtf8()) &&
            run("COMMIT");
        if (sold)
            ++sales_;
        else
            run("ROLLBACK");
    }
    mysql_close(db);
}

QString ShopDatabase::restored(const MariaDbServer& server, const QString& name,
                               const QString& dumpFile) {
    const QString db = '`' + name + '`';
    rootSql(server, QStringLiteral("DROP DATABASE IF EXISTS ") + db);
    QString error;
    if (!restoreDump(server, dumpFile, error))
        return error;
    return rootSql(server, QStringLiteral("SELECT (SELECT SUM(cantidad) FROM %1.existencias)"
                                          " + (SELECT COALESCE(SUM(cantidad), 0) FROM %1.ventas),"
                                          " (SELECT COALESCE(SUM(cantidad), 0) FROM %1.ventas)"
                                          " - (SELECT vendidos FROM %1.resumen),"
                                          " (SELECT COUNT(*) FROM information_schema.TRIGGERS"
                                          "  WHERE TRIGGER_SCHEMA = %2),"
                                          " (SELECT COUNT(*) FROM information_schema.ROUTINES"
                                          "  WHERE ROUTINE_SCHEMA = %2)")
                               .arg(db, sqlText(name)))
        .replace('\t', ' ');
}

TableLock::TableLock(const MariaDbServer& server, const QString& table) : server_(server) {
    session_.start(QStringLiteral("mariadb"),
                   rootArguments(server)
                       << QStringLiteral("--unbuffered")
                       << QStringLiteral("--execute=LOCK TABLES %1 WRITE; SELECT CONNECTION_ID();"
                                         " SELECT SLEEP(600)")
                              .arg(table));
    QByteArray output;
    const QDeadlineTimer patience(30000);
    while (!output.contains('\n') && !patience.hasExpired()) {
        session_.waitForReadyRead(100);
        output += session_.readAllStandardOutput();
    }
    connection_ = QString::fromUtf8(output).trimmed();
    if (!output.contains('\n'))
        throw std::runtime_error("no lock on " + table.toStdString());
}

TableLock::~TableLock() {
    // The server ends a sleeping session only when told to.
    rootSql(server_, QStringLiteral("KILL ") + connection_);
    session_.waitForFinished();
}

} // namespace zarvento::test
