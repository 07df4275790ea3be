// Backs up one route with its copy's record, or restores that copy, as the agent and its
// "--restaurar" would, without windows:
//   zarvento_bench_restore respaldar <source folder> <destination root> [<server> <user> <pass>]
//   zarvento_bench_restore restaurar <destination root> <target folder> [<server> <user> <pass>]
// Without cycle folders: the copy is <destination root>/<source name>/, restored into
// <target folder>/<source name>/.
#include "engine/clsRespaldar.h"
#include "restauracion/Restauracion.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

class SilentNotice final : public zarvento::NoticeLabel {
public:
    void showNotice(const QString&) override {}
    void hideNotice() override {}
};

QString argumento(char* texto) {
    return QString::fromLocal8Bit(texto);
}

} // namespace

int main(int argc, char** argv) {
    using namespace zarvento;
    QCoreApplication app(argc, argv);
    const QByteArray modo = argc > 1 ? argv[1] : "";
    if ((argc != 4 && argc != 7) || (modo != "respaldar" && modo != "restaurar")) {
        std::fprintf(stderr,
                     "usage: %s respaldar SOURCE DEST | restaurar DEST TARGET "
                     "[SERVER USER PASS]\n",
                     argv[0]);
        return 2;
    }
    const bool ftp = argc == 7;
    SystemClock clock;
    NoEventPump pump;
    if (modo == "respaldar") {
        SilentNotice notice;
        QTemporaryDir log;
        clsRespaldar job({clock, pump, notice, log.path()});
        job.RespaldoMultiple(false);
        job.IncluirSubdirectorios(true);
        if (ftp) {
            job.RespaldoEnFTP(true);
            job.FTPservidor(argumento(argv[4]));
            job.ftpUsuario(argumento(argv[5]));
            job.FTPpassword(argumento(argv[6]));
        }
        job.RutaDestino(argumento(argv[3]));
        job.RutaOriginal(argumento(argv[2]));
        RegistroDeCopia registro{clock.now(), {}, QStringLiteral("Respaldo finalizado"),
                                 {},          {}, {}};
        const bool respaldado = job.Respaldar();
        registro.rutas.push_back(job.RegistroDeRuta());
        registro.fin = clock.now();
        QString error;
        if (!job.GuardarRegistro(job.ArchivoDeRegistro(), registro, error))
            std::fprintf(stderr, "%s\n", qPrintable(error));
        return respaldado && error.isEmpty() ? 0 : 1;
    }
    LugarDeCopias lugar{argumento(argv[2]) + '/', ftp, {}, {}, {}, false, true};
    if (ftp) {
        lugar.servidor = argumento(argv[4]);
        lugar.usuario = argumento(argv[5]);
        lugar.password = argumento(argv[6]);
    }
    const auto almacen = AlmacenDeCopias::para(lugar, pump);
    QString error;
    const auto copias = ListarCopias(*almacen, lugar, error);
    if (!copias || copias->empty()) {
        std::fprintf(stderr, "no copy: %s\n", qPrintable(error));
        return 1;
    }
    Restauracion restauracion(*almacen, lugar, pump,
                              {[](const QString& linea) {
                                   if (linea.startsWith(QStringLiteral("No ")))
                                       std::fprintf(stderr, "%s\n", qPrintable(linea));
                               },
                               {},
                               {}});
    return restauracion.restaurar(copias->front(), {argumento(argv[3]), {}, false, false})
                   .correcta()
               ? 0
               : 1;
}
