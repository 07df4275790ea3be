#pragma once

#include "MariaDbServer.h"

#include <QProcess>
#include <QString>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace zarvento::test {

// Runs SQL as root through the server's socket; the output in batch form, or throws.
QString rootSql(const MariaDbServer& server, const QString& sql);

// A shop's database: stock, sales and a running total kept by a trigger, plus a procedure, and
// a user allowed to dump it. Clients keep selling on their own threads while a backup runs:
// each sale takes its quantity off the stock in one transaction, so stock plus sales stays
// kTotal and the trigger's total equals the sum of the sales.
class ShopDatabase {
public:
    static constexpr qint64 kTotal = 200000;

    // summaryEngine: the engine of the table the trigger keeps the total in; one without
    // transactions ("Aria") is written at once, whatever the sale's transaction does.
    ShopDatabase(MariaDbServer server, QString name, QString user, QString password,
                 QString summaryEngine = QStringLiteral("InnoDB"));
    ~ShopDatabase();
    // A new shop database, replacing one of that name.
    static std::unique_ptr<ShopDatabase> created(MariaDbServer server, QString name, QString user,
                                                 QString password,
                                                 QString summaryEngine = QStringLiteral("InnoDB"));

    void create();
    void startSelling(int clients = 3);
    void stopSelling();
    // Waits until the clients have sold that many more times; false when they do not sell.
    bool waitForSales(qint64 more) const;

    // Restores the dump into the server in place of the database of that name and gives its
    // "total drift triggers routines", which is whole() when it restored whole and consistent;
    // else the client's reason.
    static QString restored(const MariaDbServer& server, const QString& name,
                            const QString& dumpFile);
    static QString whole() { return QStringLiteral("%1 0 1 1").arg(kTotal); }

private:
    void sell(unsigned seed);

    MariaDbServer server_;
    QString name_;
    QString user_;
    QString password_;
    QString summaryEngine_;
    std::atomic<bool> selling_{false};
    std::atomic<qint64> sales_{0};
    std::vector<std::thread> clients_;
};

// A root session holding a write lock on a table, as a long ALTER or a stuck transaction
// would: every reader of the table waits until the lock is destroyed.
class TableLock {
public:
    TableLock(const MariaDbServer& server, const QString& table);
    ~TableLock();
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

private:
    MariaDbServer server_;
    QProcess session_;
    QString connection_;
};

} // namespace zarvento::test
