// GoogleTest main for the manager's page tests: widgets need a QApplication
// (run on the offscreen platform, so no display is needed).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
