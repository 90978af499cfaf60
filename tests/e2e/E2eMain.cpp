// The end-to-end tests' entry point: a Qt application on the test run's X
// display, then every test.

#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
