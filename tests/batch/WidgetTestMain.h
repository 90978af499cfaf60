#pragma once
// main() of the widget tests: one QApplication (offscreen) for every test.

#include <gtest/gtest.h>

#include <QApplication>

#define VESPERA_WIDGET_TEST_MAIN()              \
    int main(int argc, char** argv) {           \
        ::testing::InitGoogleTest(&argc, argv); \
        QApplication app(argc, argv);           \
        return RUN_ALL_TESTS();                 \
    }
