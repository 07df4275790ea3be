#include "host/IniFile.h"

#include "TestSupport.h"
#include "host/LibORVX.h"
#include "host/TextFiles.h"

#include <gtest/gtest.h>

using namespace zarvento;
using zarvento::test::readFile;
using zarvento::test::TempFolder;
using zarvento::test::writeFile;

TEST(IniFile, MissingFileSectionOrKeyReadsEmpty) {
    TempFolder dir;
    const QString path = dir / "a.ini";
    EXPECT_EQ(ini::read(path, "Configuración", "Ciclo"), "");
    writeFile(path, "[Otra]\r\nCiclo=M\r\n");
    EXPECT_EQ(ini::read(path, "Configuración", "Ciclo"), "");
    EXPECT_EQ(ini::read(path, "Otra", "Falta"), "");
}

TEST(IniFile, NamesMatchInAnyCaseAndBlanksAroundAreIgnored) {
    TempFolder dir;
    const QString path = dir / "a.ini";
    writeFile(path, "  [ CONFIGURACIÓN ]  \nen rutas destino, PRIMERO el DÍA =  S  \n"
                    "Ruta destino=\"/copias con blancos \"\n");
    EXPECT_EQ(ini::read(path, "Configuración", "En rutas destino, primero el día"), "S");
    EXPECT_EQ(ini::read(path, "configuración", "Ruta destino"), "/copias con blancos ");
}

TEST(IniFile, WriteCreatesWhatIsMissingAndKeepsEveryOtherLine) {
    TempFolder dir;
    const QString path = dir / "a.ini";
    writeFile(path, "; comentario\r\n[Configuración]\r\nCiclo=S\r\n\r\n[Resultado]\r\nX=1\r\n");
    ASSERT_TRUE(ini::write(path, "CONFIGURACIÓN", "Respaldo en FTP", "N"));
    ASSERT_TRUE(ini::write(path, "Configuración", "ciclo", "M"));
    ASSERT_TRUE(ini::write(path, "Nueva", "Clave", "valor"));
    EXPECT_EQ(readFile(path), QString("; comentario\r\n[Configuración]\r\nciclo=M\r\n"
                                      "Respaldo en FTP=N\r\n\r\n[Resultado]\r\nX=1\r\n"
                                      "[Nueva]\r\nClave=valor\r\n")
                                  .toUtf8());
    // A new file is created whole.
    ASSERT_TRUE(ini::write(dir / "b.ini", "S", "K", "V"));
    EXPECT_EQ(readFile(dir / "b.ini"), "[S]\r\nK=V\r\n");
}

TEST(IniFile, ValuesNeverSplitTheFile) {
    TempFolder dir;
    const QString path = dir / "a.ini";
    ASSERT_TRUE(ini::write(path, "S", "K", "uno\r\n[Inyectada]\nK=dos"));
    EXPECT_EQ(ini::read(path, "Inyectada", "K"), "");
    EXPECT_EQ(ini::read(path, "S", "K"), "uno [Inyectada] K=dos");
}

TEST(IniFile, ReadsWindows1252AndCrOnlyLinesAndWritesUtf8) {
    TempFolder dir;
    const QString path = dir / "a.ini";
    // "Configuración" and "día" in Windows-1252, lines ended by CR alone.
    writeFile(path, "[Configuraci\xF3n]\rEn rutas destino, primero el d\xED"
                    "a=S\rCiclo=M\r");
    EXPECT_EQ(ini::read(path, "Configuración", "En rutas destino, primero el día"), "S");
    EXPECT_EQ(ini::read(path, "Configuración", "Ciclo"), "M");
    ASSERT_TRUE(ini::write(path, "Configuración", "Ciclo", "Sí"));
    EXPECT_EQ(readFile(path), "[Configuraci\xF3n]\rEn rutas destino, primero el d\xED"
                              "a=S\rCiclo=S\xC3\xAD\r");
}

TEST(IniFile, OneWindows1252LineNeverChangesTheOthers) {
    TempFolder dir;
    const QString path = dir / "a.ini";
    const QByteArray before = "[Configuración]\r\nSucursal=Peñasco de Álamos\r\n"
                              "Nota=ma\xF1"
                              "ana\n[Resultado]\r\nÚltimo respaldo=2026-12-01";
    writeFile(path, before);
    EXPECT_EQ(ini::read(path, "Configuración", "Nota"), "mañana");
    ASSERT_TRUE(ini::write(path, "Configuración", "Ciclo", "Semanal"));
    ASSERT_TRUE(ini::write(path, "Resultado", "Último respaldo", "2026-12-08"));
    EXPECT_EQ(readFile(path), "[Configuración]\r\nSucursal=Peñasco de Álamos\r\n"
                              "Nota=ma\xF1"
                              "ana\nCiclo=Semanal\r\n[Resultado]\r\n"
                              "Último respaldo=2026-12-08\r\n");
    // A file that already holds a section twice reads and writes it as one.
    writeFile(path, "[A]\r\nX=1\r\n[B]\r\n[a]\r\nY=2\r\n");
    EXPECT_EQ(ini::read(path, "A", "Y"), "2");
    ASSERT_TRUE(ini::write(path, "A", "Y", "3"));
    ASSERT_TRUE(ini::write(path, "A", "Z", "4"));
    EXPECT_EQ(readFile(path), "[A]\r\nX=1\r\nZ=4\r\n[B]\r\n[a]\r\nY=3\r\n");
}

TEST(IniFile, FailedWriteLeavesTheFileWholeAndSaysWhy) {
    TempFolder dir;
    QString error;
    EXPECT_FALSE(ini::write(dir / "no/such/folder/a.ini", "S", "K", "V", &error));
    EXPECT_FALSE(error.isEmpty());
    // A path that exists but cannot be read as a file is never replaced.
    QDir().mkpath(dir / "carpeta.ini");
    EXPECT_FALSE(ini::write(dir / "carpeta.ini", "S", "K", "V", &error));
    EXPECT_TRUE(QFileInfo(dir / "carpeta.ini").isDir());
}

TEST(TextFiles, LineEndsAtCrOrCrLfButNotLoneLf) {
    using textfiles::splitAtCr;
    EXPECT_EQ(splitAtCr("a\r\nb\r\n"), QStringList({"a", "b"}));
    EXPECT_EQ(splitAtCr("a\rb"), QStringList({"a", "b"}));
    EXPECT_EQ(splitAtCr("a\nb\n"), QStringList({"a\nb\n"}));
    EXPECT_EQ(splitAtCr("\r\n"), QStringList({""}));
    EXPECT_EQ(splitAtCr(""), QStringList());
}

TEST(LibORVX, PadFillsToWidthOnEitherSide) {
    EXPECT_EQ(LibORVX::pad("*)Archivos totales:", 27, '-', LibORVX::Relleno::Derecha),
              "*)Archivos totales:--------");
    EXPECT_EQ(LibORVX::pad("7", 2, '0', LibORVX::Relleno::Izquierda), "07");
    EXPECT_EQ(LibORVX::pad("larguísimo", 3, '-', LibORVX::Relleno::Derecha), "larguísimo");
}

TEST(LibORVX, KvValTakesTheLeadingNumber) {
    EXPECT_EQ(LibORVX::kvVal("  1234.5 twips"), 1234.5);
    EXPECT_EQ(LibORVX::kvVal("-15"), -15);
    EXPECT_EQ(LibORVX::kvVal(""), 0);
    EXPECT_EQ(LibORVX::kvVal("abc"), 0);
    EXPECT_EQ(LibORVX::kvVal("3306x"), 3306);
}
