#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace zarvento::test {

// One FTP server on a loopback port, serving a folder of its own.
struct FtpServer {
    QString kind;
    QString address; // "127.0.0.1:port"
    int port = 0;
    QString user;
    QString password;
    QString root;  // the served folder on the local disk
    QString state; // the server's own files: configuration and logs
    bool running = false;
    QString whyNot; // why the server could not be started

    // Puts a file into the served folder, owned by the server's user.
    void seed(const QString& relativePath, const QByteArray& content) const;
    QString local(const QString& relativePath) const { return root + '/' + relativePath; }
    // Successful logins so far, counted in the server's log.
    int logins() const;
};

// Starts pyftpdlib and vsftpd, each also with explicit TLS ("pyftpdlib-tls", "vsftpd-tls"),
// pure-ftpd, proftpd and an OpenSSH server for SFTP ("sftp") once for the test program and stops
// them at its end. The servers die with the test program even when it crashes.
class FtpServers : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

    static const FtpServer& byKind(const QString& kind);
    // The CA certificate that signed the TLS servers' certificates.
    static const QString& caFile() { return caFile_; }

private:
    struct Running {
        FtpServer server;
        std::unique_ptr<QProcess> process;
    };
    static Running start(const QString& kind, const QString& base, const QString& certificates);

    QTemporaryDir base_;
    static inline std::map<QString, Running> running_;
    static inline QString caFile_;
};

// A port on loopback that nothing listens on at the moment.
int freeLoopbackPort();

} // namespace zarvento::test
