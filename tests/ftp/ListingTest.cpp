#include "TestSupport.h"
#include "ftp/FtpAddress.h"
#include "ftp/RemoteListing.h"
#include "ftp/ReplyRecorder.h"
#include "ftp/TemporaryName.h"
#include "ftp/cDirList.h"
#include "ftp/clsFTP.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace zarvento::ftp;

TEST(FtpAddress, HostPortAndBracketedLiterals) {
    auto plain = FtpAddress::parse("ftp.example.com");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->host, "ftp.example.com");
    EXPECT_EQ(plain->port, 21);

    auto withPort = FtpAddress::parse(" 127.0.0.1:2121 ");
    ASSERT_TRUE(withPort);
    EXPECT_EQ(withPort->host, "127.0.0.1");
    EXPECT_EQ(withPort->port, 2121);

    auto v6 = FtpAddress::parse("[::1]:2200");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "::1");
    EXPECT_EQ(v6->port, 2200);
    EXPECT_EQ(FtpAddress::parse("[::1]")->port, 21);
    EXPECT_EQ(FtpAddress::parse("fe80::1")->host, "fe80::1");
    EXPECT_FALSE(withPort->tls);
    const auto tls = FtpAddress::parse("FTPS://[::1]:990/");
    ASSERT_TRUE(tls);
    EXPECT_TRUE(tls->tls);
    EXPECT_EQ(tls->port, 990);
    const auto ssh = FtpAddress::parse("sftp://backup.example.com");
    ASSERT_TRUE(ssh);
    EXPECT_TRUE(ssh->ssh && !ssh->tls);
    EXPECT_EQ(ssh->port, 22);
    EXPECT_EQ(ssh->urlOf("/"), "sftp://backup.example.com:22/");
    EXPECT_EQ(ssh->urlOf("/a b/"), "sftp://backup.example.com:22/a%20b/");

    for (const char* bad : {"", "host:", "host:0", "host:70000", "host:abc", "[::1", "[::1]x",
                            "user@host", "host/path", "ftps://", "http://host"})
        EXPECT_FALSE(FtpAddress::parse(bad)) << bad;
}

TEST(FtpAddress, UrlsAreAbsoluteAndEscaped) {
    const FtpAddress address{"127.0.0.1", 2121};
    EXPECT_EQ(address.urlOf("/"), "ftp://127.0.0.1:2121/%2F/");
    EXPECT_EQ(address.urlOf("/a b/c?#.txt"), "ftp://127.0.0.1:2121/%2Fa%20b/c%3F%23.txt");
    EXPECT_EQ(address.urlOf("/a/"), "ftp://127.0.0.1:2121/%2Fa/");
    EXPECT_EQ(FtpAddress({"::1", 21}).urlOf("/f"), "ftp://[::1]:21/%2Ff");
}

TEST(RemoteListing, ParsesBothServersLinesAndSkipsTheRest) {
    const QDateTime now(QDate(2026, 3, 10), QTime(12, 0), Qt::UTC);
    const QByteArray listing =
        "total 12\r\n"
        "drwxr-xr-x   2 owner    group        4096 Dec 08 19:04 a folder\r\n"
        "-rw-r--r--    1 1000     1000   3221225472 Mar 09 07:05 big.bin\r\n"
        "-r--r--r--   1 owner    group           0 Jan 02  2019 read only.txt\r\n"
        "lrwxrwxrwx   1 owner    group           4 Mar 01 10:00 link -> target\r\n"
        "drwxr-xr-x   2 owner    group        4096 Mar 01 10:00 .\r\n"
        "garbage line\r\n";
    const QList<RemoteEntry> entries = parseListing(listing, now);
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0].name, "a folder");
    EXPECT_TRUE(entries[0].isFolder);
    // December without a year is in the past: last year's.
    EXPECT_EQ(entries[0].modified, QDateTime(QDate(2025, 12, 8), QTime(19, 4), Qt::UTC));
    EXPECT_EQ(entries[1].size, Q_INT64_C(3221225472));
    EXPECT_EQ(entries[1].modified, QDateTime(QDate(2026, 3, 9), QTime(7, 5), Qt::UTC));
    EXPECT_FALSE(entries[2].ownerCanWrite);
    EXPECT_EQ(entries[2].name, "read only.txt");
    EXPECT_EQ(entries[2].modified, QDateTime(QDate(2019, 1, 2), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(entries[3].name, "link");
}

TEST(RemoteListing, WildcardsMatchOneCharacterOrAnyRun) {
    EXPECT_TRUE(WildcardPattern("my?file.txt").matches("my file.txt"));
    EXPECT_FALSE(WildcardPattern("my?file.txt").matches("myfile.txt"));
    EXPECT_TRUE(WildcardPattern("*.txt").matches(".txt"));
    EXPECT_TRUE(WildcardPattern("a*b*c").matches("a--b--c"));
    EXPECT_FALSE(WildcardPattern("a*b*c").matches("a--b--cd"));
    EXPECT_FALSE(WildcardPattern("*.TXT").matches("x.txt"));
    // Regular-expression and bracket characters are literal.
    EXPECT_TRUE(WildcardPattern("[1]+(x).txt").matches("[1]+(x).txt"));
    EXPECT_FALSE(WildcardPattern("[1].txt").matches("1.txt"));
    EXPECT_TRUE(WildcardPattern("*.*").matches("no-dot"));
    EXPECT_TRUE(WildcardPattern("*").matches("line\nbreak"));
}

TEST(cDirList, FlagsPositionsNamesAndClear) {
    cDirList list;
    const cDirItem& folder = list.Add(0x30, 1.5, 2.0, 3.25, 0, "Ventas");
    EXPECT_TRUE(folder.Directory);
    EXPECT_TRUE(folder.Archive);
    EXPECT_FALSE(folder.ReadOnly || folder.Hidden || folder.System || folder.Normal ||
                 folder.Temporary || folder.Compressed || folder.Offline);
    EXPECT_DOUBLE_EQ(folder.LastWriteTime, 3.25);
    const cDirItem& all = list.Add(0x1FB7, 0, 0, 0, Q_INT64_C(5000000000), "todo.bin");
    EXPECT_TRUE(all.ReadOnly && all.Hidden && all.System && all.Directory && all.Archive &&
                all.Normal && all.Temporary && all.Compressed && all.Offline);
    list.Add(0x80, 0, 0, 0, 1, "VENTAS"); // same name in another case: kept, found second
    list.Add(0x80, 0, 0, 0, 2, "d");
    list.Add(0x80, 0, 0, 0, 3, "e");

    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.Item(1).filename, "Ventas");
    EXPECT_EQ(list.Item(5).filename, "e");
    EXPECT_EQ(list.Item("ventas").filename, "Ventas");
    EXPECT_EQ(list.Item("TODO.BIN").FileSize, Q_INT64_C(5000000000));
    EXPECT_THROW(list.Item(0), std::out_of_range);
    EXPECT_THROW(list.Item(6), std::out_of_range);
    EXPECT_THROW(list.Item("missing"), std::out_of_range);
    QStringList order;
    for (const cDirItem& item : list)
        order << item.filename;
    EXPECT_EQ(order, QStringList({"Ventas", "todo.bin", "VENTAS", "d", "e"}));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_THROW(list.Item("ventas"), std::out_of_range);
}

TEST(DateValue, DayCountsFromTheEndOf1899InLocalTime) {
    EXPECT_DOUBLE_EQ(dateValueOf(QDateTime(QDate(1899, 12, 31), QTime(12, 0), Qt::UTC)), 1.5);
    EXPECT_DOUBLE_EQ(dateValueOf(QDateTime(QDate(2000, 1, 1), QTime(6, 0), Qt::UTC)), 36526.25);
    EXPECT_DOUBLE_EQ(dateValueOf(QDateTime()), 0);
}

TEST(ReplyRecorder, PairsRepliesAndMasksThePassword) {
    ReplyRecorder recorder;
    recorder.replyReceived("220 ready\r\n", 11);
    recorder.commandSent("PASS s3cret\r\n", 13);
    recorder.replyReceived("230-Welcome\r\n", 13);
    recorder.replyReceived("230 Logged in\r\n", 15);
    recorder.commandSent("MKD /x\r\n", 8);
    recorder.replyReceived("550 File exists.\r\n", 18);
    ASSERT_EQ(recorder.exchanges().size(), 3);
    EXPECT_EQ(recorder.exchanges()[1].command, "PASS ****");
    EXPECT_EQ(recorder.exchanges()[1].code, 230);
    EXPECT_EQ(recorder.exchanges()[1].reply, "230-Welcome\r\n230 Logged in");
    EXPECT_EQ(recorder.lastErrorReply(), "550 File exists.");
    for (const auto& exchange : recorder.exchanges())
        EXPECT_FALSE(exchange.command.contains("s3cret"));
}

TEST(TemporaryName, HiddenAtMost255BytesAndReadBack) {
    const QString wide = QString::fromUtf8("\xF0\x9F\x98\x80").repeated(60) + ".txt";
    for (const QString& name :
         {QString("a.txt"), QString("x.zv-parcial"), QString(250, 'x'), wide}) {
        const TemporaryName made{TemporaryName::Kind::Aside, TemporaryName::keyOf(name),
                                 TemporaryName::nextStamp(), 1234, name};
        const QString text = made.text();
        EXPECT_TRUE(text.startsWith(".zva-"));
        EXPECT_LE(text.toUtf8().size(), 255);
        EXPECT_EQ(QString::fromUtf8(text.toUtf8()), text); // never half a character
        const auto read = TemporaryName::parse(text);
        ASSERT_TRUE(read) << text.toStdString();
        EXPECT_EQ(read->kind, made.kind);
        EXPECT_EQ(read->key, made.key);
        EXPECT_EQ(read->stamp, made.stamp);
        EXPECT_EQ(read->size, 1234);
        // A name that had to be shortened is known only by its key.
        EXPECT_EQ(read->finalName, name.toUtf8().size() < 200 ? name : QString());
    }
    for (const char* other : {"a.txt.zv-parcial", ".zvtmp-12-3", ".zvn-1234567-1-2-a", "a.txt"})
        EXPECT_FALSE(TemporaryName::parse(other)) << other;
    const qint64 first = TemporaryName::nextStamp();
    EXPECT_LT(first, TemporaryName::nextStamp());
}
