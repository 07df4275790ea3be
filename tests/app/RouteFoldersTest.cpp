#include "app/CarpetasDeRutas.h"

#include <gtest/gtest.h>

using namespace zarvento;

namespace {

using Coincidencias = std::vector<std::pair<QString, QString>>;

TEST(RouteFoldersTest, LaterRoutesOfATakenNameGetOneNoOtherRouteHas) {
    const CarpetasDeRutas carpetas({"/a/x/Fotos", "/b/x/fotos/", "/c/Fotos (x)", "/Fotos",
                                    "/a/x/Fotos/", "/d/Notas", "", "/e/Fo\ttos"});
    EXPECT_EQ(carpetas.coincidencias(),
              (Coincidencias{{"/a/x/Fotos", "Fotos"},
                             {"/b/x/fotos/", "fotos (x 2)"}, // "Fotos (x)" is /c's own name
                             {"/Fotos", "Fotos (2)"}}));
    EXPECT_EQ(carpetas.nombreDistinto("/a/x/Fotos/"), ""); // the same folder twice is one route
    EXPECT_EQ(carpetas.nombreDistinto("/b/x/fotos"), "fotos (x 2)");
    EXPECT_EQ(carpetas.nombreDistinto("/c/Fotos (x)"), "");
    EXPECT_EQ(carpetas.nombreDistinto("/d/Notas"), "");
    EXPECT_EQ(carpetas.nombreDistinto("/e/Fo\ttos"), "");
}

} // namespace

TEST(RouteFoldersTest, AFolderStaysItsRoutesWhateverHappensToTheOtherLines) {
    const CarpetasDeRutas antes({"/ventas/docs", "/compras/docs"});
    EXPECT_EQ(antes.nombreDistinto("/compras/docs"), "docs (compras)");
    const QStringList registro = antes.registro();
    // The first route removed: the second keeps its folder, and a new route of that name does
    // not get the removed route's folder either.
    const CarpetasDeRutas despues({"/compras/docs", "/nuevo/Docs"}, registro);
    EXPECT_EQ(despues.nombreDistinto("/compras/docs"), "docs (compras)");
    EXPECT_EQ(despues.nombreDistinto("/nuevo/Docs"), "Docs (nuevo)");
    EXPECT_EQ(despues.coincidencias(), (Coincidencias{{"/compras/docs", "docs (compras)"},
                                                      {"/nuevo/Docs", "Docs (nuevo)"}}));
    // Put back, in another order, each route finds its own folder again.
    const CarpetasDeRutas otraVez({"/nuevo/Docs", "/compras/docs", "/ventas/docs"},
                                  despues.registro());
    EXPECT_EQ(otraVez.nombreDistinto("/ventas/docs"), "");
    EXPECT_EQ(otraVez.nombreDistinto("/compras/docs"), "docs (compras)");
    EXPECT_EQ(otraVez.nombreDistinto("/nuevo/Docs"), "Docs (nuevo)");
    EXPECT_EQ(otraVez.registro(), despues.registro());
}
