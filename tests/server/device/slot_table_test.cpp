#include "server/device/slot_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "server/core/log.h"
#include "server/device/device_slot.h"
#include "tests/support/temp_dir.h"

namespace {

class SlotTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogSetPath(m_dir.File("srv.log"));
        gLogClock = 0;
        ClearDeviceSlots();
    }
    static sockaddr_in Peer(uint16_t port) {
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        peer.sin_addr.s_addr = htonl(0x7F000001);
        return peer;
    }
    static void SetSerial(int slot, const char* serial) {
        std::lock_guard<std::mutex> lock(tasks[slot].textLock);
        std::strcpy(tasks[slot].devId, serial);
    }
    std::string Log() const { return ReadFile(m_dir.File("srv.log")); }

    TempDir m_dir;
};

TEST_F(SlotTableTest, AllocationTakesTheLowestFreeSlotWithFreshValues) {
    tasks[0].state = kSlotActive;
    tasks[2].state = kSlotHeld;
    DeviceSlot& old = tasks[1];
    old.owner = 7;
    old.dbId = 99;
    old.location.present = 5;
    old.offlineStatus = 3;
    old.terminate = 1;
    ASSERT_EQ(AllocateTcpSlot(42, Peer(5000), 1000), 1);
    EXPECT_EQ(old.state, kSlotActive);
    EXPECT_EQ(old.tcp, 1);
    EXPECT_EQ(old.socket, 42);
    EXPECT_EQ(old.owner, kOwnerNone);
    EXPECT_EQ(old.dbId, 0u);
    EXPECT_EQ(old.location.present, 0u);
    EXPECT_EQ(old.offlineStatus, 0);
    EXPECT_EQ(old.terminate, 0);
    EXPECT_EQ(old.terminator, '\n');
    EXPECT_EQ(old.blockno, kDriverBlocks);
    EXPECT_EQ(old.lastReceive, 1000);
    EXPECT_STREQ(old.description, "unknown");
    EXPECT_STREQ(old.devId, "");

    ASSERT_EQ(AllocateUdpSlot(9, Peer(6000), "12345", 40, ';', 2000), 3);
    EXPECT_EQ(tasks[3].tcp, 0);
    EXPECT_STREQ(tasks[3].devId, "12345");
    EXPECT_EQ(tasks[3].bytesReceived, 40u);
    EXPECT_EQ(tasks[3].terminator, ';');
}

TEST_F(SlotTableTest, TableOfActiveUnitsRefusesAllocation) {
    for (DeviceSlot& slot : tasks) slot.state = kSlotActive;
    EXPECT_EQ(AllocateTcpSlot(1, Peer(1), 0), -1);
    tasks[1999].state = kSlotFree;
    EXPECT_EQ(AllocateTcpSlot(1, Peer(1), 0), 1999);
}

// A table without a free slot gives up the held slot silent longest,
// preferring one with no offline configuration waiting.
TEST_F(SlotTableTest, FullTableFreesTheLongestHeldSlot) {
    for (int i = 0; i < kMaxDevices; ++i) {
        tasks[i].state = i % 2 == 0 ? kSlotActive : kSlotHeld;
        tasks[i].lastReceive = 1000 + i;
    }
    tasks[3].lastReceive = 10;  // silent longest, but its offline configuration waits
    tasks[3].offlineStatus = 2;
    tasks[7].lastReceive = 20;
    tasks[8].lastReceive = 5;  // active: never given up
    EXPECT_EQ(AllocateTcpSlot(1, Peer(1), 5000), 7);
    EXPECT_EQ(tasks[7].state, kSlotActive);
    EXPECT_EQ(tasks[7].offlineStatus, 0);
    EXPECT_NE(Log().find("D7: Deleted\n"), std::string::npos);
    // With only waiting configurations left among the held, the oldest of them goes.
    for (int i = 1; i < kMaxDevices; i += 2) {
        if (tasks[i].state == kSlotHeld) tasks[i].offlineStatus = 1;
    }
    EXPECT_EQ(AllocateUdpSlot(1, Peer(2), "42", 10, '\n', 5000), 3);
}

TEST_F(SlotTableTest, ProtocolFamilyAndTypeCode) {
    const struct {
        uint8_t tcp, pico, newProtocol;
        char terminator;
        int code;
        const char* family;
    } cases[] = {
        {1, 0, 1, '\n', kProtoGen1Tcp, "S-1"},
        {0, 0, 1, '\n', kProtoGen1Udp, "S-1"},
        {1, 0, 1, '.', kProtoGen2Tcp, "S-2"},
        {0, 0, 1, '.', kProtoGen2Udp, "S-2"},
        {1, 0, 1, ';', kProtoGen3Tcp, "S-3"},
        {0, 0, 1, ';', kProtoGen3Udp, "S-3"},
        {1, 1, 1, ';', kProtoPicoTcp, "PICO"},
        {0, 1, 1, '\n', kProtoPicoUdp, "PICO"},
        {1, 0, 1, 'x', 0, "S-3"},
        {1, 1, 0, '\n', 0, "PICO"},
        {1, 0, 0, ';', 0, "OLD"},
    };
    for (const auto& c : cases) {
        DeviceSlot& d = tasks[10];
        d.tcp = c.tcp;
        d.pico = c.pico;
        d.newProtocol = c.newProtocol;
        d.terminator = static_cast<uint8_t>(c.terminator);
        EXPECT_EQ(DeviceTypeCode(10), c.code) << c.family;
        EXPECT_STREQ(ProtocolFamily(10), c.family);
    }
}

TEST_F(SlotTableTest, FindDeviceFiltersByStateSerialAndProtocol) {
    for (int i : {4, 5, 6}) {
        tasks[i].newProtocol = 1;
        tasks[i].terminator = '\n';
        SetSerial(i, "777");
    }
    tasks[4].state = kSlotHeld;
    tasks[4].tcp = 1;
    tasks[5].state = kSlotActive;
    tasks[5].tcp = 0;
    tasks[6].state = kSlotActive;
    tasks[6].tcp = 1;
    EXPECT_EQ(FindDevice("777", kProtoAll, kSlotHeld), 4);
    EXPECT_EQ(FindDevice("777", kProtoAll, kSlotActive), 5);
    EXPECT_EQ(FindDevice("777", kProtoGen1Tcp, kSlotActive), 6);
    EXPECT_EQ(FindDevice("777", kProtoGen3Tcp, kSlotHeld), -1);
    EXPECT_EQ(FindDevice("77", kProtoAll, kSlotHeld), -1);
    // A connection that has not identified yet has an empty id: an empty id
    // given by a console must not find it.
    tasks[7].state = kSlotActive;
    tasks[7].tcp = 1;
    tasks[7].newProtocol = 1;
    tasks[7].terminator = '\n';
    EXPECT_EQ(FindDevice("", kProtoAll, kSlotHeld), -1);
}

TEST_F(SlotTableTest, ReleaseClaimsOfFreesOnlyThatOwnersUnits) {
    tasks[3].owner = 7;
    tasks[4].owner = 8;
    tasks[9].owner = 7;
    ReleaseClaimsOf(7);
    EXPECT_EQ(tasks[3].owner, kOwnerNone);
    EXPECT_EQ(tasks[4].owner, 8);
    EXPECT_EQ(tasks[9].owner, kOwnerNone);
}

TEST_F(SlotTableTest, HandOverMovesPendingWorkAndEndsTheOldSlots) {
    DeviceSlot& held = tasks[1];
    held.state = kSlotHeld;
    SetSerial(1, "555");
    held.offlineStatus = 2;
    held.offlineType = 4;
    std::strcpy(held.offlineText, "CFG\n");
    held.downloadId = 31;
    std::strcpy(held.downloadFile, "file_a");
    held.lastDataCounter = 12;
    held.cardReserved = 1;
    DeviceSlot& active = tasks[2];
    active.state = kSlotActive;
    SetSerial(2, "555");
    tasks[3].state = kSlotActive;
    SetSerial(3, "556");
    DeviceSlot& fresh = tasks[7];
    fresh.state = kSlotActive;
    SetSerial(7, "555");

    HandOver(7);
    EXPECT_EQ(held.state, kSlotFree);
    EXPECT_EQ(held.offlineStatus, 0);
    EXPECT_EQ(held.downloadId, 0u);
    EXPECT_STREQ(held.downloadFile, "");
    EXPECT_EQ(held.cardReserved, 1u);  // the reservation record stays with the old slot
    EXPECT_EQ(active.state, kSlotActive);
    EXPECT_EQ(active.terminate, 1);
    EXPECT_EQ(tasks[3].terminate, 0);
    EXPECT_EQ(fresh.offlineStatus, 2);
    EXPECT_EQ(fresh.offlineType, 4);
    EXPECT_STREQ(fresh.offlineText, "CFG\n");
    EXPECT_EQ(fresh.downloadId, 31u);
    EXPECT_STREQ(fresh.downloadFile, "file_a");
    EXPECT_EQ(fresh.lastDataCounter, 12u);
    EXPECT_EQ(Log(),
              "000000 D7: copying offline config type 1/2/4\n"
              "000000 D7: copying offline korvalen status 1/31/file_a\n"
              "000000 D7: terminate=1\n"
              "000000 D7: terminate=2\n");
}

}  // namespace
