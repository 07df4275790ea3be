#include "host/IniFile.h"

#include "TestSupport.h"
#include "host/LibORVX.h"
#include "host/TextFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST(IniFile, ReadsWindows1252AndCrOnlyLines) {
    TempFolder dir;
    const QString path = dir / "a.ini";
    // "Configuración" and "día" in Windows-1252, lines ended by CR alone.
    writeFile(path, "[Configuraci\xF3n]\rEn rutas destino, primero el d\xED"
                    "a=S\rCiclo=M\r");
    EXPECT_EQ(ini::read(path, "Configuración", "En rutas destino, primero el día"), "S");
    EXPECT_EQ(ini::read(path, "Configuración", "Ciclo"), "M");
    ASSERT_TRUE(ini::write(path, "Configuración", "Ciclo", "Sí"));
    EXPECT_EQ(readFile(path), "[Configuraci\xF3n]\rEn rutas destino, primero el d\xED"
                              "a=S\rCiclo=S\xED\r");
}

// Lines written take the file's character set and line end; every other line keeps its bytes.
TEST(IniFile, WritesKeepTheFilesCharacterSetAndLineEnds) {
    const struct {
        const char* nombre;
        QByteArray antes;
        QList<ini::Entry> entradas;
        QByteArray despues;
    } casos[] = {
        {"Windows-1252, lines ended by CR alone",
         "[Configuraci\xF3n]\rCiclo=M\r[M\xED"
         "a]\rNota=a\r",
         {{"Configuración", "Ciclo", "Sí"}, {"Resultado", "Último respaldo", "2026-12-08"}},
         "[Configuraci\xF3n]\rCiclo=S\xED\r[M\xED"
         "a]\rNota=a\r[Resultado]\r"
         "\xDAltimo respaldo=2026-12-08\r"},
        {"UTF-8, lines ended by LF",
         "[Configuración]\nCiclo=M\n",
         {{"Resultado", "Último respaldo", "2026-12-08"}},
         "[Configuración]\nCiclo=M\n[Resultado]\nÚltimo respaldo=2026-12-08\n"},
        {"Windows-1252 with a line a former version wrote in UTF-8",
         "[Configuraci\xF3n]\r\nRuta=D\xED"
         "a\r\n[Resultado]\r\nÚltimo respaldo=2026-12-01\r\n",
         {{"Resultado", "Último respaldo", "2026-12-08"}},
         "[Configuraci\xF3n]\r\nRuta=D\xED"
         "a\r\n[Resultado]\r\n\xDAltimo respaldo=2026-12-08\r\n"},
        {"Windows-1252 and a character it lacks",
         "[Configuraci\xF3n]\r\n",
         {{"Configuración", "Ruta destino", "/copias/東京"}},
         "[Configuraci\xF3n]\r\nRuta destino=/copias/東京\r\n"},
    };
    TempFolder dir;
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        writeFile(dir / "a.ini", caso.antes);
        ASSERT_TRUE(ini::writeAll(dir / "a.ini", caso.entradas));
        EXPECT_EQ(readFile(dir / "a.ini"), caso.despues);
        for (const auto& [section, key, value] : caso.entradas)
            EXPECT_EQ(ini::read(dir / "a.ini", section, key), value);
    }
}

// The settings file holds passwords: it is its owner's only, also when it was not before. Other
// files written whole keep their mode.
TEST(IniFile, WrittenFilesArePrivate) {
    TempFolder dir;
    const mode_t antes = ::umask(022);
    const auto modo = [](const QString& path) {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_mode & 07777;
    };
    ASSERT_TRUE(ini::write(dir / "nuevo.ini", "S", "K", "V"));
    EXPECT_EQ(modo(dir / "nuevo.ini"), 0600u);
    writeFile(dir / "zarvento.ini", "[Configuración]\r\n");
    ::chmod(QFile::encodeName(dir / "zarvento.ini").constData(), 0644);
    ASSERT_TRUE(LibORVX().EscribeIni("Configuración", "FTP password", "x", dir / "zarvento.ini"));
    EXPECT_EQ(modo(dir / "zarvento.ini"), 0600u);

    writeFile(dir / "rutas.txt", "/a\r\n");
    ::chmod(QFile::encodeName(dir / "rutas.txt").constData(), 0664);
    ASSERT_TRUE(textfiles::writeAtomically(dir / "rutas.txt", "/b\r\n"));
    ASSERT_TRUE(textfiles::writeAtomically(dir / "nuevas.txt", "/b\r\n"));
    EXPECT_EQ(modo(dir / "rutas.txt"), 0664u);
    EXPECT_EQ(modo(dir / "nuevas.txt"), 0644u);
    ::umask(antes);
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
