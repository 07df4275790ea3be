// Uploads one file through the client's block-wise upload, with a progress handler and an event
// pump called for every block as the backup job installs them.
//   zarvento_bench_ftp SERVER USER PASSWORD LOCAL_FILE REMOTE_FILE
#include "ftp/clsFTP.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s SERVER USER PASSWORD LOCAL_FILE REMOTE_FILE\n", argv[0]);
        return 2;
    }
    zarvento::ftp::clsFTP ftp;
    ftp.SetModePassive();
    ftp.SetTransferBinary();
    qint64 events = 0;
    qint64 lastBytes = 0;
    qint64 pumps = 0;
    ftp.setFileTransferProgress([&](qint64& current, qint64&) {
        ++events;
        lastBytes = current;
    });
    ftp.setEventPump([&] { ++pumps; });
    const bool ok =
        ftp.OpenConnection(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                           QString::fromLocal8Bit(argv[3])) &&
        ftp.FTPUploadFile(QString::fromLocal8Bit(argv[4]), QString::fromLocal8Bit(argv[5]));
    ftp.CloseConnection();
    if (!ok) {
        std::fprintf(stderr, "upload failed: %s\n", qPrintable(ftp.GetLastErrorMessage()));
        return 1;
    }
    std::printf("events=%lld pumps=%lld bytes=%lld\n", static_cast<long long>(events),
                static_cast<long long>(pumps), static_cast<long long>(lastBytes));
    return 0;
}
