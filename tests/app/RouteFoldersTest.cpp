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
