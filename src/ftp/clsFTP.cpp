#include "ftp/clsFTP.h"

#include "host/RutasLocales.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvento::ftp {

namespace {

constexpr qint64 kWholeFileChunk = 64 * 1024;

// Opens a local file for reading under the exact bytes its name stands for, also a name that is
// not valid UTF-8; false with the reason in error when it cannot.
bool openForReading(QFile& file, const QString& path, QString& error) {
    const int fd = ::open(rutas::aBytes(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        error = QString::fromLocal8Bit(std::strerror(fd < 0 ? errno : EISDIR));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    error = file.errorString();
    ::close(fd);
    return false;
}

// Only spaces are trimmed: a line break must stay in the text so that it is refused.
QString trimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

// The listing's attribute word: the folder bit or the normal bit, and read-only when the
// owner cannot write.
qint32 attributesOf(const RemoteEntry& entry) {
    qint32 attributes = entry.isFolder ? kAttributeDirectory : kAttributeNormal;
    if (!entry.ownerCanWrite)
        attributes |= kAttributeReadOnly;
    return attributes;
}

} // namespace

DateValue dateValueOf(const QDateTime& time) {
    if (!time.isValid())
        return 0;
    static const QDate kDayZero(1899, 12, 30);
    const QDateTime local = time.toLocalTime();
    return DateValue(kDayZero.daysTo(local.date())) +
           DateValue(local.time().msecsSinceStartOfDay()) / 86'400'000.0;
}

std::shared_ptr<cDirList> clsFTP::Directory() {
    if (!oDirList_)
        oDirList_ = std::make_shared<cDirList>();
    return oDirList_;
}

bool clsFTP::OpenConnection(const QString& sServer, const QString& sUser,
                            const QString& sPassWord) {
    if (!session_.connect(sServer, sUser, sPassWord, lConnectFlags_ == kFlagPassive))
        return ReportError(session_.lastError(), QStringLiteral("InternetConnect"));
    return true;
}

void clsFTP::CloseConnection() {
    session_.disconnect();
}

bool clsFTP::SimpleFTPPutFile(const QString& sLocal, const QString& sRemote) {
    const QString label = QStringLiteral("SimpleFtpPutFile");
    QFile local;
    QString error;
    if (!openForReading(local, sLocal, error))
        return ReportLocalError(label, sLocal, error);
    if (!session_.openUpload(sRemote, ascii()))
        return ReportError(session_.lastError(), label);
    QByteArray chunk;
    while (!(chunk = local.read(kWholeFileChunk)).isEmpty()) {
        if (!session_.write(chunk.constData(), chunk.size())) {
            ReportError(session_.lastError(), label);
            session_.abandonTransfer();
            return false;
        }
    }
    if (local.error() != QFileDevice::NoError) {
        session_.abandonTransfer();
        return ReportLocalError(label, sLocal, local.errorString());
    }
    return session_.closeTransfer() || ReportError(session_.lastError(), label);
}

bool clsFTP::RenameFTPFile(const QString& sExisting, const QString& sNewName) {
    return sendCommands(renameCommands(sExisting, sNewName), QStringLiteral("RenameFTPFile"));
}

bool clsFTP::CreateFTPDirectory(const QString& sDirectory) {
    return sendCommands({QStringLiteral("MKD ") + session_.absolutePath(sDirectory)},
                        QStringLiteral("CreateFTPDirectory"));
}

bool clsFTP::RemoveFTPDirectory(const QString& sDirectory) {
    return sendCommands({QStringLiteral("RMD ") + session_.absolutePath(sDirectory)},
                        QStringLiteral("RemoveFTPDirectory"));
}

bool clsFTP::DeleteFTPFile(const QString& sRemote) {
    return sendCommands({QStringLiteral("DELE ") + session_.absolutePath(sRemote)},
                        QStringLiteral("DeleteFTPFile"));
}

bool clsFTP::FTPUploadFile(const QString& sLocal, const QString& sRemote, RemoteName existing) {
    const QString localPath = trimSpaces(sLocal);
    const QString remotePath = trimSpaces(sRemote);
    if (localPath.isEmpty() || remotePath.isEmpty())
        return false;
    renameRefusal_.clear();
    // The local file is opened first, so a missing one leaves nothing behind on the server.
    QFile local;
    QString error;
    if (!openForReading(local, localPath, error))
        return ReportLocalError(QStringLiteral("FTPUploadFile"), localPath, error);
    const qsizetype nameStart = remotePath.lastIndexOf(QLatin1Char('/')) + 1;
    const QString name = remotePath.mid(nameStart);
    TemporaryName temporaryName{TemporaryName::Kind::New, TemporaryName::keyOf(name),
                                TemporaryName::nextStamp(), local.size(), name};
    const QString temporary = remotePath.left(nameStart) + temporaryName.text();
    if (!sendFile(local, localPath, temporary)) {
        discardUpload(temporary);
        return false;
    }
    return putInPlace(local, localPath, temporaryName, remotePath, existing);
}

bool clsFTP::putInPlace(QFile& local, const QString& localPath, TemporaryName temporaryName,
                        const QString& remotePath, RemoteName existing) {
    const QString folder = remotePath.left(remotePath.lastIndexOf(QLatin1Char('/')) + 1);
    const QString temporary = folder + temporaryName.text();
    if (sendCommands(renameCommands(temporary, remotePath), QStringLiteral("RenameFTPFile")))
        return true;

    // The server would not rename the upload over its name. At every step from here on one
    // whole copy, old or new, stays on the server, and the next run's listing finds the pieces.
    const QString refusal = sLastError_;
    if (existing == RemoteName::Unknown)
        existing = remoteNameOf(remotePath);
    if (existing == RemoteName::Folder) {
        discardUpload(temporary);
        sLastError_ = refusal;
        return false;
    }
    if (existing == RemoteName::File) {
        // Servers that keep an existing name from being renamed over (SSH servers): the
        // previous copy goes aside first and goes only once the new one holds the name.
        temporaryName.kind = TemporaryName::Kind::Aside;
        const QString aside = folder + temporaryName.text();
        if (session_.sendCommands(renameCommands(remotePath, aside))) {
            if (sendCommands(renameCommands(temporary, remotePath),
                             QStringLiteral("RenameFTPFile"))) {
                discardUpload(aside);
                return true;
            }
            // Back as it was; should that fail too, both copies wait for the next run.
            if (session_.sendCommands(renameCommands(aside, remotePath)))
                discardUpload(temporary);
            return false;
        }
    }
    // No rename at all: the file is sent again straight over its name, while the complete
    // temporary copy stands in for it; that copy goes once the server confirmed the second.
    renameRefusal_ = refusal;
    if (!local.seek(0)) {
        discardUpload(temporary);
        return ReportLocalError(QStringLiteral("FTPUploadFile"), localPath, local.errorString());
    }
    bool started = false;
    if (sendFile(local, localPath, remotePath, &started)) {
        discardUpload(temporary);
        return true;
    }
    // Refused before any byte: the previous copy is untouched. Broken off: it may be cut short,
    // and the temporary copy is the whole one.
    if (!started)
        discardUpload(temporary);
    return false;
}

bool clsFTP::sendFile(QFile& local, const QString& localPath, const QString& remote,
                      bool* started) {
    if (!session_.openUpload(remote, ascii()))
        return ReportError(session_.lastError(), QStringLiteral("FtpOpenFile:PutFile"));
    if (started)
        *started = true;
    const qint64 size = local.size();
    qint64 sent = 0;
    bool stopped = false;
    // The file is read in large pieces: a read per block would cost more than the sending.
    QByteArray piece;
    qsizetype taken = 0;
    const auto nextBlock = [&](qint64 length) -> const char* {
        if (piece.size() - taken < length) {
            // The rest moves to the front and the next piece is read in behind it, in place.
            piece.remove(0, taken);
            taken = 0;
            const qsizetype rest = piece.size();
            piece.resize(rest + kWholeFileChunk);
            piece.resize(rest +
                         std::max<qint64>(local.read(piece.data() + rest, kWholeFileChunk), 0));
            if (piece.size() < length)
                return nullptr;
        }
        taken += length;
        return piece.constData() + taken - length;
    };
    const auto sendBlock = [&](qint64 length, const QString& label) {
        const char* block = nextBlock(length);
        if (!block) {
            session_.abandonTransfer();
            return ReportLocalError(QStringLiteral("FTPUploadFile"), localPath,
                                    local.errorString());
        }
        if (!session_.write(block, length)) {
            ReportError(session_.lastError(), label);
            session_.abandonTransfer();
            return false;
        }
        return true;
    };
    for (qint64 i = 0; i < size / kBlockSize; ++i) {
        // Once stopped, an upload stays stopped: sending later blocks would leave a gap.
        stopped = stopped || !blSigue_;
        if (!stopped) {
            if (!sendBlock(kBlockSize, QStringLiteral("InternetWriteFile")))
                return false;
            PumpEvents();
            sent += kBlockSize;
        }
        RaiseProgress(sent, size);
    }
    stopped = stopped || !blSigue_;
    if (!stopped && size % kBlockSize != 0 &&
        !sendBlock(size % kBlockSize, QStringLiteral("InternetWriteFile2")))
        return false;
    if (!session_.closeTransfer())
        return ReportError(session_.lastError(), QStringLiteral("InternetCloseHandle"));
    RaiseProgress(size, size);
    if (stopped) {
        return ReportStopped(QStringLiteral("FTPUploadFile: the upload"), localPath, sent, size);
    }
    return true;
}

QStringList clsFTP::renameCommands(const QString& from, const QString& to) const {
    return {QStringLiteral("RNFR ") + session_.absolutePath(from),
            QStringLiteral("RNTO ") + session_.absolutePath(to)};
}

clsFTP::RemoteName clsFTP::remoteNameOf(const QString& path) {
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const auto entries = session_.listFolder(path.left(nameStart));
    if (!entries)
        return RemoteName::Unknown;
    const QString name = path.mid(nameStart);
    for (const RemoteEntry& entry : *entries)
        if (entry.name == name)
            return entry.isFolder ? RemoteName::Folder : RemoteName::File;
    return RemoteName::Missing;
}

// Best effort: the error text of the failed step stays.
void clsFTP::discardUpload(const QString& temporary) {
    session_.sendCommands({QStringLiteral("DELE ") + session_.absolutePath(temporary)});
}

bool clsFTP::FTPDownloadFile(const QString& sLocal, const QString& sRemote) {
    const QString localPath = trimSpaces(sLocal);
    if (localPath.isEmpty())
        return false;
    // Written beside the old file and put in its place at the end: no bytes of an older,
    // longer file remain, and a failed download leaves the old file as it was.
    QSaveFile local(localPath);
    if (!local.open(QIODevice::WriteOnly))
        return ReportLocalError(QStringLiteral("FTPDownloadFile"), localPath, local.errorString());
    return FTPDownloadFile(local, localPath, sRemote) &&
           commit(local, QStringLiteral("FTPDownloadFile"));
}

bool clsFTP::FTPDownloadFile(QIODevice& local, const QString& localPath, const QString& sRemote) {
    const QString remotePath = trimSpaces(sRemote);
    if (remotePath.isEmpty())
        return false;
    const qint64 size = GetFTPFileSize(remotePath);
    if (size < 0)
        return false;
    if (!session_.openDownload(remotePath, ascii()))
        return ReportError(session_.lastError(), QStringLiteral("FtpOpenFile:GetFile"));
    qint64 received = 0;
    char block[kBlockSize];
    const auto receiveBlock = [&](qint64 length, const QString& label) {
        const qint64 got = session_.read(block, length);
        if (got != length) {
            // A short read means the file ended before the size it was listed with.
            ReportError(got < 0 ? session_.lastError() : InternetError{kConnectionAborted, {}},
                        label);
            session_.abandonTransfer();
            return false;
        }
        if (local.write(block, length) != length) {
            session_.abandonTransfer();
            return ReportLocalError(QStringLiteral("FTPDownloadFile"), localPath,
                                    local.errorString());
        }
        return true;
    };
    for (qint64 i = 0; i < size / kBlockSize; ++i) {
        if (!blSigue_) {
            session_.abandonTransfer();
            return ReportStopped(QStringLiteral("FTPDownloadFile: the download"), remotePath,
                                 received, size);
        }
        if (!receiveBlock(kBlockSize, QStringLiteral("InternetReadFile")))
            return false;
        PumpEvents();
        received += kBlockSize;
        RaiseProgress(received, size);
    }
    if (size % kBlockSize != 0 &&
        !receiveBlock(size % kBlockSize, QStringLiteral("InternetReadFile2")))
        return false;
    if (!session_.closeTransfer())
        return ReportError(session_.lastError(), QStringLiteral("InternetCloseHandle"));
    RaiseProgress(size, size);
    return true;
}

bool clsFTP::SimpleFTPGetFile(const QString& sLocal, const QString& sRemote) {
    QSaveFile local(sLocal);
    if (!local.open(QIODevice::WriteOnly))
        return ReportLocalError(QStringLiteral("SimpleFtpGetFile"), sLocal, local.errorString());
    return SimpleFTPGetFile(local, sLocal, sRemote) &&
           commit(local, QStringLiteral("SimpleFtpGetFile"));
}

bool clsFTP::SimpleFTPGetFile(QIODevice& local, const QString& localPath, const QString& sRemote,
                              qint64 size) {
    const QString label = QStringLiteral("SimpleFtpGetFile");
    if (!session_.openDownload(sRemote, ascii(), size >= 0))
        return ReportError(session_.lastError(), label);
    QByteArray chunk(kWholeFileChunk, Qt::Uninitialized);
    qint64 length = 0;
    qint64 received = 0;
    while ((length = session_.read(chunk.data(), chunk.size())) > 0) {
        if (local.write(chunk.constData(), length) != length) {
            session_.abandonTransfer();
            return ReportLocalError(label, localPath, local.errorString());
        }
        received += length;
    }
    if (length < 0) {
        ReportError(session_.lastError(), label);
        session_.abandonTransfer();
        return false;
    }
    if (!session_.closeTransfer())
        return ReportError(session_.lastError(), label);
    // The server was not asked for the size: a file of another one was cut short or changed.
    if (size >= 0 && received != size)
        return ReportLocalError(label, localPath,
                                QStringLiteral("received %1 bytes of %2, not the %3 expected")
                                    .arg(received)
                                    .arg(sRemote)
                                    .arg(size));
    return true;
}

// QSaveFile's commit does not see a failure of its last buffered write (a full disk): flush
// first, so a short file never takes the name.
bool clsFTP::commit(QSaveFile& local, const QString& label) {
    return (local.flush() && local.commit()) ||
           ReportLocalError(label, local.fileName(), local.errorString());
}

QString clsFTP::GetFTPDirectory() {
    if (!session_.isConnected()) {
        ReportError({kInvalidHandle, {}}, QStringLiteral("FtpGetCurrentDirectory"));
        return {};
    }
    return session_.currentFolder();
}

bool clsFTP::SetFTPDirectory(const QString& sDir) {
    return session_.setCurrentFolder(sDir) ||
           ReportError(session_.lastError(), QStringLiteral("FtpSetCurrentDirectory"));
}

qint64 clsFTP::GetFTPFileSize(const QString& sFile) {
    if (!session_.acceptsPath(sFile)) {
        ReportError(session_.lastError(), QStringLiteral("FtpFindFirstFile"));
        return -2;
    }
    const qsizetype nameStart = sFile.lastIndexOf(QLatin1Char('/')) + 1;
    const auto entries = FolderEntries(sFile.left(nameStart));
    if (!entries)
        return -2;
    const QString name = sFile.mid(nameStart);
    for (const RemoteEntry& entry : *entries)
        if (entry.name == name)
            return entry.size;
    return -1;
}

std::optional<QList<RemoteEntry>> clsFTP::FolderEntries(const QString& sFolder) {
    auto entries = session_.listFolder(sFolder);
    if (!entries)
        ReportError(session_.lastError(), QStringLiteral("FtpFindFirstFile"));
    return entries;
}

std::shared_ptr<cDirList> clsFTP::GetDirectoryListing(const QString& sFilter) {
    oDirList_.reset();
    const auto matches = session_.find(sFilter);
    if (!matches) {
        if (session_.lastError().code != kNoMoreFiles)
            ReportError(session_.lastError(), QStringLiteral("FtpFindFirstFile"));
        return nullptr;
    }
    const auto list = Directory();
    for (const RemoteEntry& entry : *matches) {
        // Listings give one time; it stands for all three.
        const DateValue time = dateValueOf(entry.modified);
        list->Add(attributesOf(entry), time, time, time, entry.size, entry.name);
    }
    return list;
}

bool clsFTP::RemoteDirectoryExists(const QString& sDirectory) {
    return session_.canonicalFolder(sDirectory).has_value();
}

bool clsFTP::ReportError(const InternetError& error, const QString& label) {
    // The server's own reply says best what went wrong.
    if (error.code == kExtendedError)
        sLastError_ = error.detail;
    else
        sLastError_ = label + QStringLiteral(" error code: ") + QString::number(error.code) +
                      QStringLiteral(" Message: ") + error.message();
    return false;
}

bool clsFTP::ReportLocalError(const QString& label, const QString& path, const QString& reason) {
    sLastError_ =
        label + QStringLiteral(" error: local file ") + path + QStringLiteral(": ") + reason;
    return false;
}

// A transfer stopped through blSigue.
bool clsFTP::ReportStopped(const QString& transfer, const QString& path, qint64 done, qint64 size) {
    sLastError_ =
        transfer +
        QStringLiteral(" of %1 was stopped after %2 of %3 bytes.").arg(path).arg(done).arg(size);
    return false;
}

void clsFTP::RaiseProgress(qint64 current, qint64 total) {
    // The handler gets copies: changing them must not disturb the transfer's counters.
    if (onProgress_)
        onProgress_(current, total);
}

// Window events run between blocks too, when due. Even reading the clock for each of a million
// blocks cost a quarter more time than curl alone for a 256 MB upload, so it is read once per
// kBlocksPerClockReading blocks (64 KiB, far less than a pump interval's worth).
void clsFTP::PumpEvents() {
    if (++blocksSinceClockReading_ < kBlocksPerClockReading)
        return;
    blocksSinceClockReading_ = 0;
    session_.pumpWhenDue();
}

bool clsFTP::sendCommands(const QStringList& commands, const QString& label) {
    return session_.sendCommands(commands) || ReportError(session_.lastError(), label);
}

} // namespace zarvento::ftp
