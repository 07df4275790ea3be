#pragma once

#include "ftp/InternetSession.h"
#include "ftp/TemporaryName.h"
#include "ftp/cDirList.h"

#include <QFile>
#include <QString>
#include <functional>
#include <memory>

class QSaveFile;

namespace zarvento::ftp {

// An FTP client holding one session and one connection at a time. Failures are never thrown:
// every operation returns its failure value and leaves a text in GetLastErrorMessage(), which a
// later success does not clear. Block-wise transfers move 255-byte blocks, raise the progress
// event after each and let pending window events run.
class clsFTP {
public:
    using ProgressHandler = std::function<void(qint64& lCurrentBytes, qint64& lTotalBytes)>;
    using EventPump = std::function<void()>;

    static constexpr int kBlockSize = 255;
    static constexpr qint32 kTransferTypeAscii = 1;
    static constexpr qint32 kTransferTypeBinary = 2;
    static constexpr qint32 kFlagPassive = 0x08000000;

    // What the caller knows of the name an upload replaces.
    enum class RemoteName { Unknown, Missing, File, Folder };

    clsFTP() = default;
    clsFTP(const clsFTP&) = delete;
    clsFTP& operator=(const clsFTP&) = delete;

    // The list of the last GetDirectoryListing, or an empty list when there is none.
    std::shared_ptr<cDirList> Directory();
    QString GetLastErrorMessage() const { return sLastError_; }
    // sServer is "host" or "host:port" (port 21 by default; "[v6 literal]:port" too), with
    // "ftps://" (explicit TLS) or "sftp://" (SSH, port 22 by default) before it where wanted.
    // A live connection with the same parameters is reused, back in the login folder.
    bool OpenConnection(const QString& sServer, const QString& sUser, const QString& sPassWord);
    void CloseConnection();
    bool SimpleFTPPutFile(const QString& sLocal, const QString& sRemote);
    bool RenameFTPFile(const QString& sExisting, const QString& sNewName);
    bool CreateFTPDirectory(const QString& sDirectory);
    bool RemoveFTPDirectory(const QString& sDirectory);
    bool DeleteFTPFile(const QString& sRemote);
    // The file is sent under a hidden temporary name beside sRemote (see TemporaryName) and put
    // in its place only once the server confirmed all of it: renamed over the previous copy;
    // on servers that will not rename over a file, after moving the previous copy aside; on
    // servers that refuse renames, sent a second time straight over its name. At no step is
    // the server left without a whole copy, old or new. False for every upload that did not
    // complete: refused, broken off, stopped through blSigue, or a local file that cannot be
    // read. existing spares a listing on servers that do not rename over a file.
    bool FTPUploadFile(const QString& sLocal, const QString& sRemote,
                       RemoteName existing = RemoteName::Unknown);
    // After FTPUploadFile: the server's refusal when no rename could put the upload in place,
    // so it was sent twice; "" otherwise.
    QString RenameRefusal() const { return renameRefusal_; }
    bool FTPDownloadFile(const QString& sLocal, const QString& sRemote);
    bool SimpleFTPGetFile(const QString& sLocal, const QString& sRemote);
    // The same into a device the caller opened and completes itself (localPath names it in
    // errors). FTPDownloadFile stops, false, at the next block once blSigue is cleared.
    bool FTPDownloadFile(QIODevice& local, const QString& localPath, const QString& sRemote);
    // size: the size the caller knows the file has, or -1; a known size spares asking the
    // server for it, and a file of another size fails.
    bool SimpleFTPGetFile(QIODevice& local, const QString& localPath, const QString& sRemote,
                          qint64 size = -1);
    QString GetFTPDirectory();
    bool SetFTPDirectory(const QString& sDir);
    // The size of the entry of exactly that name in its folder's listing; -1 when there is none,
    // -2 when the folder could not be listed.
    qint64 GetFTPFileSize(const QString& sFile);
    // nullptr when nothing matches or the listing failed.
    std::shared_ptr<cDirList> GetDirectoryListing(const QString& sFilter);
    void SetTransferASCII() { lTransferType_ = kTransferTypeAscii; }
    void SetTransferBinary() { lTransferType_ = kTransferTypeBinary; }
    // Take effect at the next OpenConnection.
    void SetModeActive() { lConnectFlags_ = 0; }
    void SetModePassive() { lConnectFlags_ = kFlagPassive; }
    bool blSigue() const { return blSigue_; }
    void setBlSigue(bool value) { blSigue_ = value; }

    void setFileTransferProgress(ProgressHandler handler) { onProgress_ = std::move(handler); }
    // Runs after blocks and while waiting on the network, at least every 25 ms of a wait.
    void setEventPump(EventPump pump) { session_.setEventPump(std::move(pump)); }

    // Whether the folder exists, checked by changing into it; the current folder stays as it
    // was and the last error text is not touched.
    bool RemoteDirectoryExists(const QString& sDirectory);
    // Every entry of a remote folder; nullopt (and the error text) when it cannot be listed.
    std::optional<QList<RemoteEntry>> FolderEntries(const QString& sFolder);
    // The server's last complete reply, "" before the first one.
    QString LastServerReply() const { return session_.lastReply(); }

private:
    bool ReportError(const InternetError& error, const QString& label);
    bool ReportLocalError(const QString& label, const QString& path, const QString& reason);
    bool ReportStopped(const QString& transfer, const QString& path, qint64 done, qint64 size);
    void RaiseProgress(qint64 current, qint64 total);
    void PumpEvents();
    bool commit(QSaveFile& local, const QString& label);
    bool ascii() const { return lTransferType_ == kTransferTypeAscii; }
    bool sendCommands(const QStringList& commands, const QString& label);
    // Sends the whole local file from its current position; started tells whether the server
    // accepted the transfer, so the remote file may have changed.
    bool sendFile(QFile& local, const QString& localPath, const QString& remote,
                  bool* started = nullptr);
    // Puts a complete upload, waiting under its temporary name, in the place of remotePath.
    bool putInPlace(QFile& local, const QString& localPath, TemporaryName temporaryName,
                    const QString& remotePath, RemoteName existing);
    QStringList renameCommands(const QString& from, const QString& to) const;
    RemoteName remoteNameOf(const QString& path);
    void discardUpload(const QString& temporary);

    static constexpr int kBlocksPerClockReading = 256;

    bool blSigue_ = true;
    int blocksSinceClockReading_ = 0;
    InternetSession session_;
    qint32 lTransferType_ = kTransferTypeAscii;
    qint32 lConnectFlags_ = 0;
    QString sLastError_;
    QString renameRefusal_;
    std::shared_ptr<cDirList> oDirList_;
    ProgressHandler onProgress_;
};

// A listing time as a local date-time value; 0 (30 December 1899) for an invalid time.
DateValue dateValueOf(const QDateTime& time);

} // namespace zarvento::ftp
