// Runs the backup engine over one route, as the agent would, without windows:
//   zarvento_bench_local <source folder> <destination root> <full|differential> <log folder>
//                        [<ftp server> <user> <password>]
// The route's copy lands in <destination root>/<source name>/ (no cycle folders); with a server,
// the destination root is a folder on that FTP server.
#include "engine/clsRespaldar.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

class SilentNotice final : public zarvento::NoticeLabel {
public:
    void showNotice(const QString&) override {}
    void hideNotice() override {}
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5 && argc != 8) {
        std::fprintf(stderr, "usage: %s SOURCE DEST full|differential LOGDIR [SERVER USER PASS]\n",
                     argv[0]);
        return 2;
    }
    zarvento::SystemClock clock;
    zarvento::NoEventPump pump;
    SilentNotice notice;
    zarvento::clsRespaldar job({clock, pump, notice, QString::fromLocal8Bit(argv[4])});
    job.RespaldoMultiple(false);
    job.DiaAlInicio(false);
    job.IncluirSubdirectorios(true);
    job.Incremental(QByteArray(argv[3]) == "differential");
    if (argc == 8) {
        job.RespaldoEnFTP(true);
        job.FTPservidor(QString::fromLocal8Bit(argv[5]));
        job.ftpUsuario(QString::fromLocal8Bit(argv[6]));
        job.FTPpassword(QString::fromLocal8Bit(argv[7]));
    }
    job.RutaDestino(QString::fromLocal8Bit(argv[2]));
    job.RutaOriginal(QString::fromLocal8Bit(argv[1]));
    return job.Respaldar() ? 0 : 1;
}
