#include <QApplication>
#include <gtest/gtest.h>

// The window tests need one application object; a death test runs in a fresh process that
// makes its own.
int main(int argc, char** argv) {
    QApplication aplicacion(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
