#include <QCoreApplication>
#include <gtest/gtest.h>

// The port delivers everything on the event loop, so the tests run under a QCoreApplication.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
