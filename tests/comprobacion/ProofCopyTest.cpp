#include "FtpServers.h"
#include "TestSupport.h"
#include "comprobacion/ComprobacionDeCopia.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

const auto* const kServers = ::testing::AddGlobalTestEnvironment(new FtpServers);
constexpr qint64 kHora = 1700000000;

// A route "docs" with a file in a subfolder, its copy with the same bytes and times in a local
// folder or on a server, and the record the run left of it.
class ProofCopyTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        static int copias = 0;
        carpeta = QStringLiteral("copia-%1").arg(++copias);
        registro.inicio = QDateTime::currentDateTime().addSecs(-5);
        RutaRegistrada ruta;
        ruta.origen = dir / "docs";
        ruta.destino = "docs/";
        for (const auto& [relativa, contenido] :
             {std::pair{"a.txt", QByteArray("uno")}, std::pair{"sub/b.txt", bytes()}}) {
            writeFile(dir / "docs/" + relativa, contenido);
            setModified(dir / "docs/" + relativa, kHora);
            store(relativa, contenido);
            ruta.conservado({relativa, {contenido.size(), kHora}});
        }
        registro.rutas.push_back(std::move(ruta));
    }

    bool local() const { return GetParam() == QStringLiteral("local"); }
    static QByteArray bytes() { return QByteArray(300000, 'b'); }
    // Where a file of the copy is on the local disk.
    QString stored(const QString& relativa) const {
        return local() ? dir / carpeta + "/docs/" + relativa
                       : FtpServers::byKind(GetParam()).local(carpeta + "/docs/" + relativa);
    }
    void store(const QString& relativa, const QByteArray& contenido) {
        if (!local()) {
            FtpServers::byKind(GetParam()).seed(carpeta + "/docs/" + relativa, contenido);
            return;
        }
        writeFile(stored(relativa), contenido);
        setModified(stored(relativa), kHora);
    }
    ResultadoDeComprobacion comprobar(bool todos) {
        LugarDeCopias lugar;
        lugar.ciclos = false;
        lugar.raiz = dir / carpeta + '/';
        if (!local()) {
            const FtpServer& servidor = FtpServers::byKind(GetParam());
            lugar = {'/' + carpeta + '/',
                     true,
                     servidor.address,
                     servidor.user,
                     servidor.password,
                     false,
                     true};
        }
        OpcionesDeComprobacion opciones;
        opciones.todos = todos;
        opciones.carpeta = dir / "TmpData/Comprobacion";
        opciones.limite = QDeadlineTimer(60000);
        const auto almacen = AlmacenDeCopias::para(lugar, pump);
        return ComprobacionDeCopia(*almacen, lugar.raiz, opciones, pump).comprobar(registro);
    }

    TempFolder dir;
    QString carpeta;
    RegistroDeCopia registro;
    CountingPump pump;
};

TEST_P(ProofCopyTest, GoodDamagedAndChangedSinceTheRun) {
    QByteArray cambiado = bytes();
    cambiado[200000] = 'X';
    const struct {
        const char* caso;
        std::function<void()> preparar;
        QString falla; // "" when the proof passes
    } casos[] = {
        {"buena", [] {}, ""},
        // A source written after the run is no longer what the copy holds: its copy is checked
        // against the record only.
        {"original cambiado", [&] { writeFile(dir / "docs/a.txt", "dos"); }, ""},
        {"un byte cambiado", [&] { store("sub/b.txt", cambiado); },
         "docs/sub/b.txt: distinto en el byte 200001"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caso);
        c.preparar();
        const ResultadoDeComprobacion resultado = comprobar(false);
        EXPECT_EQ(resultado.falla, c.falla);
        EXPECT_EQ(resultado.archivos, c.falla.isEmpty() ? 2 : 1);
        EXPECT_GT(pump.calls, 0);
        EXPECT_FALSE(QFileInfo::exists(dir / "TmpData/Comprobacion"));
    }
    // The damaged copy is copied again by the next run: a local one has lost its time, a
    // server's one (whose run compares sizes only) is gone.
    if (local())
        EXPECT_EQ(QFileInfo(stored("sub/b.txt")).lastModified().toSecsSinceEpoch(), 0);
    else
        EXPECT_FALSE(QFileInfo::exists(stored("sub/b.txt")));
}

INSTANTIATE_TEST_SUITE_P(Destinos, ProofCopyTest, ::testing::Values("local", "pyftpdlib"));

TEST(ProofSampleTest, AFileTheRunCopiedIsReadBackWhateverTheTurnAndTheMinimum) {
    TempFolder dir;
    RegistroDeCopia registro;
    registro.inicio = QDateTime::currentDateTime();
    RutaRegistrada ruta;
    ruta.origen = dir / "docs";
    ruta.destino = "docs/";
    // Noted first, more than the minimum on its own (sparse, so it costs no disk).
    const qint64 grande = OpcionesDeComprobacion::kMinimo + 1;
    for (const QString& archivo : {dir / "docs/grande.bin", dir / "copia/docs/grande.bin"}) {
        writeFile(archivo, "");
        ASSERT_TRUE(QFile::resize(archivo, grande));
        setModified(archivo, kHora);
    }
    ruta.conservado({"grande.bin", {grande, kHora}});
    writeFile(dir / "docs/nuevo.txt", "nuevo");
    writeFile(dir / "copia/docs/nuevo.txt", "nuevO");
    setModified(dir / "docs/nuevo.txt", kHora);
    setModified(dir / "copia/docs/nuevo.txt", kHora);
    ruta.copiado({"nuevo.txt", {5, kHora}});
    registro.rutas.push_back(std::move(ruta));

    OpcionesDeComprobacion opciones;
    opciones.carpeta = dir / "TmpData/Comprobacion";
    opciones.limite = QDeadlineTimer(60000);
    // A turn whose share holds neither file.
    const auto turno = [](const char* nombre) {
        return static_cast<qint64>(qHash(QString(nombre), 0) % OpcionesDeComprobacion::kTurnos);
    };
    while (opciones.turno == turno("grande.bin") || opciones.turno == turno("nuevo.txt"))
        ++opciones.turno;
    CountingPump pump;
    AlmacenLocal almacen;
    EXPECT_EQ(
        ComprobacionDeCopia(almacen, dir / "copia/", opciones, pump).comprobar(registro).falla,
        "docs/nuevo.txt: distinto en el byte 5");
}

} // namespace
