// The console's pure parts: dispatch, the line reader, the help screen and
// the texts of the information commands.

#include <gtest/gtest.h>

#include <cstring>

#include "server/console/command_table.h"
#include "server/console/help_text.h"
#include "server/console/info_text.h"
#include "server/console/line_reader.h"

namespace {

TEST(ConsoleDispatch, ExactWordsPrefixCommandsAndTheRest) {
    const struct {
        const char* line;
        ConsoleDispatch::Kind kind;
        const char* word;
        const char* args;
    } cases[] = {
        {"exit", ConsoleDispatch::kExact, "exit", ""},
        {"list", ConsoleDispatch::kExact, "list", ""},
        {"help me", ConsoleDispatch::kUnknown, "", ""},
        {"List", ConsoleDispatch::kUnknown, "", ""},
        {"", ConsoleDispatch::kEmpty, "", ""},
        {"readcfg 123", ConsoleDispatch::kPrefix, "readcfg", "123"},
        {"readcfg 1,2 3", ConsoleDispatch::kPrefix, "readcfg", "1,2 3"},
        {"readcfg", ConsoleDispatch::kMissingArgs, "readcfg", ""},
        {"readcfg ", ConsoleDispatch::kMissingArgs, "readcfg", ""},
        {"readcfgx 1", ConsoleDispatch::kMissingArgs, "readcfg", ""},
        {"writecfg3 a,b", ConsoleDispatch::kPrefix, "writecfg3", "a,b"},
        {"writecfg3", ConsoleDispatch::kMissingArgs, "writecfg3", ""},
        {"writecfg a", ConsoleDispatch::kPrefix, "writecfg", "a"},
        {"writecal 1,2", ConsoleDispatch::kUnknown, "", ""},
        {"writecal3 1,2", ConsoleDispatch::kPrefix, "writecal3", "1,2"},
        {"readcan2 9", ConsoleDispatch::kPrefix, "readcan2", "9"},
        {"readcan 9", ConsoleDispatch::kPrefix, "readcan", "9"},
        {"select  1", ConsoleDispatch::kPrefix, "select", " 1"},
        {"selection", ConsoleDispatch::kMissingArgs, "select", ""},
    };
    for (const auto& c : cases) {
        ConsoleDispatch d = DispatchConsoleLine(c.line);
        EXPECT_EQ(d.kind, c.kind) << c.line;
        EXPECT_EQ(d.word, c.word) << c.line;
        EXPECT_EQ(d.args, c.args) << c.line;
    }
}

// Feeds bytes; returns the completed lines and collects the replies.
std::vector<std::string> Feed(ConsoleLineReader& reader, const std::string& bytes,
                              std::string& reply) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : bytes) {
        if (reader.Feed(static_cast<uint8_t>(c), line, reply)) {
            lines.push_back(line);
            line.clear();
        }
    }
    return lines;
}

TEST(ConsoleLineReader, TelnetOptionsAreRefused) {
    ConsoleLineReader reader;
    std::string reply;
    // DO ECHO, WILL NAWS, WONT x, DONT y, IAC IAC, IAC NOP.
    std::vector<std::string> lines = Feed(reader,
                                          "\xFF\xFD\x01"
                                          "a\xFF\xFB\x1F"
                                          "b\xFF\xFC\x05\xFF\xFE\x06\xFF\xFF"
                                          "c\xFF\xF1"
                                          "d\n",
                                          reply);
    EXPECT_EQ(lines, (std::vector<std::string>{"abcd"}));
    EXPECT_EQ(reply, std::string("\xFF\xFC\x01\xFF\xFE\x1F\xFF\xFE\x05\xFF\xFC\x06", 12));
}

TEST(ConsoleLineReader, EditingAndControlBytes) {
    ConsoleLineReader reader;
    std::string reply;
    EXPECT_EQ(Feed(reader, "\bab\bc\r\n", reply), (std::vector<std::string>{"ac"}));
    EXPECT_EQ(Feed(reader, "x\ty\x1B\x7F\x80z\n\n", reply), (std::vector<std::string>{"xyz", ""}));
    std::string longLine(5000, 'q');
    std::vector<std::string> lines = Feed(reader, longLine + "\n", reply);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), kConsoleLineMax);
    EXPECT_TRUE(reply.empty());
    // A negotiation cut by the end of a line goes on in the next one.
    Feed(reader, "\xFF", reply);
    EXPECT_EQ(reader.state, 1);
    Feed(reader, "\xFD\x03", reply);
    EXPECT_EQ(reply, "\xFF\xFC\x03");
}

TEST(ConsoleHelp, EveryLineAfterTheFirstIs76Wide) {
    ASSERT_GT(kHelpLineCount, 100);
    EXPECT_STREQ(kHelpLines[0], "dostepne polecenia:");
    for (int i = 1; i < kHelpLineCount; ++i) EXPECT_EQ(std::strlen(kHelpLines[i]), 76u) << i;
    std::string screen = HelpScreen();
    EXPECT_EQ(screen.rfind("+-----------+", screen.size() - 78), screen.size() - 78);
    EXPECT_NE(
        screen.find(
            "| writecal  | zmienia kalibracje wybranego urzadzenia vimko                |\r\n"),
        std::string::npos);
}

DeviceListRow Unit(int index, int state, const char* protocol, int code) {
    DeviceListRow row;
    row.index = index;
    row.state = state;
    row.protocol = protocol;
    row.typeCode = code;
    row.devId = "35600000000000" + std::to_string(index);
    row.description = "Truck " + std::to_string(index);
    row.address = "10.1.2.3";
    row.port = 40000 + index;
    row.loginTime.tm_year = 126;
    row.loginTime.tm_mon = 11;
    row.loginTime.tm_mday = 9;
    row.loginTime.tm_hour = 5;
    row.loginTime.tm_min = 4;
    row.loginTime.tm_sec = 3;
    row.received = 1234;
    row.sent = 56;
    return row;
}

TEST(ConsoleList, BinaryAnswersNameStateAndWaitingConfiguration) {
    EXPECT_EQ(FormatListBinary({}), "done\r\n");
    DeviceListRow held = Unit(3, 1, "S-1", 1);
    DeviceListRow active = Unit(7, 2, "S-3", 0x100);
    active.tcp = false;
    DeviceListRow waiting = Unit(9, 1, "S-2", 4);
    waiting.offlineStatus = 1;
    EXPECT_EQ(FormatListBinary({held, active, waiting}),
              "answer Truck 3,356000000000003,0,1,10.1.2.3,40003,05:04:03,2026-12-09,1234,56\r\n"
              "answer Truck 7,356000000000007,1,256,10.1.2.3,40007,05:04:03,2026-12-09,1234,56\r\n"
              "answer Truck 9,356000000000009,2,4,10.1.2.3,40009,05:04:03,2026-12-09,1234,56\r\n"
              "done\r\n");
}

TEST(ConsoleList, TextTablesShowActiveUnitsAndSessions) {
    DeviceListRow a = Unit(0, 2, "S-1", 1);
    DeviceListRow held = Unit(1, 1, "S-1", 1);
    DeviceListRow b = Unit(12, 2, "PICO", 0x20);
    b.tcp = false;
    ConsoleListRow session{4, std::string(31, 'u'), "127.0.0.1", 5555, true};
    std::string text = FormatListText({a, held, b}, {session});
    const std::string expected =
        "devices:\r\n"
        "+-----+----------+------------------+-----------------------+------------+\r\n"
        "| id  | protocol | devid            | ip:port               | receive    |\r\n"
        "|     |          | description      | login time            | send       |\r\n"
        "+-----+----------+------------------+-----------------------+------------+\r\n"
        "| 0   | S-1      | 356000000000000  | 10.1.2.3       :40000 | 1234       |\r\n"
        "|     | TCP      | Truck 0          | 05:04:03 2026-12-09   | 56         |\r\n"
        "|     |          |                  |                       |            |\r\n"
        "| 12  | PICO     | 3560000000000012 | 10.1.2.3       :40012 | 1234       |\r\n"
        "|     | UDP      | Truck 12         | 05:04:03 2026-12-09   | 56         |\r\n"
        "+-----+----------+------------------+-----------------------+------------+\r\n"
        "configs:\r\n"
        "+-----+---------------------------------+-----------------------+------+\r\n"
        "| id  | user                            | ip:port               | mode |\r\n"
        "+-----+---------------------------------+-----------------------+------+\r\n"
        "| 4   | uuuuuuuuuuuuuuuuuuuuuuuuuuuuuuu | 127.0.0.1      :5555  | BIN  |\r\n"
        "+-----+---------------------------------+-----------------------+------+\r\n";
    EXPECT_EQ(text, expected);
}

TEST(ConsoleReadLog, LastLinesWithTheSkipNotice) {
    EXPECT_EQ(FormatLogTail("a\nb\r\nc", 3), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(FormatLogTail("a\nb\nc\nd\n", 2), "Pominieto pierwsze linie pliku\r\nc\r\nd\r\n");
    EXPECT_EQ(FormatLogTail("", 5), "");
    // A line longer than 4095 characters counts as two.
    std::string log = std::string(5000, 'x') + "\nlast\n";
    std::string tail = FormatLogTail(log, 2);
    EXPECT_EQ(tail, "Pominieto pierwsze linie pliku\r\n" + std::string(905, 'x') + "\r\nlast\r\n");
}

// The file is streamed in chunks: however the bytes are cut, the pieces are
// the same as those of the whole text, including a 4095-character piece
// that ends exactly at a chunk boundary and a last line without LF.
TEST(ConsoleReadLog, PiecesDoNotDependOnHowTheFileIsRead) {
    std::string log = "a\n" + std::string(4095, 'y') + "\n" + std::string(8191, 'z') + "\r\nend";
    auto pieces = [&](size_t chunk) {
        std::vector<std::string> out;
        LogPieceSplitter splitter;
        auto take = [&](std::string_view piece) { out.emplace_back(piece); };
        for (size_t at = 0; at < log.size(); at += chunk)
            splitter.Feed(std::string_view(log).substr(at, chunk), take);
        splitter.Finish(take);
        return out;
    };
    std::vector<std::string> whole = pieces(log.size());
    ASSERT_EQ(whole.size(), 7u);
    EXPECT_EQ(whole[1], std::string(4095, 'y'));
    EXPECT_EQ(whole[2], "\n");
    EXPECT_EQ(whole[5], "z\r\n");
    EXPECT_EQ(whole[6], "end");
    for (size_t chunk : {1u, 2u, 7u, 4095u, 4096u, 65536u})
        EXPECT_EQ(pieces(chunk), whole) << chunk;
    EXPECT_EQ(FormatLogPiece("\r\n"), "\r\n");
    EXPECT_EQ(FormatLogPiece("x\r"), "x\r\n");
}

TEST(ConsoleSelect, RowsStopAfterMaxSelectPlusOne) {
    SelectResult result;
    result.columns = {"id", "sn"};
    result.rows = {{"1", "a"}, {"2", std::nullopt}, {"3", "c"}};
    const std::string rule = std::string(79, '-') + "\r\n";
    EXPECT_EQ(FormatSelectResult(result, 100),
              rule + "id,sn\r\n" + rule + "1,a\r\n2,\r\n3,c\r\n" + rule + "3 wierszy\r\n");
    EXPECT_EQ(FormatSelectResult(result, 0), rule + "id,sn\r\n" + rule +
                                                 "1,a\r\nZatrzymano dalsze wyswietlanie\r\n" +
                                                 rule + "3 wierszy\r\n");
    // The stop notice also follows a last row that reaches the limit.
    EXPECT_EQ(FormatSelectResult(result, 2),
              rule + "id,sn\r\n" + rule + "1,a\r\n2,\r\n3,c\r\nZatrzymano dalsze wyswietlanie\r\n" +
                  rule + "3 wierszy\r\n");
}

}  // namespace
