#pragma once
// A fixture whose suite runs inside one QApplication (offscreen under CTest):
// derive a widget test's fixture from ApplicationTest.

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

class ApplicationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "vespera-test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    static void TearDownTestSuite() { app_.reset(); }

private:
    static inline std::unique_ptr<QApplication> app_;
};
