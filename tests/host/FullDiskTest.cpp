#include "TestSupport.h"
#include "host/ClavesAjustes.h"
#include "host/Componentes.h"
#include "host/DelRegistro.h"
#include "host/EntradaDeMenu.h"
#include "host/HostCheck.h"
#include "host/LibORVX.h"
#include "host/clsInicio.h"

#include <QFile>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

// A 64 KiB file system of its own, so a write really meets a full disk.
class DiscoPequeno {
public:
    explicit DiscoPequeno(const QString& carpeta) : carpeta_(QFile::encodeName(carpeta)) {
        QDir().mkpath(carpeta);
        montado_ = ::mount("tmpfs", carpeta_.constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~DiscoPequeno() {
        if (montado_)
            ::umount2(carpeta_.constData(), MNT_DETACH);
    }
    bool montado() const { return montado_; }
    QString ruta(const char* relativa) const {
        return QString::fromLocal8Bit(carpeta_) + '/' + relativa;
    }
    // Takes every free block.
    void llenar() const {
        QFile relleno(ruta("relleno"));
        ASSERT_TRUE(relleno.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray bloque(4096, 'x');
        while (relleno.write(bloque) > 0) {
        }
    }

private:
    QByteArray carpeta_;
    bool montado_ = false;
};

} // namespace

// Every file the agent replaces whole, on a full disk: the previous file stays as it was and the
// failure is reported for the log.
TEST(FullDisk, EveryWholeFileWriteLeavesThePreviousFileAndSaysWhy) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting the small file system that fills up needs root";
    TempFolder dir;
    const DiscoPequeno disco(dir / "disco");
    if (!disco.montado())
        GTEST_SKIP() << "this system refused to mount a small tmpfs: " << strerror(errno);
    const QString programa = dir / "disco/programa";
    const Entorno entorno{{programa, "zarvento", "zarvento"},
                          nullptr,
                          dir / "disco/maquina",
                          dir / "disco/usuario",
                          dir / "disco/autostart",
                          nullptr,
                          dir / "disco/datos"};
    writeFile(dir / "icono.svg", "<svg/>");

    struct Caso {
        const char* archivo;
        QByteArray previo;
        std::function<QStringList()> escribir;
    };
    const std::vector<Caso> casos{
        {"programa/zarvento.ini", "[Configuración]\r\nRuta destino=/copias\r\n[Mía]\r\nX=1\r\n",
         [&] {
             QStringList avisos;
             host::LeeIniDefecto(ajustes::kConfiguracion, ajustes::kRutaHost, "/opt/quillon",
                                 LibORVX(), programa + "/zarvento.ini", &avisos);
             return avisos;
         }},
        {"autostart/zarvento.desktop", "[Desktop Entry]\nExec=/otra/zarvento\n",
         [&] {
             QStringList avisos;
             clsInicio(entorno).SiRegistrado("/zarvento", &avisos);
             return avisos;
         }},
        {"datos/applications/zarvento.desktop", "[Desktop Entry]\nExec=/otra/zarvento\n",
         [&] {
             QStringList avisos;
             EntradaDeMenu(entorno).Mantener("/zarvento", dir / "icono.svg", &avisos);
             return avisos;
         }},
        {"maquina/HKEY_LOCAL_MACHINE.ini", "[SOFTWARE\\Merovia\\KTQ plugins]\r\nDato1=\"a\"\r\n",
         [&] {
             QString error;
             if (DelRegistro(entorno).GrabarCadena("SOFTWARE\\Merovia\\KTQ plugins", "Dato2", "b",
                                                   DelRegistro::Raiz::HKEY_LOCAL_MACHINE, &error))
                 return QStringList();
             return QStringList{error};
         }},
    };
    for (const Caso& caso : casos) {
        QDir().mkpath(QFileInfo(disco.ruta(caso.archivo)).absolutePath());
        writeFile(disco.ruta(caso.archivo), caso.previo);
    }
    disco.llenar();

    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.archivo);
        const QStringList avisos = caso.escribir();
        EXPECT_EQ(readFile(disco.ruta(caso.archivo)), caso.previo);
        ASSERT_FALSE(avisos.isEmpty());
        EXPECT_TRUE(avisos.last().contains("No space left on device"))
            << avisos.join('\n').toStdString();
    }
    // Nothing of the failed writes is left behind.
    EXPECT_EQ(QDir(programa).entryList(QDir::Files | QDir::Hidden), QStringList{"zarvento.ini"});
}
