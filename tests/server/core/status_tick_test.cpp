#include "server/core/status_tick.h"

#include <gtest/gtest.h>

#include "server/core/counters.h"
#include "server/core/log.h"
#include "server/core/server_config.h"
#include "server/device/device_slot.h"
#include "tests/support/temp_dir.h"

namespace {

// 2026-12-09 23:59:59 UTC
constexpr int64_t kBeforeMidnight = 1796860799;

class StatusTickTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogSetPath(m_dir.File("srv.log"));
        gLogClock = 0;
        gConfig.logTimeout = 60;
        gConfig.sqlTimeout = 60;
        ClearDeviceSlots();
    }
    std::string Log() const { return ReadFile(m_dir.File("srv.log")); }

    TempDir m_dir;
};

TEST_F(StatusTickTest, HeldSlotSurvivesExactlyLogTimeoutAndGoesOneSecondLater) {
    DeviceSlot& slot = tasks[5];
    slot.state = kSlotHeld;
    slot.lastReceive = 1000;
    HeldSlotSweep(1060);
    EXPECT_EQ(slot.state, kSlotHeld);
    EXPECT_EQ(Log(), "");
    HeldSlotSweep(1061);
    EXPECT_EQ(slot.state, kSlotFree);
    EXPECT_EQ(Log(), "000000 D5: Deleted\n");
    // A freed slot is not reported again.
    HeldSlotSweep(5000);
    EXPECT_EQ(Log(), "000000 D5: Deleted\n");
}

TEST_F(StatusTickTest, ActiveSlotsAreNeverDeletedAndTheirBackoffsStopAtZero) {
    DeviceSlot& active = tasks[0];
    active.state = kSlotActive;
    active.lastReceive = 0;
    active.messageBackoff = 2;
    active.downloadBackoff = 0;
    DeviceSlot& held = tasks[1];
    held.state = kSlotHeld;
    held.lastReceive = 100;
    held.messageBackoff = 7;

    HeldSlotSweep(100);
    EXPECT_EQ(active.messageBackoff, 1u);
    EXPECT_EQ(active.downloadBackoff, 0u);
    HeldSlotSweep(101);
    HeldSlotSweep(102);
    EXPECT_EQ(active.messageBackoff, 0u);
    EXPECT_EQ(active.downloadBackoff, 0u);
    EXPECT_EQ(active.state, kSlotActive);
    // Held slots keep their back-off until they are active again.
    EXPECT_EQ(held.messageBackoff, 7u);
}

TEST_F(StatusTickTest, DayChangeIsLoggedOnceWithTheNewDate) {
    StatusValues first = StatusTick(kBeforeMidnight - 1);
    EXPECT_EQ(gLogClock, 235958u);
    EXPECT_EQ(first.utc.tm_hour, 23);
    StatusTick(kBeforeMidnight);
    LogWrite("before\n");
    StatusTick(kBeforeMidnight + 1);
    EXPECT_EQ(gLogClock, 0u);
    StatusTick(kBeforeMidnight + 2);
    LogWrite("after\n");
    EXPECT_EQ(Log(),
              "235959 before\n"
              "000000 Date: 2026-12-10\n"
              "000001 after\n");
}

TEST_F(StatusTickTest, FirstTickAfterStartWritesNoDateEntry) {
    StatusTick(kBeforeMidnight + 1 + 3600);  // 01:00:00, clock was 0
    EXPECT_EQ(gLogClock, 10000u);
    EXPECT_EQ(Log(), "");
}

TEST_F(StatusTickTest, ValuesCountActiveSlotsAndTotals) {
    StatusValues idle = StatusTick(kBeforeMidnight);
    EXPECT_EQ(idle.devices, 0);
    EXPECT_EQ(idle.received, 0u);
    EXPECT_EQ(idle.sent, 0u);
    tasks[3].state = kSlotActive;
    tasks[1999].state = kSlotActive;
    tasks[4].state = kSlotHeld;
    tasks[4].lastReceive = kBeforeMidnight;
    total_received += 100;
    total_sent += 7;
    StatusValues busy = StatusTick(kBeforeMidnight);
    EXPECT_EQ(busy.devices, 2);
    EXPECT_EQ(busy.received, 100u);
    EXPECT_EQ(busy.sent, 7u);
    EXPECT_EQ(busy.sqlConnected, 0);
}

}  // namespace
