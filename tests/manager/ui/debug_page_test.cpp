// The Debug page: its log, "&Write" saving the lines, "&Clear".

#include "manager/ui/debug_page.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include "tests/manager/ui/pages_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(DebugPage, WriteSavesTheLinesAndClearEmptiesTheLog) {
    PagesFixture m;
    TempDir dir;
    const QStringList lines = {"12:00:01.250  KX05 Terminal: SynchroClock", "A: 1", "",
                               "B: 2 zażółć"};
    for (const QString& line : lines) m.debug.AppendLine(line);
    EXPECT_EQ(m.debug.Lines(), lines);
    SaveScreenshot(m.debug, QStringLiteral("debug_page"));

    const std::string path = dir.File("debug.txt");
    m.prompt.files = {QString::fromStdString(path)};
    Control(m.debug, "debugWrite")->click();
    EXPECT_EQ(m.prompt.fileFilters, QStringList{"Text|*.txt"});
    EXPECT_EQ(
        ReadFile(path),
        "12:00:01.250  KX05 Terminal: SynchroClock\nA: 1\n\nB: 2 za\xC5\xBC\xC3\xB3\xC5\x82\xC4"
        "\x87\n");
    EXPECT_FALSE(m.state.busy);

    // Cancelled: nothing written. While another action runs: not asked.
    WriteFile(path, "kept");
    Control(m.debug, "debugWrite")->click();
    m.state.busy = true;
    m.prompt.files = {QString::fromStdString(path)};
    Control(m.debug, "debugWrite")->click();
    m.state.busy = false;
    EXPECT_EQ(m.prompt.fileFilters.size(), 2);
    EXPECT_EQ(ReadFile(path), "kept");

    // A file that cannot be created is reported.
    const QString missing = QString::fromStdString(dir.File("no/such/dir.txt"));
    m.prompt.files = {missing};
    Control(m.debug, "debugWrite")->click();
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList{"Error opening file: " + missing});

    Control(m.debug, "debugClear")->click();
    EXPECT_EQ(m.debug.Lines(), QStringList());
    m.prompt.files = {QString::fromStdString(path)};
    Control(m.debug, "debugWrite")->click();
    EXPECT_EQ(ReadFile(path), "");
}

}  // namespace
