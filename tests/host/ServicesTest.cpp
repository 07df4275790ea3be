#include "TestSupport.h"
#include "host/Componentes.h"
#include "host/DeAcceso.h"
#include "host/DeArchivos.h"
#include "host/Regional.h"

#include <gtest/gtest.h>

using namespace zarvento;

TEST(DeAcceso, ScrambleIsReversiblePerKeyAndNeverPlain) {
    DeAcceso acceso;
    for (const QString& plain : {QString(), QString("ftp.ejemplo.com"), QString("contraseña ñ€")}) {
        const QString scrambled = acceso.Encripta(plain, 3);
        EXPECT_FALSE(scrambled.isEmpty());
        EXPECT_NE(scrambled, plain);
        EXPECT_EQ(acceso.DesEncripta(scrambled, 3), plain);
        if (!plain.isEmpty()) {
            EXPECT_NE(acceso.DesEncripta(scrambled, 4), plain);
        }
    }
    EXPECT_NE(acceso.Encripta("DATO SIN DEFINIR", 3), "DATO SIN DEFINIR");
    // Anything that is not a scrambled text of this key gives an empty text.
    EXPECT_EQ(acceso.DesEncripta("DATO SIN DEFINIR", 3), "");
    EXPECT_EQ(acceso.DesEncripta("ABC", 3), "");
}

TEST(DeAcceso, BuildTimeProtectionMatchesRunTime) {
    constexpr auto builtIn = proteccion::proteger<4>("secreto");
    EXPECT_EQ(builtIn.text(), DeAcceso().Encripta("secreto", 4));
    EXPECT_EQ(DeAcceso().DesEncripta(builtIn.text(), 4), "secreto");
}

TEST(DeArchivos, FileAndFolderTests) {
    test::TempFolder dir;
    test::writeFile(dir / "a.txt", "x");
    EXPECT_TRUE(DeArchivos::HayArchivo(dir / "a.txt"));
    EXPECT_FALSE(DeArchivos::HayArchivo(dir.path()));
    EXPECT_TRUE(DeArchivos::HayCarpeta(dir.path()));
    EXPECT_FALSE(DeArchivos::HayCarpeta(dir / "a.txt"));
    EXPECT_FALSE(DeArchivos::HayArchivo(""));
    EXPECT_TRUE(DeArchivos::CreaRuta(dir / "x/y/z"));
    EXPECT_FALSE(DeArchivos::CreaRuta(dir / "a.txt/sub"));
    test::setModified(dir / "a.txt", 1700000000);
    EXPECT_EQ(DeArchivos::FechaYhora(dir / "a.txt"), 1700000000);
    EXPECT_EQ(DeArchivos::FechaYhora(dir / "nada"), std::nullopt);
    EXPECT_EQ(DeArchivos::NombreDeArchivo("/datos/ventas/a b.txt"), "a b.txt");
    EXPECT_TRUE(DeArchivos::DelTree(dir / "x"));
    EXPECT_FALSE(DeArchivos::HayCarpeta(dir / "x"));
}

TEST(Regional, StampAndGroupingFollowTheLocale) {
    const QDateTime t(QDate(2026, 12, 8), QTime(7, 5, 9));
    Regional us(QLocale("en_US"));
    EXPECT_EQ(us.sello(t), "08/Dec/2026 07:05:09");
    EXPECT_EQ(us.agrupado(1234567), "1,234,567");
    EXPECT_EQ(us.agrupado(0), "0");
    EXPECT_EQ(us.agrupado(999), "999");
    EXPECT_EQ(us.diaAbreviado(t.date()), "Tue");
    Regional de(QLocale("de_DE"));
    EXPECT_EQ(de.sello(t), "08.Dez..2026 07:05:09"); // the month abbreviation carries its dot
    EXPECT_EQ(de.agrupado(10000), "10.000");
}

TEST(Componentes, ClassNamesMatchInAnyCaseAndFailuresAreShown) {
    test::FakeDialogService dialogs;
    Componentes componentes(Entorno{{}, &dialogs, {}, {}, {}});
    std::unique_ptr<DeAcceso> acceso;
    EXPECT_TRUE(componentes.CrearComponente(acceso, "deAcceso"));
    EXPECT_TRUE(acceso);
    EXPECT_TRUE(componentes.CrearObj<DeAcceso>("DEACCESO"));
    std::unique_ptr<DeArchivos> archivos;
    EXPECT_FALSE(componentes.CrearComponente(archivos, "DeArchivos", "otra"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Alerta");
    EXPECT_TRUE(dialogs.messages[0].text.endsWith("\r\nIntentanto crear \"otra.DeArchivos\""));
    EXPECT_THROW(componentes.CrearObj<DeAcceso>("Efectos"), ErrorComponente);
}
