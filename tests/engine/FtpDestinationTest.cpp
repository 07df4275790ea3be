#include "EngineFixture.h"
#include "FtpServers.h"
#include "ftp/TemporaryName.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <functional>

using namespace zarvento;
using namespace zarvento::test;

namespace {

const auto* const kServers = ::testing::AddGlobalTestEnvironment(new FtpServers);

// Every file of a folder on the server, hidden ones too.
QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The hidden name an upload of that file to a server would wait under.
QString temporaryOf(const QString& name, ftp::TemporaryName::Kind kind, qint64 size) {
    return ftp::TemporaryName{kind, ftp::TemporaryName::keyOf(name),
                              ftp::TemporaryName::nextStamp(), size, name}
        .text();
}

// Backups of one route to each of the real FTP servers on loopback.
class FtpDestinationTest : public EngineTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(server().running) << server().whyNot.toStdString();
        job->RespaldoEnFTP(true);
        job->FTPservidor(server().address);
        job->ftpUsuario(server().user);
        job->FTPpassword(server().password);
        job->RutaDestino(remoteRoot() + "/" + carpeta());
        job->IncluirSubdirectorios(true);
    }

    const FtpServer& server() const { return FtpServers::byKind(GetParam()); }
    // pyftpdlib serves its folder as "/"; the others log in there but see the whole file system.
    QString remoteRoot() const {
        return !server().kind.startsWith("pyftpdlib") ? server().root : QString();
    }
    // Each test backs up into a folder of its own on the server.
    static QString carpeta() {
        const QString name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        return name.section('/', 0, 0);
    }
    QString uploaded(const QString& relative) const {
        return server().local(carpeta() + "/" + relative);
    }
    QString summary(const QString& label) const {
        for (const QString& line : log.lines) {
            if (line.startsWith("*)" + label + ":"))
                return line.mid(line.indexOf("> ") + 2);
        }
        return "missing";
    }
};

} // namespace

TEST_P(FtpDestinationTest, RouteTreeGoesIntoCycleFoldersAndDifferentialComparesSizes) {
    writeFile(source("a.txt"), "0123456789");
    writeFile(source("con espacio.txt"), QByteArray(600, 's'));
    writeFile(source(".oculto"), "h");
    writeFile(source("sub/b.txt"), "bbb");
    writeFile(source("sub/hondo/c.txt"), "ccc");
    // Names a server could read as a pattern or as options when given to LIST.
    writeFile(source("Informes 2026 [-a]/acción ñ.txt"), "ñ");

    ASSERT_TRUE(job->Respaldar()) << readFile(logFile()).toStdString();

    EXPECT_EQ(readFile(uploaded("Mon/origen/a.txt")), "0123456789");
    EXPECT_EQ(readFile(uploaded("Mon/origen/con espacio.txt")), QByteArray(600, 's'));
    EXPECT_EQ(readFile(uploaded("Mon/origen/sub/hondo/c.txt")), "ccc");
    EXPECT_FALSE(QFile::exists(uploaded("Mon/origen/.oculto")));
    EXPECT_EQ(readFile(uploaded("Mon/origen/Informes 2026 [-a]/acción ñ.txt")), "ñ");
    EXPECT_EQ(summary("Archivos respaldados"), "5");
    EXPECT_EQ(fileLinesStartingWith("Subiendo ").size(), 5);
    EXPECT_EQ(fileLinesStartingWith("Subiendo " + source("a.txt") + " - " + remoteRoot() + "/" +
                                    carpeta() + "/Mon/origen/a.txt")
                  .size(),
              1);
    // The notice showed the two-line progress of the 600-byte upload.
    EXPECT_TRUE(notice.shown.contains("con espacio.txt   2 de 6\r\nBytes copiados 600 de 600"));
    EXPECT_FALSE(notice.visible);

    // Differential: same size is not sent again, whatever the time; other size or missing is.
    job->Incremental(true);
    writeFile(source("a.txt"), "9876543210");
    writeFile(source("sub/b.txt"), "bbbb");
    QFile::remove(uploaded("Mon/origen/sub/hondo/c.txt"));
    log.clear();
    ASSERT_TRUE(job->Respaldar()); // the folders exist now: each server says so its own way
    EXPECT_EQ(summary("Archivos respaldados"), "2");
    EXPECT_EQ(readFile(uploaded("Mon/origen/a.txt")), "0123456789");
    EXPECT_EQ(readFile(uploaded("Mon/origen/sub/b.txt")), "bbbb");
    EXPECT_EQ(readFile(uploaded("Mon/origen/sub/hondo/c.txt")), "ccc");
    EXPECT_EQ(summary("Archivos borrados"), "0");
}

TEST_P(FtpDestinationTest, OneLoginPerRunAndLeftoversOfAnInterruptedRunGo) {
    writeFile(source("a.txt"), "aaa");
    writeFile(source("sub/b.txt"), QByteArray(2 * 1024 * 1024, 'b'));
    // pure-ftpd logs its logins to the system log only.
    const bool countable = server().kind != "pure-ftpd";
    const int before = server().logins();
    ASSERT_TRUE(job->Respaldar());
    EXPECT_TRUE(!countable || server().logins() == before + 1);
    // A notice for every 255-byte block would make more than 8,000.
    EXPECT_LT(notice.shown.size(), 200);
    EXPECT_TRUE(notice.shown.contains("b.txt   2 de 2\r\nBytes copiados 2,097,152 de 2,097,152"));

    // A temporary copy cut short goes; a file of the user's that only looks like one stays.
    const QString cut = temporaryOf("b.txt", ftp::TemporaryName::Kind::New, 2 * 1024 * 1024);
    server().seed(carpeta() + "/Mon/origen/sub/" + cut, "partial");
    server().seed(carpeta() + "/Mon/origen/sub/b.txt.zv-parcial", "user's own");
    job->Incremental(true);
    log.clear();
    ASSERT_TRUE(job->Respaldar());
    EXPECT_EQ(filesIn(uploaded("Mon/origen/sub")), QStringList({"b.txt", "b.txt.zv-parcial"}));
    EXPECT_EQ(summary("Archivos respaldados"), "0");
    EXPECT_TRUE(!countable || server().logins() == before + 2) << server().logins();
}

TEST_P(FtpDestinationTest, RefusedUploadIsAFailedCopy) {
    writeFile(source("a.txt"), "a");
    writeFile(source("b.txt"), "b");
    // A folder where the file should go: the server refuses to store it.
    QDir().mkpath(uploaded("Mon/origen/a.txt"));
    if (!server().kind.startsWith("pyftpdlib"))
        server().seed(carpeta() + "/Mon/origen/a.txt/x", "x");

    EXPECT_FALSE(job->Respaldar());

    const int header = log.lines.indexOf("* * * Archivos con error al copiar * * *  ... ");
    ASSERT_GE(header, 0) << log.lines.join('\n').toStdString();
    EXPECT_EQ(log.lines.mid(header + 1), QStringList({source("a.txt") + "  ... "}));
    const QStringList errors = fileLinesStartingWith("Error al copiar " + source("a.txt") + ": ");
    ASSERT_EQ(errors.size(), 1) << fileLines().join('\n').toStdString();
    // The server's own refusal (of the upload or of the rename onto the folder; SFTP servers
    // give no reply codes).
    EXPECT_TRUE(errors[0].contains(QRegularExpression(": [45]5[0-9] |: rename command failed")))
        << errors[0].toStdString();
}

TEST_P(FtpDestinationTest, UnreachableServerOrWrongPasswordEndsTheRouteWithoutLeakingIt) {
    writeFile(source("a.txt"), "a");
    writeFile(source("sub/b.txt"), "b");
    job->FTPservidor(QString("127.0.0.1:%1").arg(freeLoopbackPort()));
    EXPECT_FALSE(job->Respaldar());
    EXPECT_TRUE(summary("Respaldo interrumpido").contains("error code: 12029"))
        << log.lines.join('\n').toStdString();

    job->FTPservidor(server().address);
    job->FTPpassword("contraseña equivocada");
    log.clear();
    EXPECT_FALSE(job->Respaldar());
    // The route ends after the first folder's two attempts, with the server's refusal.
    EXPECT_TRUE(summary("Respaldo interrumpido").contains("error code: 12014"))
        << log.lines.join('\n').toStdString();
    EXPECT_EQ(summary("Archivos respaldados"), "missing");
    const QByteArray logText = readFile(logFile());
    EXPECT_FALSE(logText.contains("contraseña equivocada"));
    EXPECT_FALSE(logText.contains(server().password.toUtf8()));
    EXPECT_FALSE(QFile::exists(uploaded("Mon/origen/a.txt")));
}

// What a run killed or cut off between the steps of a replacement leaves (the previous copy
// moved aside, the new one complete or not) is put right by the next run, never thrown away.
TEST_P(FtpDestinationTest, AnInterruptedReplacementIsFinishedByTheNextRun) {
    using Kind = ftp::TemporaryName::Kind;
    struct Case {
        QString name;
        QByteArray onServer; // "" for none
        QByteArray aside;    // the previous copy moved aside, "" for none
        QByteArray fresh;    // the new copy, "" for none
        QByteArray expected; // also the source's content: nothing is uploaded again
    };
    const QString longName = QString(120, QChar(0xF1)) + ".txt"; // 244 bytes
    const std::vector<Case> cases = {
        {"aparte.txt", "", "viejo", "nuevo!", "nuevo!"},
        {"solo aparte.txt", "", "viejo", "", "viejo"},
        {"nuevo.txt", "", "", "nuevo!", "nuevo!"},
        {"hecho.txt", "nuevo!", "viejo", "", "nuevo!"},
        {"corto.txt", "viejo", "", "nue", "viejo"},
        {longName, "", "", "nuevo!", "nuevo!"},
    };
    const QString folder = carpeta() + "/Mon/origen/";
    for (const Case& c : cases) {
        writeFile(source(c.name), c.expected);
        if (!c.onServer.isEmpty())
            server().seed(folder + c.name, c.onServer);
        if (!c.aside.isEmpty())
            server().seed(folder + temporaryOf(c.name, Kind::Aside, 6), c.aside);
        if (!c.fresh.isEmpty())
            server().seed(folder + temporaryOf(c.name, Kind::New, 6), c.fresh);
    }
    job->Incremental(true);
    ASSERT_TRUE(job->Respaldar()) << readFile(logFile()).toStdString();

    for (const Case& c : cases)
        EXPECT_EQ(readFile(uploaded("Mon/origen/" + c.name)), c.expected) << c.name.toStdString();
    // The long name does not travel whole in its temporary name: that copy stays until the
    // file's upload has gone through.
    EXPECT_EQ(log.lines.filter("*)Copia recuperada").size(), 3);
    EXPECT_EQ(summary("Archivos respaldados"), "1");
    QStringList names;
    for (const Case& c : cases)
        names << c.name;
    names.sort();
    EXPECT_EQ(filesIn(uploaded("Mon/origen")), names);
}

// Replacing copies on servers that rename over a file, on SSH servers that will not, and on a
// server that refuses every rename; with a name of 250 bytes and a user's file whose name ends
// as the older temporary names did.
TEST_P(FtpDestinationTest, ReplacementsLeaveTheNewCopyAndNothingElse) {
    const QString longName = QString(246, 'l') + ".txt";
    writeFile(source(longName), "1");
    writeFile(source("a.txt.zv-parcial"), "mine");
    writeFile(source("a.txt"), "1");
    ASSERT_TRUE(job->Respaldar()) << readFile(logFile()).toStdString();
    job->Incremental(true);
    const QStringList names = {"a.txt", "a.txt.zv-parcial", longName};
    std::vector<QString> users = {server().user};
    if (server().kind == "pyftpdlib")
        users.push_back(server().user + "-sin-renombrar");
    for (const QString& user : users) {
        SCOPED_TRACE(user.toStdString());
        job->ftpUsuario(user);
        const QByteArray content = readFile(source("a.txt")) + "2";
        writeFile(source("a.txt"), content);
        writeFile(source(longName), content);
        log.clear();
        ASSERT_TRUE(job->Respaldar()) << readFile(logFile()).toStdString();
        EXPECT_EQ(summary("Archivos respaldados"), "2");
        EXPECT_EQ(readFile(uploaded("Mon/origen/a.txt")), content);
        EXPECT_EQ(readFile(uploaded("Mon/origen/" + longName)), content);
        EXPECT_EQ(filesIn(uploaded("Mon/origen")), names);
        EXPECT_EQ(summary("Servidor FTP sin renombrar").startsWith("550 "), user != server().user);
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpDestinationTest,
                         ::testing::Values("pyftpdlib", "pyftpdlib-tls", "vsftpd", "vsftpd-tls",
                                           "pure-ftpd", "proftpd", "sftp"),
                         [](const auto& info) {
                             return QString(info.param).replace('-', '_').toStdString();
                         });

// A backup process of one route to the pyftpdlib server, which stalls uploads of "slow..."
// names for two seconds after every 8 MiB, killed (SIGKILL) in the middle of replacing a good
// remote copy; then run again to its end.
class KilledRunTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(server().running) << server().whyNot.toStdString();
        server().seed(carpeta() + "/origen/slow.bin", "previous copy");
        content = QByteArray(20 * 1024 * 1024, '\0');
        for (qsizetype i = 0; i < content.size(); ++i)
            content[i] = char(i * 7919 >> 8);
        writeFile(source("slow.bin"), content);
    }

    static const FtpServer& server() { return FtpServers::byKind("pyftpdlib"); }
    static QString carpeta() {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    QString remote(const QString& name = {}) const {
        return server().local(carpeta() + "/origen/" + name);
    }
    void start(const QString& user) {
        run.setProgram(QStringLiteral(ZARVENTO_ROUTE_DRIVER));
        run.setArguments({source(), "/" + carpeta(), "differential", dir / "programa",
                          server().address, user, server().password});
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start();
        ASSERT_TRUE(run.waitForStarted());
    }
    // Kills the run once the file has grown past 1 MiB on the server.
    void killWhenGrown(const std::function<QString()>& file) {
        QElapsedTimer waited;
        waited.start();
        while (QFileInfo(file()).size() < 1024 * 1024 && waited.elapsed() < 30000 &&
               !run.waitForFinished(2)) {
        }
        ASSERT_EQ(run.state(), QProcess::Running);
        run.kill();
        run.waitForFinished();
        EXPECT_LT(QFileInfo(file()).size(), content.size()); // killed midway
    }
    void runAgainToTheEnd() {
        run.start();
        ASSERT_TRUE(run.waitForFinished(60000));
        EXPECT_EQ(run.exitCode(), 0);
        EXPECT_TRUE(readFile(remote("slow.bin")) == content);
        EXPECT_EQ(filesIn(remote()), QStringList{"slow.bin"});
    }

    QProcess run;
    QByteArray content;
};

TEST_F(KilledRunTest, KilledUploadLeavesThePreviousCopyAndTheNextRunReplacesIt) {
    start(server().user);
    killWhenGrown([&] {
        const QStringList names = filesIn(remote()).filter(".zvn-");
        return names.isEmpty() ? QString() : remote(names[0]);
    });
    EXPECT_EQ(readFile(remote("slow.bin")), "previous copy");
    runAgainToTheEnd();
}

// On a server that refuses renames, killed while the file is sent the second time, straight
// over its name: the complete temporary copy is then the whole one, and stays.
TEST_F(KilledRunTest, KilledReplacementOnAServerWithoutRenamesKeepsAWholeCopy) {
    start(server().user + "-sin-renombrar");
    killWhenGrown([&] { return remote("slow.bin"); });
    const QStringList left = filesIn(remote());
    ASSERT_EQ(left.size(), 2);
    EXPECT_TRUE(readFile(remote(left[0])) == content) << left[0].toStdString();
    runAgainToTheEnd();
}
