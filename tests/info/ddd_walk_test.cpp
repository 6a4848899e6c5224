// VimkoInfo's walk: names and states of card files, vehicle unit transfers
// of every type, cut files and unknown records; the command-line rules.

#include "info/ddd_walk.h"

#include <gtest/gtest.h>

#include "info/info_command.h"
#include "tools/unit_sim/tacho_files.h"

namespace {

using namespace unit_sim;

constexpr char kVin[] = "WVWZZZ1JZXW000001";

std::string Card() {
    return DriverDdd(DriverCardFiles("1000000012345678", "DE LA CRUZ"));
}

std::string Record(uint16_t id, uint8_t appendix, const std::string& data) {
    std::string out = {static_cast<char>(id >> 8), static_cast<char>(id & 0xFF),
                       static_cast<char>(appendix), static_cast<char>(data.size() >> 8),
                       static_cast<char>(data.size() & 0xFF)};
    return out + data;
}

TEST(DddWalk, CardFileGivesNumberAndSurnameWithoutSpaces) {
    DddWalk w = WalkDdd(Card());
    EXPECT_EQ(w.name, "1000000012345678_DELACRUZ");
    EXPECT_TRUE(w.complete);
    // The signature record of the identification (appendix 1) adds nothing.
    std::string onlySignature = Record(0x0520, 1, std::string(143, 'S'));
    EXPECT_EQ(WalkDdd(onlySignature).name, "");
    EXPECT_TRUE(WalkDdd(onlySignature).complete);
}

TEST(DddWalk, EveryTransferTypeEndsWhereItsCountsSay) {
    VuCounts none{};
    none.company_locks = none.controls = 0;
    none.card_insertions = none.activity_changes = 0;
    none.places = 0;
    none.specific_conditions = 0;
    none.faults = none.events = none.over_speeding = none.time_adjustments = 0;
    none.speed_blocks = 0;
    none.calibrations = 0;
    VuCounts many{};
    many.company_locks = 3;
    many.controls = 255;
    many.card_insertions = 300;
    many.activity_changes = 1440;
    many.places = 7;
    many.specific_conditions = 2;
    many.faults = 4;
    many.events = 5;
    many.over_speeding = 6;
    many.time_adjustments = 7;
    many.speed_blocks = 1000;
    many.calibrations = 3;
    for (const VuCounts& counts : {none, VuCounts{}, many}) {
        for (int type = 1; type <= 5; ++type) {
            std::string transfer = VuTransfer(type, counts, kVin, "WX 12345");
            DddWalk whole = WalkDdd(transfer);
            EXPECT_TRUE(whole.complete) << type;
            EXPECT_EQ(whole.name, type == 1 ? std::string(kVin) + "_WX12345" : "") << type;
            // One byte short, or one byte more (a record that cannot start): ERROR.
            EXPECT_FALSE(WalkDdd(transfer.substr(0, transfer.size() - 1)).complete) << type;
            EXPECT_FALSE(WalkDdd(transfer + "\x01").complete) << type;
            // Two transfers in a row.
            EXPECT_TRUE(WalkDdd(transfer + transfer).complete) << type;
        }
    }
    DddWalk all = WalkDdd(VuDownload(kVin, "KR 1A", many));
    EXPECT_TRUE(all.complete);
    EXPECT_EQ(all.name, std::string(kVin) + "_KR1A");
}

TEST(DddWalk, CutFilesKeepTheNameFoundSoFar) {
    std::string card = Card();
    size_t identification = card.find(std::string("\x05\x20\x00", 3));
    ASSERT_NE(identification, std::string::npos);
    size_t data = identification + 5;
    struct Case {
        size_t length;
        std::string name;
    } cases[] = {
        {data + 10, "100000001"},                   // inside the card number
        {data + 66, "1000000012345678"},            // before the surname
        {data + 69, "1000000012345678_DE"},         // inside the surname ("DE " + "L")
        {data + 101, "1000000012345678_DELACRUZ"},  // surname complete, record not
    };
    for (const Case& c : cases) {
        DddWalk w = WalkDdd(card.substr(0, c.length));
        EXPECT_EQ(w.name, c.name) << c.length;
        EXPECT_FALSE(w.complete) << c.length;
    }
    std::string vu = VuTransfer(1, VuCounts{}, kVin, "WX 12345");
    EXPECT_EQ(WalkDdd(vu.substr(0, 400)).name, "WVWZZZ1JZX");
    EXPECT_EQ(WalkDdd(vu.substr(0, 413)).name, std::string(kVin) + "_WX1");
    EXPECT_FALSE(WalkDdd(std::string("\x76", 1)).complete);
    EXPECT_FALSE(WalkDdd(std::string("\x05\x20", 2)).complete);
}

TEST(DddWalk, UnknownRecordsStopTheWalkAsAnError) {
    std::string card = Card();
    for (const std::string& tail :
         {Record(0x0523, 0, "xx"), std::string("\x76\x06", 2), std::string("\x76\x00", 2)}) {
        DddWalk w = WalkDdd(card + tail + card);
        EXPECT_FALSE(w.complete);
        EXPECT_EQ(w.name, "1000000012345678_DELACRUZ");
    }
    DddWalk empty = WalkDdd("");
    EXPECT_TRUE(empty.complete);
    EXPECT_EQ(ShownName(empty), "unknown");
}

TEST(InfoCommand, ActionsByArguments) {
    using A = std::vector<std::string>;
    EXPECT_EQ(ChooseInfoAction(A{}), InfoAction::kUsage);
    EXPECT_EQ(ChooseInfoAction(A{"f"}), InfoAction::kReport);
    EXPECT_EQ(ChooseInfoAction(A{"f", "-n"}), InfoAction::kName);
    EXPECT_EQ(ChooseInfoAction(A{"f", "-r"}), InfoAction::kRename);
    EXPECT_EQ(ChooseInfoAction(A{"f", "-R"}), InfoAction::kNothing);
    EXPECT_EQ(ChooseInfoAction(A{"f", "-r", "-n"}), InfoAction::kReport);
}

TEST(InfoCommand, RenamedPathCutsTheFileNameAtItsFirstDot) {
    struct Case {
        const char* argument;
        const char* name;
        const char* path;
    } cases[] = {
        {"20261209_101500_356.ddd", "N_S", "20261209_101500_356_N_S.ddd"},
        {"a.b.ddd", "N", "a_N.ddd"},
        {"plain", "unknown", "plain_unknown.ddd"},
        {"/var/vimko.d/drv/x.ddd", "N", "/var/vimko.d/drv/x_N.ddd"},
        {"./x.ddd", "N", "./x_N.ddd"},
        {"dir/x", "A/B", "dir/x_A_B.ddd"},
    };
    for (const Case& c : cases) EXPECT_EQ(RenamedPath(c.argument, c.name), c.path) << c.argument;
    // Text output stops at a NUL byte of the name.
    DddWalk w;
    w.name = std::string("AB\0CD", 5);
    EXPECT_EQ(ReportText(&w), "Name: AB\nFile: ERROR\n");
}

}  // namespace
