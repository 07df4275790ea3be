#include <QCoreApplication>
#include <gtest/gtest.h>

// The application layer's tests need an event loop for local sockets and socket notifiers.
int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
