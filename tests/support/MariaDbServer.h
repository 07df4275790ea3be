#pragma once

#include "host/IniFile.h"

#include <QString>

namespace zarvento::test {

// The MariaDB server that the CTest fixture "mariadb" starts for the tests. Its connection file
// is named by the environment variable ZARVENTO_MARIADB_CONNECTION (set it with ENV in
// zarvento_test to ${ZARVENTO_MARIADB_CONNECTION_FILE}).
struct MariaDbServer {
    QString host;
    int port = 0;
    QString database;
    QString user;
    QString password;
    QString readonlyUser;
    QString readonlyPassword;
    // The server's socket file, where root logs in without a password, and its data folder.
    QString socket;
    QString dataDir;
    // The CA certificate that signs the server's (empty for a server without TLS), and another
    // CA's, which does not.
    QString ca;
    QString otherCa;

    bool available() const { return port > 0; }

    static MariaDbServer fromEnvironment(const char* variable = "ZARVENTO_MARIADB_CONNECTION") {
        const QString file = qEnvironmentVariable(variable);
        const auto value = [&file](const char* key) {
            return ini::read(file, QStringLiteral("mariadb"), QString::fromLatin1(key));
        };
        return {value("host"),
                value("port").toInt(),
                value("database"),
                value("user"),
                value("password"),
                value("readonly_user"),
                value("readonly_password"),
                value("socket"),
                value("datadir"),
                value("ca"),
                value("other_ca")};
    }
};

} // namespace zarvento::test
