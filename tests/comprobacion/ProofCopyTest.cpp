#include "TestSupport.h"
#include "comprobacion/ComprobacionDeCopia.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zarvento;
using namespace zarvento::test;

namespace {

class ProofCopyTest : public ::testing::Test {
protected:
    // A route "docs" with a file in a subfolder, and its copy with the same bytes and times.
    void SetUp() override {
        for (const auto& [nombre, contenido] :
             {std::pair{"docs/a.txt", QByteArray("uno")},
              std::pair{"docs/sub/b.txt", QByteArray(300000, 'b')}}) {
            const QString relativa = QString::fromLatin1(nombre).mid(5);
            writeFile(dir / nombre, contenido);
            writeFile(dir / "copia/docs/" + relativa, contenido);
            setModified(dir / nombre, 1700000000);
            setModified(dir / "copia/docs/" + relativa, 1700000000);
        }
    }
    ResultadoDeComprobacion comprobar(bool todos) {
        OpcionesDeComprobacion opciones;
        opciones.todos = todos;
        opciones.copiados = inicio;
        opciones.inicio = inicio;
        opciones.carpeta = dir / "TmpData/Comprobacion";
        opciones.limite = QDeadlineTimer(60000);
        return ComprobacionDeCopia(opciones, pump)
            .comprobar({{dir / "docs", dir / "copia/docs/", false}});
    }

    // The run started a moment before the test changes anything.
    const QDateTime inicio = QDateTime::currentDateTime().addSecs(-5);
    TempFolder dir;
    CountingPump pump;
};

TEST_F(ProofCopyTest, AGoodCopyPassesWithItsFigures) {
    const ResultadoDeComprobacion resultado = comprobar(false);
    EXPECT_TRUE(resultado.correcta()) << resultado.falla.toStdString();
    // Both files: together they are less than the nightly minimum.
    EXPECT_EQ(resultado.archivos, 2);
    EXPECT_EQ(resultado.bytes, 300003);
    EXPECT_GT(pump.calls, 0);
    EXPECT_FALSE(QFileInfo::exists(dir / "TmpData/Comprobacion"));
}

TEST_F(ProofCopyTest, OneByteChangedInTheCopyFailsNamingTheFileAndIsCopiedAgainNextRun) {
    QByteArray cambiado(300000, 'b');
    cambiado[200000] = 'X';
    writeFile(dir / "copia/docs/sub/b.txt", cambiado);
    setModified(dir / "copia/docs/sub/b.txt", 1700000000);
    const ResultadoDeComprobacion resultado = comprobar(true);
    EXPECT_EQ(resultado.falla, "docs/sub/b.txt: distinto en el byte 200001");
    // The copy's time no longer matches its source's, so a differential run copies it again.
    EXPECT_NE(QFileInfo(dir / "copia/docs/sub/b.txt").lastModified().toSecsSinceEpoch(),
              1700000000);
}

TEST_F(ProofCopyTest, ASourceChangedSinceTheRunStartedIsLeftOut) {
    writeFile(dir / "docs/a.txt", "cambiado después");
    const ResultadoDeComprobacion resultado = comprobar(true);
    EXPECT_TRUE(resultado.correcta()) << resultado.falla.toStdString();
    EXPECT_EQ(resultado.archivos, 1);
}

} // namespace
