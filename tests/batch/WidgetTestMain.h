#pragma once
// main() of the widget tests: one QApplication for every test, offscreen
// also when the test runner lists the tests without the tests' environment.

#include <gtest/gtest.h>

#include <QApplication>

#define VESPERA_WIDGET_TEST_MAIN()                         \
    int main(int argc, char** argv) {                      \
        ::testing::InitGoogleTest(&argc, argv);            \
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) \
            qputenv("QT_QPA_PLATFORM", "offscreen");       \
        QApplication app(argc, argv);                      \
        return RUN_ALL_TESTS();                            \
    }
