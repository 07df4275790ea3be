#include "FtpServers.h"
#include "TestSupport.h"
#include "ftp/clsFTP.h"
#include "host/RutasLocales.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace zarvento;
using namespace zarvento::ftp;
using test::FtpServer;
using test::FtpServers;

namespace {

[[maybe_unused]] auto* const kServers = ::testing::AddGlobalTestEnvironment(new FtpServers);

using Events = std::vector<std::pair<qint64, qint64>>;

QByteArray bytes(qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char('a' + i % 26 + (i / 255) % 3);
    return data;
}

// A client connected to one of the servers, working in a folder of its own.
class FtpClient : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        server_ = &FtpServers::byKind(GetParam());
        if (!server_->running)
            GTEST_SKIP() << server_->whyNot.toStdString();
        ftp_.SetModePassive();
        ftp_.SetTransferBinary();
        ftp_.setFileTransferProgress(
            [this](qint64& current, qint64& total) { events_.emplace_back(current, total); });
        ftp_.setEventPump([this] { ++pumps_; });
        ASSERT_TRUE(connect()) << ftp_.GetLastErrorMessage().toStdString();
        folder_ = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name())
                      .replace('/', '_');
        ASSERT_TRUE(ftp_.CreateFTPDirectory(folder_)) << ftp_.GetLastErrorMessage().toStdString();
        ASSERT_TRUE(ftp_.SetFTPDirectory(folder_));
    }
    void TearDown() override { ftp_.CloseConnection(); }

    bool connect() {
        return ftp_.OpenConnection(server_->address, server_->user, server_->password);
    }
    bool vsftpd() const { return server_->kind.startsWith(QLatin1String("vsftpd")); }
    // The local path of a file inside the test's folder on the server.
    QString onServer(const QString& name) const { return server_->local(folder_ + '/' + name); }
    void seed(const QString& name, const QByteArray& content) const {
        server_->seed(folder_ + '/' + name, content);
    }

    const FtpServer* server_ = nullptr;
    clsFTP ftp_;
    QString folder_;
    Events events_;
    int pumps_ = 0;
    test::TempFolder local_;
};

INSTANTIATE_TEST_SUITE_P(Servers, FtpClient, ::testing::Values("pyftpdlib", "vsftpd"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(FtpClient, RefusedLoginsAndClosedPortsFailQuicklyWithoutThePassword) {
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(ftp_.OpenConnection(server_->address, server_->user, "wrong secret"));
    const QString loginError = ftp_.GetLastErrorMessage();
    EXPECT_TRUE(loginError.startsWith("InternetConnect error code: 12014 Message: "))
        << loginError.toStdString();
    EXPECT_TRUE(loginError.contains("530")) << loginError.toStdString();
    EXPECT_FALSE(loginError.contains("wrong secret"));

    EXPECT_FALSE(ftp_.OpenConnection(QStringLiteral("127.0.0.1:%1").arg(test::freeLoopbackPort()),
                                     "u", "p"));
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("InternetConnect error code: 12029"))
        << ftp_.GetLastErrorMessage().toStdString();
    EXPECT_FALSE(ftp_.OpenConnection("127.0.0.1:99999", "u", "p"));
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("InternetConnect error code: 12005"));
    EXPECT_LT(timer.elapsed(), 5000);

    // Without a connection every operation fails with a clear text.
    EXPECT_EQ(ftp_.GetFTPFileSize("x"), -2);
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("FtpFindFirstFile error code: 6 Message: "))
        << ftp_.GetLastErrorMessage().toStdString();
    EXPECT_EQ(ftp_.GetFTPDirectory(), "");
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("FtpGetCurrentDirectory error code: 6"));
    EXPECT_FALSE(ftp_.CreateFTPDirectory("x"));
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("CreateFTPDirectory error code: 6"));
    EXPECT_EQ(ftp_.GetDirectoryListing("*"), nullptr);

    EXPECT_TRUE(connect());
    EXPECT_TRUE(ftp_.GetFTPDirectory().startsWith('/'))
        << "the login folder: " << ftp_.GetFTPDirectory().toStdString();
}

TEST_P(FtpClient, FolderOperationsAndTheServersRefusals) {
    EXPECT_TRUE(ftp_.CreateFTPDirectory("sub"));
    EXPECT_FALSE(ftp_.CreateFTPDirectory("sub"));
    EXPECT_EQ(ftp_.GetLastErrorMessage(),
              vsftpd() ? "550 Create directory operation failed." : "550 File exists.");
    // vsftpd never says "File exists": the folder is recognised by changing into it.
    const QString here = ftp_.GetFTPDirectory();
    EXPECT_TRUE(ftp_.RemoteDirectoryExists("sub"));
    EXPECT_TRUE(ftp_.RemoteDirectoryExists(here + "/sub/"));
    EXPECT_FALSE(ftp_.RemoteDirectoryExists("missing"));
    seed("file.txt", "abc");
    EXPECT_FALSE(ftp_.RemoteDirectoryExists("file.txt"));
    EXPECT_EQ(ftp_.GetFTPDirectory(), here);
    EXPECT_EQ(ftp_.GetLastErrorMessage(),
              vsftpd() ? "550 Create directory operation failed." : "550 File exists.");

    EXPECT_TRUE(ftp_.RenameFTPFile("file.txt", "sub/renamed.txt"));
    EXPECT_TRUE(QFile::exists(onServer("sub/renamed.txt")));
    // A refused RNFR is the error, not the RNTO that follows it.
    EXPECT_FALSE(ftp_.RenameFTPFile("missing.txt", "other.txt"));
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("550"))
        << ftp_.GetLastErrorMessage().toStdString();

    EXPECT_FALSE(ftp_.RemoveFTPDirectory("sub"));
    EXPECT_EQ(ftp_.GetLastErrorMessage(),
              vsftpd() ? "550 Remove directory operation failed." : "550 Directory not empty.");
    EXPECT_TRUE(ftp_.DeleteFTPFile("sub/renamed.txt"));
    EXPECT_FALSE(ftp_.DeleteFTPFile("sub/renamed.txt"));
    EXPECT_EQ(ftp_.GetLastErrorMessage(),
              vsftpd() ? "550 Delete operation failed." : "550 No such file or directory.");
    EXPECT_TRUE(ftp_.RemoveFTPDirectory("sub"));
    EXPECT_FALSE(QFile::exists(onServer("sub")));

    EXPECT_TRUE(ftp_.CreateFTPDirectory("blank ")) << ftp_.GetLastErrorMessage().toStdString();
    EXPECT_TRUE(QFileInfo(onServer("blank ")).isDir());

    // A line break would smuggle a second command to the server.
    EXPECT_FALSE(ftp_.CreateFTPDirectory("evil\r\nMKD injected"));
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("CreateFTPDirectory error code: 87"));
    EXPECT_FALSE(ftp_.DeleteFTPFile("x\nDELE y"));
    EXPECT_FALSE(ftp_.FTPUploadFile(local_ / "none", "a\rb"));
    EXPECT_EQ(ftp_.GetFTPFileSize("a\nb"), -2);
    EXPECT_FALSE(QFile::exists(onServer("injected")));
    EXPECT_FALSE(QFile::exists(onServer("evil")));
    // The connection survived every refusal.
    EXPECT_TRUE(ftp_.CreateFTPDirectory("after"));
}

TEST_P(FtpClient, CurrentFolderIsKeptAndUsedForRelativePaths) {
    const QString start = ftp_.GetFTPDirectory();
    EXPECT_TRUE(start.endsWith('/' + folder_)) << start.toStdString();
    ASSERT_TRUE(ftp_.CreateFTPDirectory("inner folder"));
    EXPECT_TRUE(ftp_.SetFTPDirectory("inner folder"));
    EXPECT_EQ(ftp_.GetFTPDirectory(), start + "/inner folder");
    EXPECT_FALSE(ftp_.SetFTPDirectory("missing"));
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("550"));
    EXPECT_EQ(ftp_.GetFTPDirectory(), start + "/inner folder");

    const QString file = local_ / "rel.txt";
    test::writeFile(file, "relative");
    EXPECT_TRUE(ftp_.FTPUploadFile(file, "rel.txt"));
    EXPECT_EQ(test::readFile(onServer("inner folder/rel.txt")), "relative");
    EXPECT_TRUE(ftp_.SetFTPDirectory(".."));
    EXPECT_EQ(ftp_.GetFTPDirectory(), start);
    EXPECT_EQ(ftp_.GetFTPFileSize("inner folder/rel.txt"), 8);
    EXPECT_TRUE(ftp_.SetFTPDirectory(start + "/inner folder"));
    EXPECT_EQ(ftp_.GetFTPFileSize("rel.txt"), 8);
}

TEST_P(FtpClient, LocalNamesThatAreNotUtf8AreUploaded) {
    const QByteArray path = QFile::encodeName(local_ / "caf") + "\xE9.txt"; // Latin-1
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(fd, "latin", 5), 5);
    ::close(fd);
    EXPECT_TRUE(ftp_.FTPUploadFile(rutas::deBytes(path), "u.txt"))
        << ftp_.GetLastErrorMessage().toStdString();
    EXPECT_EQ(test::readFile(onServer("u.txt")), "latin");
    ::unlink(path.constData()); // the temporary folder's own clean-up cannot name it
}

TEST_P(FtpClient, SizesOfMissingEmptyAndSpacedNames) {
    seed("empty.txt", "");
    seed("my file.txt", "12345");
    seed("my_file.txt", "1234567");
    seed("big.bin", bytes(70000));
    seed("look_alike.txt", "123");
    ftp_.CreateFTPDirectory("x");
    ftp_.CreateFTPDirectory("x"); // leaves a known error text
    const QString before = ftp_.GetLastErrorMessage();

    EXPECT_EQ(ftp_.GetFTPFileSize("missing.txt"), -1);
    EXPECT_EQ(ftp_.GetFTPFileSize("empty.txt"), 0);
    EXPECT_EQ(ftp_.GetFTPFileSize("my file.txt"), 5);
    EXPECT_EQ(ftp_.GetFTPFileSize("my_file.txt"), 7);
    EXPECT_EQ(ftp_.GetFTPFileSize("big.bin"), 70000);
    EXPECT_EQ(ftp_.GetFTPFileSize("look alike.txt"), -1); // only the exact name counts
    EXPECT_EQ(ftp_.GetLastErrorMessage(), before);
}

TEST_P(FtpClient, ListingWithWildcardsCountPositionsAndNames) {
    seed("Alpha.txt", "1");
    seed("beta.txt", "22");
    seed("gamma.dat", "333");
    ASSERT_TRUE(ftp_.CreateFTPDirectory("folder"));

    const auto all = ftp_.GetDirectoryListing("*");
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->Count(), 4);
    EXPECT_EQ(ftp_.Directory(), all);

    const auto texts = ftp_.GetDirectoryListing(ftp_.GetFTPDirectory() + "/*.txt");
    ASSERT_NE(texts, nullptr);
    ASSERT_EQ(texts->Count(), 2);
    const cDirItem& first = texts->Item(1);
    EXPECT_EQ(&texts->Item(first.filename.toUpper()), &first);
    EXPECT_EQ(texts->Item("ALPHA.TXT").FileSize, 1);
    EXPECT_EQ(texts->Item("Beta.Txt").FileSize, 2);
    const cDirItem& file = texts->Item("alpha.txt");
    EXPECT_TRUE(file.Normal);
    EXPECT_FALSE(file.Directory || file.ReadOnly);
    // Listing times are whole minutes of the upload, in local time.
    const double now = dateValueOf(QDateTime::currentDateTimeUtc());
    EXPECT_NEAR(file.LastWriteTime, now, 2.0 / 1440);
    EXPECT_DOUBLE_EQ(file.CreationTime, file.LastWriteTime);

    const auto folders = ftp_.GetDirectoryListing("fold??");
    ASSERT_NE(folders, nullptr);
    ASSERT_EQ(folders->Count(), 1);
    EXPECT_TRUE(folders->Item(1).Directory);
    EXPECT_FALSE(folders->Item(1).Normal);

    ASSERT_TRUE(QFile::setPermissions(onServer("gamma.dat"), QFile::ReadOwner | QFile::ReadOther));
    const auto readOnly = ftp_.GetDirectoryListing("*.dat");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_TRUE(readOnly->Item("gamma.dat").ReadOnly);

    // Nothing matching: no list, no error text, and an empty Directory.
    const QString before = ftp_.GetLastErrorMessage();
    EXPECT_EQ(ftp_.GetDirectoryListing("*.none"), nullptr);
    EXPECT_EQ(ftp_.GetLastErrorMessage(), before);
    ASSERT_NE(ftp_.Directory(), nullptr);
    EXPECT_EQ(ftp_.Directory()->Count(), 0);
    // A listing of a folder that is not there is an error.
    EXPECT_EQ(ftp_.GetDirectoryListing("missing/*"), nullptr);
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("550") ||
                ftp_.GetLastErrorMessage() == before)
        << ftp_.GetLastErrorMessage().toStdString();
}

TEST_P(FtpClient, UploadAndDownloadRaiseAnEventPerBlock) {
    const std::vector<std::pair<qsizetype, Events>> cases = {
        {510, {{255, 510}, {510, 510}, {510, 510}}},
        {256, {{255, 256}, {256, 256}}},
        {254, {{254, 254}}},
        {0, {{0, 0}}},
    };
    for (const auto& [size, expected] : cases) {
        SCOPED_TRACE(size);
        const QString name = QStringLiteral("up%1.bin").arg(size);
        const QByteArray content = bytes(size);
        test::writeFile(local_ / name, content);
        events_.clear();
        pumps_ = 0;
        ASSERT_TRUE(ftp_.FTPUploadFile(" " + (local_ / name) + " ", " " + name + " "))
            << ftp_.GetLastErrorMessage().toStdString();
        EXPECT_EQ(events_, expected);
        EXPECT_EQ(test::readFile(onServer(name)), content);

        if (size == 0)
            continue; // an empty remote file is downloaded by size: covered below
        events_.clear();
        const QString back = local_ / ("back" + name);
        test::writeFile(back, QByteArray(size + 1000, 'x')); // an older, longer file
        ASSERT_TRUE(ftp_.FTPDownloadFile(back, name)) << ftp_.GetLastErrorMessage().toStdString();
        EXPECT_EQ(events_, expected);
        EXPECT_EQ(test::readFile(back), content);
    }

    // Large enough to be sent in several batches.
    const QByteArray large = bytes(3 * 1024 * 1024 + 7);
    test::writeFile(local_ / "large.bin", large);
    events_.clear();
    pumps_ = 0;
    ASSERT_TRUE(ftp_.FTPUploadFile(local_ / "large.bin", "large.bin"));
    EXPECT_EQ(qsizetype(events_.size()), large.size() / 255 + 1);
    EXPECT_LT(pumps_, qsizetype(events_.size()) / 10); // window events run by time, not per block
    EXPECT_EQ(events_.back(), std::make_pair(qint64(large.size()), qint64(large.size())));
    EXPECT_EQ(ftp_.GetFTPFileSize("large.bin"), large.size());
    ASSERT_TRUE(ftp_.FTPDownloadFile(local_ / "large.back", "large.bin"));
    EXPECT_EQ(test::readFile(local_ / "large.back"), large);

    // A missing remote file downloads nothing and leaves the local file alone.
    test::writeFile(local_ / "keep.txt", "keep");
    EXPECT_FALSE(ftp_.FTPDownloadFile(local_ / "keep.txt", "missing.bin"));
    EXPECT_EQ(test::readFile(local_ / "keep.txt"), "keep");
}

TEST_P(FtpClient, StoppingAnUploadAndFailingUploads) {
    test::writeFile(local_ / "stop.bin", bytes(1000));
    ftp_.setFileTransferProgress([this](qint64& current, qint64& total) {
        events_.emplace_back(current, total);
        ftp_.setBlSigue(false);
        current = 0; // the handler's copies do not disturb the transfer
    });
    EXPECT_FALSE(ftp_.FTPUploadFile(local_ / "stop.bin", "stop.bin"));
    EXPECT_EQ(events_, Events({{255, 1000}, {255, 1000}, {255, 1000}, {1000, 1000}}));
    EXPECT_TRUE(ftp_.GetLastErrorMessage().contains("stopped after 255 of 1000 bytes"))
        << ftp_.GetLastErrorMessage().toStdString();
    EXPECT_FALSE(QFile::exists(onServer("stop.bin")));
    EXPECT_EQ(QDir(onServer("")).entryList(QDir::Files), QStringList());
    ftp_.setFileTransferProgress(nullptr);
    ftp_.setBlSigue(true);

    // Nothing to send: no text.
    const QString before = ftp_.GetLastErrorMessage();
    EXPECT_FALSE(ftp_.FTPUploadFile(local_ / "stop.bin", "   "));
    EXPECT_FALSE(ftp_.FTPUploadFile("  ", "x"));
    EXPECT_EQ(ftp_.GetLastErrorMessage(), before);

    // A local file that cannot be read: a clear text and nothing made on the server.
    EXPECT_FALSE(ftp_.FTPUploadFile(local_ / "absent.bin", "absent.bin"));
    EXPECT_TRUE(ftp_.GetLastErrorMessage().contains(local_ / "absent.bin"));
    EXPECT_FALSE(QFile::exists(onServer("absent.bin")));

    // Refused when opened: the server's reply.
    EXPECT_FALSE(ftp_.FTPUploadFile(local_ / "stop.bin", "no/such/folder/x.bin"));
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("55"))
        << ftp_.GetLastErrorMessage().toStdString();

    // Refused only once all the data has arrived.
    if (!vsftpd()) {
        test::writeFile(local_ / "full.bin", bytes(100000));
        EXPECT_FALSE(ftp_.FTPUploadFile(local_ / "full.bin", "full.bin"));
        EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("552"))
            << ftp_.GetLastErrorMessage().toStdString();
        EXPECT_FALSE(ftp_.SimpleFTPPutFile(local_ / "full.bin", "full2.bin"));
        EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("552"));
    }
    // And the session goes on.
    EXPECT_TRUE(ftp_.FTPUploadFile(local_ / "stop.bin", "again.bin"))
        << ftp_.GetLastErrorMessage().toStdString();
    EXPECT_EQ(ftp_.GetFTPFileSize("again.bin"), 1000);
}

TEST_P(FtpClient, OneLoginServesTheSessionUntilItIsClosed) {
    const QString loginFolder = ftp_.GetFTPDirectory().section('/', 0, -2);
    const int before = server_->logins();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(connect());
        EXPECT_EQ(ftp_.GetFTPDirectory(), loginFolder.isEmpty() ? "/" : loginFolder);
        EXPECT_TRUE(ftp_.CreateFTPDirectory(folder_ + QString("/d%1").arg(i)));
        EXPECT_TRUE(ftp_.SetFTPDirectory(folder_));
    }
    EXPECT_EQ(server_->logins(), before);
    // Other parameters, or a closed connection, mean a real login.
    EXPECT_FALSE(ftp_.OpenConnection(server_->address, server_->user, "other"));
    EXPECT_TRUE(connect());
    ftp_.CloseConnection();
    EXPECT_EQ(ftp_.GetFTPFileSize(folder_ + "/d0"), -2);
    EXPECT_TRUE(connect());
    EXPECT_EQ(server_->logins(), before + 2);
}

TEST_P(FtpClient, UploadsReplaceThePreviousCopyOnlyOnceComplete) {
    seed("keep.bin", "previous");
    test::writeFile(local_ / "new.bin", bytes(1000));
    ftp_.setFileTransferProgress([this](qint64&, qint64&) { ftp_.setBlSigue(false); });
    EXPECT_FALSE(ftp_.FTPUploadFile(local_ / "new.bin", "keep.bin"));
    ftp_.setFileTransferProgress(nullptr);
    ftp_.setBlSigue(true);
    EXPECT_EQ(test::readFile(onServer("keep.bin")), "previous");
    if (!vsftpd()) { // refused once all the data has arrived
        seed("full.bin", "previous");
        EXPECT_FALSE(ftp_.FTPUploadFile(local_ / "new.bin", "full.bin"));
        EXPECT_EQ(test::readFile(onServer("full.bin")), "previous");
        QFile::remove(onServer("full.bin"));
    }
    EXPECT_EQ(QDir(onServer("")).entryList(QDir::Files), QStringList{"keep.bin"});
    EXPECT_TRUE(ftp_.FTPUploadFile(local_ / "new.bin", "keep.bin"));
    EXPECT_EQ(test::readFile(onServer("keep.bin")), bytes(1000));
    EXPECT_EQ(QDir(onServer("")).entryList(QDir::Files), QStringList{"keep.bin"});
}

// Encrypted servers are accepted only when the user trusts them: a TLS server through the CA
// file in the user's configuration folder, an SSH server through ~/.ssh/known_hosts.
TEST(EncryptedServers, UntrustedCertificatesAndHostKeysAreRefused) {
    for (const auto& [kind, trust, code] : {std::tuple{"vsftpd-tls", "XDG_CONFIG_HOME", "12045"},
                                            std::tuple{"sftp", "HOME", "12046"}}) {
        const FtpServer& server = FtpServers::byKind(kind);
        ASSERT_TRUE(server.running) << server.whyNot.toStdString();
        clsFTP ftp;
        const QByteArray trusted = qgetenv(trust);
        qputenv(trust, "/nonexistent");
        EXPECT_FALSE(ftp.OpenConnection(server.address, server.user, server.password));
        qputenv(trust, trusted);
        EXPECT_TRUE(ftp.GetLastErrorMessage().startsWith(
            QStringLiteral("InternetConnect error code: ") + code))
            << ftp.GetLastErrorMessage().toStdString();
    }
    // The TLS server refuses a login in clear.
    const FtpServer& tls = FtpServers::byKind("vsftpd-tls");
    clsFTP ftp;
    EXPECT_FALSE(ftp.OpenConnection(tls.address.mid(7), tls.user, tls.password));
    EXPECT_TRUE(ftp.GetLastErrorMessage().contains("530"));
}

// Names that begin with "." are asked for with "LIST -a"; a server that refuses the option is
// listed plainly.
TEST(PlainListing, AServerThatRefusesTheHiddenOptionIsListedPlainly) {
    const FtpServer& server = FtpServers::byKind("pyftpdlib");
    ASSERT_TRUE(server.running) << server.whyNot.toStdString();
    server.seed("opciones/a.txt", "abc");
    clsFTP ftp;
    ASSERT_TRUE(ftp.OpenConnection(server.address, server.user + "-sin-opciones", server.password));
    for (int i = 0; i < 2; ++i) {
        const auto entries = ftp.FolderEntries("/opciones");
        ASSERT_TRUE(entries) << ftp.GetLastErrorMessage().toStdString();
        ASSERT_EQ(entries->size(), 1);
        EXPECT_EQ(entries->front().name, "a.txt");
    }
}

// A server that accepts the connection and never says a word.
TEST(SilentServer, WindowEventsRunWhileTheClientWaits) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    clsFTP ftp;
    QElapsedTimer sincePump;
    sincePump.start();
    qint64 longestWait = 0;
    int pumps = 0;
    int lateOnes = 0; // a loaded machine may hold any process back now and then
    ftp.setEventPump([&] {
        ++pumps;
        const qint64 wait = sincePump.restart();
        lateOnes += wait > 50;
        longestWait = std::max(longestWait, wait);
    });
    EXPECT_FALSE(
        ftp.OpenConnection(QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port)), "u", "p"));
    ::close(fd);
    EXPECT_TRUE(ftp.GetLastErrorMessage().startsWith("InternetConnect error code: 12002"))
        << ftp.GetLastErrorMessage().toStdString();
    EXPECT_GT(pumps, 250); // 15 s of waiting
    EXPECT_LE(lateOnes, pumps / 20);
    EXPECT_LE(longestWait, 500);
}

TEST_P(FtpClient, WholeFileTransfersInActiveAndPassiveMode) {
    for (const bool active : {true, false}) {
        SCOPED_TRACE(active ? "active" : "passive");
        active ? ftp_.SetModeActive() : ftp_.SetModePassive();
        ASSERT_TRUE(connect());
        ASSERT_TRUE(ftp_.SetFTPDirectory(folder_));
        const QByteArray content = bytes(100000);
        const QString name = active ? "active.bin" : "passive.bin";
        test::writeFile(local_ / name, content);
        ASSERT_TRUE(ftp_.SimpleFTPPutFile(local_ / name, name))
            << ftp_.GetLastErrorMessage().toStdString();
        EXPECT_EQ(test::readFile(onServer(name)), content);
        test::writeFile(local_ / "got.bin", QByteArray(200000, 'x'));
        ASSERT_TRUE(ftp_.SimpleFTPGetFile(local_ / "got.bin", name));
        EXPECT_EQ(test::readFile(local_ / "got.bin"), content);
        const auto listing = ftp_.GetDirectoryListing(name);
        ASSERT_NE(listing, nullptr);
        EXPECT_EQ(listing->Item(1).FileSize, content.size());
    }
    EXPECT_FALSE(ftp_.SimpleFTPPutFile(local_ / "absent.bin", "absent.bin"));
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("SimpleFtpPutFile error"));
    EXPECT_FALSE(ftp_.SimpleFTPGetFile(local_ / "x.bin", "absent.bin"));
    EXPECT_TRUE(ftp_.GetLastErrorMessage().startsWith("550"));
    EXPECT_FALSE(QFile::exists(local_ / "x.bin"));
}

// A caller that knows the size spares the SIZE command, so the size check is its own.
TEST_P(FtpClient, ReceivingAFileOfAKnownSizeFailsWhenTheSizeDiffers) {
    ASSERT_TRUE(connect());
    ASSERT_TRUE(ftp_.SetFTPDirectory(folder_));
    const QByteArray content = bytes(70000);
    test::writeFile(local_ / "known.bin", content);
    ASSERT_TRUE(ftp_.SimpleFTPPutFile(local_ / "known.bin", "known.bin"));
    for (const qint64 size : {content.size() - 1, content.size() + 1, content.size()}) {
        SCOPED_TRACE(size);
        QBuffer got;
        got.open(QIODevice::WriteOnly);
        EXPECT_EQ(ftp_.SimpleFTPGetFile(got, "got", "known.bin", size), size == content.size())
            << ftp_.GetLastErrorMessage().toStdString();
        if (size == content.size()) {
            EXPECT_EQ(got.data(), content);
        }
    }
}

} // namespace
