// The monitor poll cycle driven by a 100-ms timer, as the main window drives
// it, against vimko-serial-unit over a socat pty pair.

#include "manager/logic/monitor_controller.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "tests/manager/local/local_fixture.h"

namespace {

// Runs one cycle from "&Refresh" to its end with the main window's timer.
bool RunCycle(LocalFixture& f) {
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { f.monitor.PollStep(); });
    tick.start(100);
    f.monitor.RefreshButton();
    if (f.monitor.RefreshEnabled()) return false;  // "&Refresh" disables itself
    return PumpUntil([&] { return f.state.monitorStep == 0; }, 10000);
}

const char* const kModuleText[] = {
    // Vimko-1: the version from "$ANS201,", the IMEI and SIM number from "$ANS200,".
    "Imei:354330031234567 Ccid:89480000000000000001\nVer:3.96.2\n"
    "Info:GSM_ACT,GPRS_MODE,TCP_CONNECTED,0,0",
    "Imei:354330031234567 Ccid:89480000000000000001\nVer:396 Stat:3\n"
    "Info:GSM_ACT,GPRS_MODE,TCP_CONNECTED,0,0",
    // A Vimko-3/4 module answer is long enough for the VIN, VRN and CRC.
    "Imei:354330031234567 Ccid:89480000000000000001\n"
    "Ver:396 Stat:3 Vin:WVWZZZ1JZXW000001 Vrn:WX12345 Crcc:305419896\n"
    "Info:GSM_ACT,GPRS_MODE,TCP_CONNECTED,0,0",
};

TEST(MonitorController, FullCycleOfEachGenerationFillsEveryRow) {
    for (int type : {kVimko1, kVimko2, kVimko3}) {
        SCOPED_TRACE(type);
        LocalFixture f(type);
        ASSERT_TRUE(f.Ready());
        ASSERT_EQ(f.monitor.RowCount(), type == kVimko3 ? 23 : 17);
        EXPECT_TRUE(f.monitor.RefreshEnabled());
        ASSERT_TRUE(RunCycle(f));
        EXPECT_TRUE(f.monitor.RefreshEnabled());
        for (int row = 0; row < f.monitor.RowCount(); ++row) {
            EXPECT_FALSE(f.monitor.RowText(row).isEmpty()) << f.monitor.Heading(row).toStdString();
        }
        struct Row {
            int row;
            const char* heading;
            QString text;
            int icon;
        } const kRows[] = {
            {0, "Module information:", kModuleText[type], 0},
            {3, "Analog inputs:", "Val0:12 Val1:11\nVal2:0.5 Val3:0", 0},
            {6, "GSM Data:", "Sig:21\nNework:26001", 0},
            {7, "Black box:", "Seqno:77\nUsemem:0\nFrametype:1", 0},
            {8, "Alarm information:", "Alarmcode:0", 0},
            {11, "Additional information GSM:", "Lac:1234\nCi:56789", -1},
        };
        for (const Row& r : kRows) {
            EXPECT_EQ(f.monitor.Heading(r.row), r.heading);
            EXPECT_EQ(f.monitor.RowText(r.row), r.text) << r.heading;
            EXPECT_EQ(f.monitor.RowIcon(r.row), r.icon) << r.heading;
        }
        EXPECT_TRUE(f.monitor.RowText(1).startsWith("Fixstat:1 Satuse:9 Latitude:52.3456789"));
        EXPECT_EQ(f.monitor.RowIcon(1), 0);  // antenna fine, position fixed
        // What the label printer takes from the module row.
        EXPECT_TRUE(f.label.moduleSeenForLabel);
        EXPECT_TRUE(f.label.unitOnline);
        EXPECT_EQ(f.label.lastImei, "354330031234567");
        EXPECT_EQ(f.label.lastCcid, "89480000000000000001");
    }
}

TEST(MonitorController, MovedRowsAndASilentUnit) {
    {
        LocalFixture f(kVimko2);
        ASSERT_TRUE(f.Ready());
        EXPECT_EQ(f.monitor.MoveUp(1), 0);  // "GPS Data:" to the top
        EXPECT_EQ(f.monitor.MoveUp(0), 0);  // the top row stays
        EXPECT_EQ(f.monitor.Heading(0), "GPS Data:");
        ASSERT_TRUE(RunCycle(f));
        EXPECT_TRUE(f.monitor.RowText(0).startsWith("Fixstat:"));
        EXPECT_TRUE(f.monitor.RowText(1).startsWith("Imei:"));
        EXPECT_EQ(f.monitor.MoveDown(16), 16);  // the bottom row stays
    }
    for (int type : {kVimko1, kVimko3}) {
        SCOPED_TRACE(type);
        LocalFixture f(type, false);
        ASSERT_TRUE(f.Ready());
        ASSERT_TRUE(RunCycle(f));
        for (int row = 0; row < f.monitor.RowCount(); ++row) {
            EXPECT_EQ(f.monitor.RowText(row), "");
            EXPECT_EQ(f.monitor.RowIcon(row), -1);
        }
        EXPECT_FALSE(f.label.moduleSeenForLabel);
        EXPECT_TRUE(f.monitor.RefreshEnabled());
    }
}

}  // namespace
