// GoogleTest main for the manager's tests: the logic's controllers need a
// Qt application object for their event loops, sockets and timers.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
