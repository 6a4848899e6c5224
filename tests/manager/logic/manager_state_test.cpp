// The busy protocol and the status line's timer ticks.

#include "manager/logic/manager_state.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

namespace {

TEST(ManagerState, SecondBusyOperationIsRefusedAndStateRestored) {
    ManagerState state;
    state.terminateRequested = true;
    state.statusCountdown = 7;
    {
        BusyScope first(state);
        EXPECT_FALSE(first.refused());
        EXPECT_TRUE(state.busy);
        EXPECT_FALSE(state.terminateRequested);
        EXPECT_EQ(state.statusCountdown, 0);
        state.terminateRequested = true;
        {
            BusyScope second(state);
            EXPECT_TRUE(second.refused());
        }
        EXPECT_TRUE(state.busy);  // the refused scope ends nothing
        EXPECT_TRUE(state.terminateRequested);
    }
    EXPECT_FALSE(state.busy);
    EXPECT_EQ(state.statusCountdown, 10);  // "Ready" a second later
    {
        BusyScope third(state);
        state.ShowStatus("Operation done correctly", 50);
    }
    EXPECT_EQ(state.statusCountdown, 50);  // an operation's own countdown is kept
}

TEST(ManagerState, TicksShowBusyTimeThenReady) {
    ManagerState state;
    state.BeginBusy();
    for (int i = 0; i < 122; ++i) StatusTick(state);
    EXPECT_EQ(state.statusText, "Executing command: 12.2...");
    EXPECT_TRUE(StatusTick(state));
    EXPECT_EQ(state.statusText, "Executing command: 12.3...");
    state.EndBusy();
    for (int i = 0; i < 9; ++i) EXPECT_FALSE(StatusTick(state));
    EXPECT_EQ(state.statusText, "Executing command: 12.3...");
    EXPECT_TRUE(StatusTick(state));
    EXPECT_EQ(state.statusText, "Ready");
    EXPECT_FALSE(StatusTick(state));
    EXPECT_EQ(state.busyTicks, 123);  // counted only while busy
}

TEST(ManagerState, BusyHookSeesEveryBeginAndEndButNotRefusals) {
    ManagerState state;
    QStringList calls;
    state.busyChanged = [&](bool busy) {
        calls.append(QString("%1 busy=%2").arg(busy ? "begin" : "end").arg(state.busy));
    };
    {
        BusyScope first(state);
        BusyScope refused(state);
        EXPECT_TRUE(refused.refused());
    }
    EXPECT_EQ(calls, (QStringList{"begin busy=1", "end busy=0"}));
}

}  // namespace
