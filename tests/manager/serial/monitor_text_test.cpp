// Monitor rows from hand-made answers: binary element payloads and Vimko-1
// text lines, the icons, and the poll cycle with its moving rows.

#include <gtest/gtest.h>

#include <string>

#include "manager/logic/monitor_cycle.h"
#include "manager/logic/monitor_text.h"
#include "tests/manager/serial/serial_bytes.h"

namespace {

// The module item of a unit that sends VIN, VRN and CRC (82 data bytes).
Bytes ModuleData(size_t size) {
    Bytes d = Text("354330031234567", 16) + Text("89480000000000000001", 21) + B({3}) + Le(396, 4) +
              Le(250, 2) + B({2, 2, 5, 7}) + Text("WVWZZZ1JZXW000001", 17) + Text("WX12345", 13) +
              Le(0xDEADBEEF, 4);
    d.resize(size, 0);
    return d;
}

std::string Value(int code, const Bytes& data) {
    return MonitorValueText(code, static_cast<int>(data.size()) + 7, data);
}

Bytes GpsData(int antstat, int fixstat) {
    return B({fixstat, 7}) + Le(523456789, 4) + Le(209876543, 4) + Le(1234, 2) + Le(-56, 2) +
           Le(18050, 2) + Le(5025, 2) + Le(123456, 4) + Le(12345600, 4) + B({9, 12}) + Le(2026, 2) +
           B({antstat});
}

TEST(MonitorText, ModuleItemByFrameLength) {
    const std::string info = "\nInfo:GSM_ACT,GPRS_MODE,TCP_CONNECTED,5,7\nIcon=0";
    const std::string ids = "Imei:354330031234567 Ccid:89480000000000000001\nVer:396 Stat:3";
    EXPECT_EQ(Value(60, ModuleData(82)),
              ids + " Vin:WVWZZZ1JZXW000001 Vrn:WX12345 Crcc:3735928559" + info);
    EXPECT_EQ(Value(60, ModuleData(78)), ids + " Vin:WVWZZZ1JZXW000001 Vrn:WX12345" + info);
    EXPECT_EQ(Value(60, ModuleData(48)), ids + info);
}

TEST(MonitorText, ModuleStatesAndIcons) {
    struct Gsm {
        unsigned value;
        const char* text;
    } gsm[] = {{0, "GSM_INIT"},     {99, "GSM_INIT"},    {100, "GSM_CONNECT"},
               {499, "GSM_ACT"},    {500, "GSM_OFF"},    {650, "GSM_PUKERR"},
               {700, "GSM_SIMERR"}, {899, "GSM_PINERR"}, {900, "GSM_RESTART"}};
    for (const Gsm& g : gsm) EXPECT_STREQ(MonitorGsmState(g.value), g.text) << g.value;
    EXPECT_STREQ(MonitorMode(0x81), "FORCE_SMS_MODE");
    EXPECT_STREQ(MonitorMode(3), "UNKNOWN");
    EXPECT_STREQ(MonitorLinkState(6), "SMS_CHECK");
    EXPECT_STREQ(MonitorLinkState(13), "SMS_CHECK");
    EXPECT_STREQ(MonitorLinkState(14), "SMS_STATUSRQ");
    EXPECT_STREQ(MonitorLinkState(21), "TCP_DATAREAD");
    EXPECT_STREQ(MonitorLinkState(22), "UNKNOWN");
    EXPECT_EQ(MonitorModuleIcon(2, 2), 0);
    EXPECT_EQ(MonitorModuleIcon(2, 3), 1);
    EXPECT_EQ(MonitorModuleIcon(1, 2), 2);
    EXPECT_EQ(MonitorModuleIcon(0x80, 2), 1);
}

TEST(MonitorText, GpsRowAndItsIcon) {
    EXPECT_EQ(Value(61, GpsData(0, 1)),
              "Fixstat:1 Satuse:7 Latitude:52.3456789 Longitude:20.9876543\n"
              "Altitude:123.4 Altref:-5.6 Cogt:180.5 Kph:50.25 Distance:123456\n"
              "Time:12345600 Date:9/12/2026 Antstat:0\nIcon=2");
    EXPECT_TRUE(Value(61, GpsData(1, 1)).ends_with("\nIcon=0"));
    EXPECT_TRUE(Value(61, GpsData(1, 0)).ends_with("\nIcon=1"));
}

TEST(MonitorText, ElementRows) {
    struct Case {
        int code;
        Bytes data;
        std::string text;
    } cases[] = {
        {62, B({0xA5, 0x01, 0x80}), "Rawdin:10100101\nHidin:00000001\nLowdin:10000000"},
        {63, Le(11500, 2) + Le(0x8000 | 1234, 2) + Le(5, 2) + Le(0, 2),
         "Val0:11.5 Val1:34.002\nVal2:0.005 Val3:0\nIcon=0"},
        {63, Le(11499, 2) + Le(0, 6), "Val0:11.499 Val1:0\nVal2:0 Val3:0\nIcon=1"},
        {64, Le(1, 4) + Le(4000000000, 4) + Le(123456789, 4) + Le(5, 4),
         "Imp0:1 Imp1:4000000000\nImp2:12345678.9 Imp3:0.5"},
        {65, B({1}) + Text("ABC123", 16), "Valid:1\nId:ABC123"},
        {65, B({0, 1, 2, 3, 4, 5, 6, 0xAB, 0xCD}), "Valid:0\nId:CDAB060504030201"},
        {66, B({99}) + Le(26001, 4), "Sig:99\nNework:26001\nIcon=2"},
        {66, B({9}) + Le(0, 4), "Sig:9\nNework:0\nIcon=1"},
        {66, B({10}) + Le(0, 4), "Sig:10\nNework:0\nIcon=0"},
        {67, Le(77, 4) + Le(-3, 4) + B({4}), "Seqno:77\nUsemem:-3\nFrametype:4\nIcon=0"},
        {67, Le(77, 4) + Le(12, 4) + B({4}), "Seqno:77\nUsemem:12\nFrametype:4\nIcon=1"},
        {68, B({0x88}), "Alarmcode:136\nIcon=2"},
        {68, B({0x07}), "Alarmcode:7\nIcon=0"},
        {69,
         B({3}) + Le(10000000, 4) + Le(-20000000, 4) + Le(1, 4) + Le(2, 4) + Le(3, 4) + Le(4, 4) +
             Le(5, 4) + Le(6, 4),
         "Fixstat:3 Latitude0:1 Longitude0:-2 \nLatitude1:1e-07 Longitude1:2e-07 Latitude2:3e-07\n"
         "Longitude2:4e-07 Latitude3:5e-07 Longitude3:6e-07"},
        {70, Le(1, 2) + Le(2, 2) + Le(65535, 2), "Level0:1\nLevel1:2\nLevel2:65535"},
        {71, Le(1234, 2) + Le(56789, 2), "Lac:1234\nCi:56789"},
        {72, B({2}) + Le(3700, 2) + Le(12650, 2) + B({0xF6, 5}),
         "Status:2\nBat:3.7 Pwr:12.65\nRemrssi:-10 Locrssi:5"},
        {73, Le(1765000000, 4), "Time:1765000000"},
        {75, Le(-215, 2) + Le(128, 2) + Le(-64, 2) + Le(1, 2),
         "Temp:-21.5\nAccx:1 Accy:-0.5 Accz:0.0078125\nIcon=0"},
        {75, Le(0, 8), "Temp:0\nAccx:0 Accy:0 Accz:0\nIcon=1"},
        {78, B({1, 2}) + Le(1234, 2), "Status:1\nDirection:2\nSpeed:12.34"},
        {79, Le(128, 2) + Le(-128, 2) + Le(64, 2) + Le(1, 2) + Le(2, 2) + Le(3, 2),
         "Acc2x:1 Acc2y:-1 Acc2z:0.5\nBrake:1 Accel:2 Corner:3"},
        {80, B({1}) + Text("TAG2", 16), "Valid2:1\nId2:TAG2"},
        {81,
         Le(9, 2) + Le(1, 2) + Le(2, 2) + Le(3, 2) + Le(4, 2) + Le(5, 2) + Le(6, 2) + Le(7, 2) +
             Le(8, 2) + Le(10, 2) + Le(11, 2) + Le(12, 2) + Le(13, 2),
         "Route:9\nCount0:1 Count1:2 Count2:3 Count3:4 Time0:5 Time1:6\nTime2:7 Time3:8 Dist0:100 "
         "Dist1:110 Dist2:120 Dist3:130"},
        {83, B({42}), "Eventcode:42"},
        {84, B({1, 2, 3, 4}), "LdwR:1 LdwL:2\nTtc:3 Fcw:4"},
        {85, Le(513, 2) + Le(3000000000, 4), "TellTale:513\nTotalFuel:3000000000"},
    };
    for (const Case& c : cases) EXPECT_EQ(Value(c.code, c.data), c.text) << c.code;
}

TEST(MonitorText, CanRowsShowDataLastByteFirst) {
    Bytes data;
    for (int i = 0; i < 20; ++i) data.push_back(static_cast<uint8_t>(i));
    const std::string reversed = "131211100F0E0D0C0B0A09080706050403020100";
    EXPECT_EQ(Value(76, B({5, 1}) + data), "Status:5\nConfig:1\nData:" + reversed);
    Bytes ex = B({0xA0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xBB});
    EXPECT_EQ(Value(77, B({5, 1}) + data + ex),
              "Status:5 Config:1\nData:" + reversed + "\nDataEx:BB00000000000000000000A0");
}

TEST(MonitorText, Vimko1AnswersBuildTheSameRows) {
    MonitorTextState state;
    EXPECT_EQ(
        MonitorDecodeTextAnswer("$ANS200,354330031234567,89480000000000000001*4F", state).item, -1);
    EXPECT_EQ(MonitorDecodeTextAnswer("$ANS201,3,96,2*11", state).item, -1);
    EXPECT_EQ(state.imei, "354330031234567");
    EXPECT_EQ(state.ccid, "89480000000000000001");
    MonitorTextResult module = MonitorDecodeTextAnswer("$ANS202,150,1,15,0,3*00", state);
    EXPECT_EQ(module.item, 0);
    EXPECT_EQ(module.text,
              "Imei:354330031234567 Ccid:89480000000000000001\nVer:3.96.2\n"
              "Info:GSM_CONNECT,SMS_MODE,SMS_SEND,0,3\nIcon=2");

    struct Case {
        const char* line;
        int item;
        std::string text;
    } cases[] = {
        {"$ANS203,1,7,523456789,209876543,1234,-56,18050,5025,123456,12345600,9,12,2026,0*00", 1,
         "Fixstat:1 Satuse:7 Latitude:52.3456789 Longitude:20.9876543\n"
         "Altitude:123.4 Altref:-5.6 Cogt:180.5 Kph:50.25 Distance:123456\n"
         "Time:12345600 Date:9/12/2026 Antstat:0\nIcon=2"},
        {"$ANS204,165,1,128*00", 2, "Rawdin:10100101\nHidin:00000001\nLowdin:10000000"},
        {"$ANS205,12000,0,0,0*", 3, "Val0:12 Val1:0\nVal2:0 Val3:0\nIcon=0"},
        {"$ANS207,1,ABC123*", 5, "Valid:1\nId:ABC123"},
        {"$ANS208,0,26001*", 6, "Sig:0\nNework:26001\nIcon=2"},
        {"$ANS210,8*", 8, "Alarmcode:8\nIcon=2"},
        {"$ANS215,0*", 13, "Time:0 (1970-01-01 00:00:00)"},
        {"$ANS216,1805*", 14, "Cogt:180.5"},
        {"$ANS222,128,0,0,1,2,3*", 16, "Acc2x:1 Acc2y:0 Acc2z:0\nBrake:1 Accel:2 Corner:3"},
    };
    for (const Case& c : cases) {
        MonitorTextResult r = MonitorDecodeTextAnswer(c.line, state);
        EXPECT_EQ(r.item, c.item) << c.line;
        EXPECT_EQ(r.text, c.text) << c.line;
    }
    EXPECT_EQ(MonitorDecodeTextAnswer("$ANS100,1*", state).item, -1);
    EXPECT_EQ(MonitorDecodeTextAnswer("$ANS2", state).item, -1);
}

// Runs one whole cycle; `answer` says whether the unit answers a code.
template <typename Answer>
int RunCycle(MonitorBoard& board, Answer answer) {
    int steps = 0;
    board.Start();
    while (true) {
        MonitorBoard::Step step = board.PollStep();
        ++steps;
        if (step.ended) break;
        if (step.code >= 0 && answer(step.code)) {
            board.Fill(MonitorItemOfCode(board.DeviceType(), step.code),
                       "v" + std::to_string(step.code));
        }
    }
    return steps;
}

TEST(MonitorCycle, BinaryCyclesPerGeneration) {
    struct Case {
        int deviceType;
        std::vector<int> codes;
    } cases[] = {
        {1, {60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 75, 76, 79}},
        {2, {60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71,
             72, 73, 75, 77, 78, 79, 80, 81, 83, 84, 85}},
    };
    for (const Case& c : cases) {
        MonitorBoard board;
        board.Reset(c.deviceType);
        std::vector<int> sent;
        RunCycle(board, [&](int code) {
            sent.push_back(code);
            return true;
        });
        EXPECT_EQ(sent, c.codes) << c.deviceType;
        EXPECT_EQ(board.MonitorStep(), 0);
        // Every row was filled, each by its own item.
        for (int k = 0; k < board.RowCount(); ++k) EXPECT_FALSE(board.Value(k).empty()) << k;
        EXPECT_EQ(board.Value(16), c.deviceType == 2 ? "v78" : "v79");
    }
}

TEST(MonitorCycle, SilentUnitLeavesEveryRowEmpty) {
    for (int type : {1, 2}) {
        MonitorBoard board;
        board.Reset(type);
        RunCycle(board, [](int) { return true; });
        RunCycle(board, [](int) { return false; });
        for (int k = 0; k < board.RowCount(); ++k)
            EXPECT_EQ(board.Value(k), "") << type << " " << k;
    }
}

TEST(MonitorCycle, TextCycleEmptiesRowsFromStepFour) {
    MonitorBoard board;
    board.Reset(0);
    board.Start();
    for (int k = 0; k < 17; ++k) board.Fill(k, "old");
    std::vector<std::string> bodies;
    std::vector<int> emptied;
    while (true) {
        MonitorBoard::Step step = board.PollStep();
        if (step.emptyRow >= 0) emptied.push_back(step.emptyRow);
        if (step.ended) break;
        bodies.push_back(step.textBody);
    }
    ASSERT_EQ(bodies.size(), 19u);
    EXPECT_EQ(bodies.front(), "$GET200*");
    EXPECT_EQ(bodies.back(), "$GET222*");
    std::vector<int> rows;
    for (int k = 0; k < 17; ++k) rows.push_back(k);
    EXPECT_EQ(emptied, rows);
}

TEST(MonitorCycle, AutomaticRestartsAndRefreshEndsIdle) {
    MonitorBoard board;
    board.Reset(1);
    board.SetAutomatic(true);
    EXPECT_EQ(RunCycle(board, [](int) { return true; }), 18);
    EXPECT_EQ(board.MonitorStep(), 1);
    EXPECT_FALSE(board.Start());  // already running
    board.SetAutomatic(false);
    RunCycle(board, [](int) { return true; });
    EXPECT_EQ(board.MonitorStep(), 0);
}

TEST(MonitorCycle, MovedGpsRowReceivesLaterGpsAnswers) {
    MonitorBoard board;
    board.Reset(2);
    ASSERT_TRUE(board.Move(1, -1));  // "GPS Data:" up
    EXPECT_EQ(board.Heading(0), "GPS Data:");
    EXPECT_EQ(board.Heading(1), "Module information:");
    EXPECT_EQ(board.RowOf(1), 0);
    EXPECT_EQ(board.RowOf(0), 1);
    RunCycle(board, [](int) { return true; });
    EXPECT_EQ(board.Value(0), "v61");
    EXPECT_EQ(board.Value(1), "v60");
    EXPECT_FALSE(board.Move(0, -1));
    EXPECT_FALSE(board.Move(22, 1));
    // The order is kept per generation across a re-layout.
    board.Reset(2);
    EXPECT_EQ(board.Heading(0), "GPS Data:");
    board.Reset(1);
    EXPECT_EQ(board.Heading(0), "Module information:");
}

TEST(MonitorCycle, HeadingsPerGeneration) {
    EXPECT_STREQ(MonitorHeading(0, 14), "Data from compass:");
    EXPECT_STREQ(MonitorHeading(1, 14), "Data from MEMS:");
    EXPECT_STREQ(MonitorHeading(1, 16), "Additional MEMS data:");
    EXPECT_STREQ(MonitorHeading(2, 16), "Data from RFID:");
    EXPECT_STREQ(MonitorHeading(2, 22), "CAN extra:");
    EXPECT_STREQ(MonitorHeading(1, 17), "");
}

}  // namespace
