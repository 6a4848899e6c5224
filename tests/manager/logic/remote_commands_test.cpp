// Remote configuration commands: the command of each tab and generation,
// the generation of a protocol bit, and the off-line report's message.

#include "manager/logic/remote_commands.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include "manager/logic/manager_state.h"
#include "manager/logic/param_list.h"

namespace {

TEST(RemoteCommands, CommandWordsOfEveryTabAndGeneration) {
    const struct {
        int tab;
        const char* read[3];
        const char* write[3];
    } cases[] = {
        {kTabGeneral, {"readcfg", "readcfg", "readcfg"}, {"writecfg", "writecfg", "writecfg3"}},
        {kTabCalibration, {"", "", "readcal"}, {"", "", "writecal3"}},
        {kTabFms, {"readfms", "readfms", "readfms"}, {"writefms", "writefms", "writefms3"}},
        {kTabCan, {"", "readcan", "readcan"}, {"", "writecan", "writecan3"}},
        {kTabStatuses, {"", "readstat", "readstat"}, {"", "writestat", "writestat3"}},
        {kTabEvents, {"", "readcane", "readcane"}, {"", "writecane", "writecane3"}},
        {kTabDallas, {"readmask", "readmask", "readbtn"}, {"writemask", "writemask", "writebtn"}},
        {kTabNetwork, {"", "readntwk", "readntwk"}, {"", "writentwk", "writentwk3"}},
        {kTabCan2, {"", "", "readcan2"}, {"", "", "writecan2"}},
    };
    for (const auto& c : cases) {
        for (int type = 0; type < 3; ++type) {
            EXPECT_EQ(ReadCommandWord(c.tab, type), QLatin1String(c.read[type])) << c.tab << type;
            EXPECT_EQ(WriteCommandWord(c.tab, type), QLatin1String(c.write[type])) << c.tab << type;
        }
    }
    EXPECT_EQ(BuildReadCommand(kTabCalibration, kVimko2, "356"), "");
    EXPECT_EQ(BuildReadCommand(kTabDallas, kVimko3, "356"), "readbtn 356");
}

TEST(RemoteCommands, WriteCommandCarriesTheOfflineFlagAndEveryValue) {
    ParamList fms = DefaultList(kTabFms, kVimko2);
    fms.SetValue("FMSID", "3");
    fms.SetValue("PGN19,SPN19", "65262,110");
    QString online =
        BuildWriteCommand(kTabFms, kVimko2, "356001", false, CommandValues(fms, kTabFms, kVimko2));
    EXPECT_TRUE(online.startsWith("writefms 356001,0,3,0,0,"));
    EXPECT_TRUE(online.endsWith(",65262,110"));
    EXPECT_EQ(online.count(','), 1 + 41);  // the flag and 20 pairs after FMSID
    QString offline =
        BuildWriteCommand(kTabGeneral, kVimko3, "356002", true,
                          CommandValues(DefaultList(kTabGeneral, kVimko3), kTabGeneral, kVimko3));
    EXPECT_TRUE(offline.startsWith("writecfg3 356002,1,,"));
    EXPECT_EQ(offline.count(','), 1 + 37);
    EXPECT_EQ(BuildWriteCommand(kTabCan, kVimko1, "356", false, {}), "");
}

TEST(RemoteCommands, GenerationsAndGroupModeNames) {
    const struct {
        int bit, generation;
    } bits[] = {{1, 0},   {2, 0},    {4, 1},   {8, 1},   {16, -1}, {32, -1},
                {64, -1}, {128, -1}, {256, 2}, {512, 2}, {3, -1},  {0, -1}};
    for (const auto& b : bits) EXPECT_EQ(GenerationOfProtocol(b.bit), b.generation) << b.bit;
    EXPECT_TRUE(ModeNameFits(kVimko1, "Vimko-1 UDP"));
    EXPECT_FALSE(ModeNameFits(kVimko1, "Vimko-2 TCP"));
    EXPECT_TRUE(ModeNameFits(kVimko3, "Vimko-3 TCP"));
    EXPECT_FALSE(ModeNameFits(kVimko3, "PicoVimko TCP"));
    EXPECT_FALSE(ModeNameFits(kVimko2, ""));
    EXPECT_EQ(SelectTypeQuestion(kVimko3),
              "Does before the operation select the type of device on Vimko-3?");
}

TEST(RemoteCommands, OfflineStatusMessages) {
    const struct {
        const char* answer;
        int status;
        const char* message;
    } cases[] = {
        {"0", 0, ""},
        {"1,0,2026-12-09,10:15:00", 1,
         "OFF-LINE Configuration Status:\r\n2026-12-09 10:15:00 [General] Waiting to contact with "
         "server"},
        {"7,8,a,b", 7,
         "OFF-LINE Configuration Status:\r\na b [CanEx] Configuration saved successfully"},
        {"5,9,a,b", 5, "OFF-LINE Configuration Status:\r\na b Limit attempts to setup exhausted"},
        {"9,3,a,b", 9, "OFF-LINE Configuration Status:\r\na b [CAN] "},
        {"6,x,,", 6, "OFF-LINE Configuration Status:\r\n  Setup was rejected"},
    };
    for (const auto& c : cases) {
        int status = -1;
        EXPECT_EQ(OfflineStatusMessage(c.answer, status), QLatin1String(c.message)) << c.answer;
        EXPECT_EQ(status, c.status);
    }
}

}  // namespace
