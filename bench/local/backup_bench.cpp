// Runs the backup engine over one route, as the agent would, without windows:
//   zarvento_bench_local <source folder> <destination root> <full|differential|independent>
//                        <log folder> [<day> | <ftp server> <user> <password>]
// The route's copy lands in <destination root>/<source name>/ (no cycle folders); with a day
// (yyyy-MM-dd), in that day's weekly cycle folder, <destination root>/<weekday>/<source name>/,
// where a differential run shares unchanged files with the previous day's folder ("independent":
// a differential run that copies them). With a server, the destination root is a folder on that
// FTP server.
#include "engine/clsRespaldar.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

class SilentNotice final : public zarvento::NoticeLabel {
public:
    void showNotice(const QString&) override {}
    void hideNotice() override {}
};

// The given day at the current time of day.
class DayClock final : public zarvento::Clock {
public:
    explicit DayClock(QDate day) : day_(day) {}
    QDateTime now() const override { return QDateTime(day_, QTime::currentTime()); }

private:
    QDate day_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5 && argc != 6 && argc != 8) {
        std::fprintf(stderr,
                     "usage: %s SOURCE DEST full|differential|independent LOGDIR "
                     "[DAY | SERVER USER PASS]\n",
                     argv[0]);
        return 2;
    }
    const QDate day = argc == 6 ? QDate::fromString(QString::fromLatin1(argv[5]), Qt::ISODate)
                                : QDate::currentDate();
    DayClock clock(day);
    zarvento::NoEventPump pump;
    SilentNotice notice;
    zarvento::clsRespaldar job({clock, pump, notice, QString::fromLocal8Bit(argv[4])});
    job.RespaldoMultiple(argc == 6);
    job.DiaAlInicio(argc == 6);
    job.IncluirSubdirectorios(true);
    const QByteArray mode(argv[3]);
    job.Incremental(mode != "full");
    job.CompartirArchivos(mode != "independent");
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
