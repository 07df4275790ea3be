#include "FtpServers.h"

#include <QDir>
#include <QFile>
#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zarvento::test {

namespace {

const QString kUser = QStringLiteral("zarventoftp");
const QString kPassword = QStringLiteral("Cl4ve de prueba");

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// Long enough for a server's first start to unpack it from its Debian packages.
bool waitUntilListening(int port, QProcess& process) {
    for (int i = 0; i < 1200; ++i) {
        if (accepts(port))
            return true;
        if (process.state() == QProcess::NotRunning || process.waitForFinished(50))
            return false;
    }
    return false;
}

} // namespace

int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

void FtpServer::seed(const QString& relativePath, const QByteArray& content) const {
    const QString path = local(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
    file.close();
    const passwd* owner = ::getpwnam(user.toUtf8().constData());
    if (!owner || kind.startsWith(QLatin1String("pyftpdlib")))
        return;
    // The file and the folders made for it belong to the server's user, who may change them.
    for (QString p = path; p.size() > root.size(); p = QFileInfo(p).path())
        ASSERT_EQ(::chown(p.toUtf8().constData(), owner->pw_uid, owner->pw_gid), 0);
}

int FtpServer::logins() const {
    const bool vs = kind.startsWith(QLatin1String("vsftpd"));
    const bool ssh = kind == QLatin1String("sftp");
    const bool pro = kind == QLatin1String("proftpd");
    QFile log(state + (vs ? "/vsftpd.log" : ssh ? "/sshd.log" : "/output.log"));
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    return int(log.readAll().count(vs    ? "OK LOGIN"
                                   : ssh ? "Accepted password"
                                   : pro ? "Login successful."
                                         : "logged in."));
}

FtpServers::Running FtpServers::start(const QString& kind, const QString& base,
                                      const QString& certificates) {
    Running running;
    FtpServer& server = running.server;
    server.kind = kind;
    server.port = freeLoopbackPort();
    const bool tls = kind.endsWith(QLatin1String("-tls"));
    const bool ssh = kind == QLatin1String("sftp");
    server.address = (tls   ? "ftps://"
                      : ssh ? "sftp://"
                            : "") +
                     QStringLiteral("127.0.0.1:%1").arg(server.port);
    server.user = kUser;
    server.password = kPassword;
    server.root = base + '/' + kind + "-root";
    const QString& state = server.state = base + '/' + kind + "-state";
    QDir().mkpath(server.root);
    QDir().mkpath(state);

    const QString scripts = QStringLiteral(ZARVENTO_FTP_SERVER_SCRIPTS);
    QStringList arguments;
    QString program;
    if (kind.startsWith(QLatin1String("pyftpdlib"))) {
        program = QStringLiteral("/usr/bin/python3");
        arguments = {scripts + "/pyftpd.py", QString::number(server.port), server.user,
                     server.password, server.root};
    } else if (ssh) {
        program = scripts + "/sshd.sh";
        arguments = {QString::number(server.port), server.user, server.root, state};
    } else if (kind == QLatin1String("pure-ftpd")) {
        program = scripts + "/pureftpd.sh";
        arguments = {QString::number(server.port), server.user, server.root};
    } else {
        if (::geteuid() != 0) {
            server.whyNot = kind + " needs root: it logs in the system user vsftpd.sh makes";
            return running;
        }
        program = scripts + (kind == QLatin1String("proftpd") ? "/proftpd.sh" : "/vsftpd.sh");
        arguments = {QString::number(server.port), server.user, server.password, server.root,
                     state};
    }
    if (tls)
        arguments << certificates + "/server.pem" << certificates + "/server.key";
    running.process = std::make_unique<QProcess>();
    running.process->setProgram(program);
    running.process->setArguments(arguments);
    running.process->setStandardOutputFile(state + "/output.log");
    running.process->setStandardErrorFile(state + "/output.log", QIODevice::Append);
    // The server goes when the test program goes, also when it crashes.
    running.process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    running.process->start();
    server.running =
        running.process->waitForStarted(5000) && waitUntilListening(server.port, *running.process);
    if (!server.running) {
        QFile log(state + "/output.log");
        log.open(QIODevice::ReadOnly);
        server.whyNot = kind + " did not start: " + QString::fromUtf8(log.readAll());
    }
    return running;
}

void FtpServers::SetUp() {
    ASSERT_TRUE(base_.isValid());
    // Every server's user must reach the served folders.
    ASSERT_EQ(::chmod(base_.path().toUtf8().constData(), 0755), 0);
    const QString certificates = base_.path() + "/certificates";
    QDir().mkpath(certificates);
    ASSERT_EQ(QProcess::execute(QStringLiteral(ZARVENTO_FTP_SERVER_SCRIPTS) + "/certificates.sh",
                                {certificates}),
              0);
    caFile_ = certificates + "/ca.pem";
    // The client trusts the test CA as a user would: through the file in its configuration.
    const QString configuration = base_.path() + "/config";
    QDir().mkpath(configuration + "/zarvento");
    ASSERT_TRUE(QFile::copy(caFile_, configuration + "/zarvento/ftps-ca.pem"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configuration));
    // pure-ftpd, proftpd and sshd log in the system user that vsftpd's script makes.
    for (const char* kind :
         {"pyftpdlib", "pyftpdlib-tls", "vsftpd", "vsftpd-tls", "pure-ftpd", "proftpd", "sftp"})
        running_[kind] = start(kind, base_.path(), certificates);
    // The SFTP server's key is known to the client as a user would have it: in known_hosts.
    const FtpServer& sftp = running_["sftp"].server;
    QFile key(sftp.state + "/host_key.pub");
    QFile knownHosts(base_.path() + "/home/.ssh/known_hosts");
    QDir().mkpath(base_.path() + "/home/.ssh");
    ASSERT_TRUE(key.open(QIODevice::ReadOnly) && knownHosts.open(QIODevice::WriteOnly));
    const QList<QByteArray> typeAndKey = key.readAll().split(' ');
    knownHosts.write(QStringLiteral("[127.0.0.1]:%1 ").arg(sftp.port).toUtf8() + typeAndKey[0] +
                     ' ' + typeAndKey.value(1) + '\n');
    qputenv("HOME", QFile::encodeName(base_.path() + "/home"));
}

void FtpServers::TearDown() {
    for (auto& [kind, running] : running_) {
        if (!running.process)
            continue;
        running.process->terminate();
        if (!running.process->waitForFinished(5000))
            running.process->kill();
        running.process->waitForFinished(1000);
        running.process.reset();
    }
}

const FtpServer& FtpServers::byKind(const QString& kind) {
    return running_[kind].server;
}

} // namespace zarvento::test
