// GoogleTest main for the manager's page tests: widgets need a QApplication
// (run on the offscreen platform, so no display is needed).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // CTest lists the tests without the test environment, so the platform
    // is chosen here as well.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
