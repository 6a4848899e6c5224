// The console line assembler: line ends, dropped CRs, the 2047-byte limit
// and the partial line handed over after ten idle waits.

#include "manager/logic/console_line_assembler.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

namespace {

QList<QByteArray> FeedAll(ConsoleLineAssembler& a, const QByteArray& bytes) {
    QList<QByteArray> lines;
    a.Feed(bytes, lines);
    return lines;
}

TEST(ConsoleLineAssembler, LinesEndAtLfAndCrIsDropped) {
    ConsoleLineAssembler a;
    EXPECT_EQ(FeedAll(a, "done\r\ncomm"), (QList<QByteArray>{"done"}));
    EXPECT_EQ(FeedAll(a, "and\r\n\r\nanswer a\rb\n"),
              (QList<QByteArray>{"command", "", "answer ab"}));
    EXPECT_EQ(a.pending(), 0);
}

TEST(ConsoleLineAssembler, LongLineKeepsItsFirst2047Bytes) {
    for (qsizetype length : {2046, 2047, 2048, 5000}) {
        ConsoleLineAssembler a;
        QByteArray line(length, 'x');
        line[0] = 'a';
        QList<QByteArray> lines = FeedAll(a, line + "\nnext\n");
        ASSERT_EQ(lines.size(), 2) << length;
        EXPECT_EQ(lines[0], line.left(2047)) << length;
        EXPECT_EQ(lines[1], "next");
    }
}

TEST(ConsoleLineAssembler, PartialLineAfterTenIdleWaits) {
    ConsoleLineAssembler a;
    QByteArray line;
    EXPECT_FALSE(a.Wait(false, line));  // nothing buffered: never a line
    EXPECT_TRUE(FeedAll(a, "userna").isEmpty());
    EXPECT_FALSE(a.Wait(true, line));  // the wait in which data came does not count
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(a.Wait(false, line));
    // More data restarts the count.
    EXPECT_TRUE(FeedAll(a, "me").isEmpty());
    for (int i = 0; i < 9; ++i) EXPECT_FALSE(a.Wait(false, line)) << i;
    EXPECT_TRUE(a.Wait(false, line));
    EXPECT_EQ(line, "username");
    EXPECT_EQ(a.pending(), 0);
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(a.Wait(false, line));
}

}  // namespace
