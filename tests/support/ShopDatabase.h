#pragma once

#include "MariaDbServer.h"

#include <QString>
#include <atomic>
#include <thread>
#include <vector>

namespace zarvento::test {

// Runs SQL as root through the server's socket; the output in batch form, or throws.
QString rootSql(const MariaDbServer& server, const QString& sql);
// Feeds a dump to the server as root; false with the client's reason in error.
bool restoreDump(const MariaDbServer& server, const QString& dumpFile, QString& error);

// A shop's database: stock, sales and a running total kept by a trigger, plus a procedure, and
// a user allowed to dump it. Clients keep selling on their own threads while a backup runs:
// each sale takes its quantity off the stock in one transaction, so stock plus sales stays
// kTotal and the trigger's total equals the sum of the sales.
class ShopDatabase {
public:
    static constexpr qint64 kTotal = 200000;

    ShopDatabase(MariaDbServer server, QString name, QString user, QString password);
    ~ShopDatabase();

    void create();
    void startSelling(int clients = 3);
    void stopSelling();
    qint64 sales() const { return sales_; }

    // "total, drift, triggers, routines" of the database on a server where it was restored:
    // "200000 0 1 1" when it restored whole and consistent.
    static QString check(const MariaDbServer& server, const QString& name);

private:
    void sell(unsigned seed);

    MariaDbServer server_;
    QString name_;
    QString user_;
    QString password_;
    std::atomic<bool> selling_{false};
    std::atomic<qint64> sales_{0};
    std::vector<std::thread> clients_;
};

} // namespace zarvento::test
