// The label printer's command line and the system dump's log lines.

#include "manager/logic/label_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/manager/qt_printers.h"

namespace {

TEST(LabelCommand, CommandLineAndArguments) {
    struct Case {
        const char *myId, *imei, *ccid;
        bool online;
        const char* line;
    } const kCases[] = {
        {"BUS12", "354330031234567", "89480000000000000001", true,
         "Printer.exe Vimko5N.LBX -objDevId ID:BUS12 -objImei IMEI:354330031234567 "
         "-objCcid CCID:89480000000000000001 -objStatus (C)"},
        // A unit whose link is not TCP_CONNECTED is marked "-".
        {"BUS12", "354330031234567", "89480000000000000001", false,
         "Printer.exe Vimko5N.LBX -objDevId ID:BUS12 -objImei IMEI:354330031234567 "
         "-objCcid CCID:89480000000000000001 -objStatus (-)"},
        // Empty values leave their fields empty.
        {"", "", "", false,
         "Printer.exe Vimko5N.LBX -objDevId ID: -objImei IMEI: -objCcid CCID: -objStatus (-)"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(LabelCommandLine("Printer.exe", c.myId, c.imei, c.ccid, c.online), c.line);
        // The program gets what follows the program on the line, cut at blanks.
        QStringList args = LabelArguments(c.myId, c.imei, c.ccid, c.online);
        EXPECT_EQ(QStringLiteral("Printer.exe ") + args.join(' '), c.line);
        EXPECT_EQ(args.size(), 9);
    }
    // A program path with a blank stays one program.
    EXPECT_TRUE(LabelCommandLine("/opt/label tools/print", "1", "2", "3", true)
                    .startsWith("/opt/label tools/print Vimko5N.LBX -objDevId ID:1 "));
}

std::vector<std::string> Dump(const std::string& text) {
    return DumpLines(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

TEST(LabelCommand, DumpLinesEndAtLfAndGetABlankAfterEachColon) {
    using Lines = std::vector<std::string>;
    struct Case {
        std::string text;
        Lines lines;
    } const kCases[] = {
        {"A:1\nB:2", {"A: 1", "B: 2"}},
        {"A:1\nB:2\n", {"A: 1", "B: 2"}},  // no empty remainder line
        {"\n\nX", {"", "", "X"}},          // empty lines are kept
        {"t=12:30:05", {"t=12: 30: 05"}},
        {"", {}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Dump(c.text), c.lines);
    }
}

}  // namespace
