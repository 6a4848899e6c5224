// The request protocol in-process: a unit slot and a console session whose
// sockets are socket pairs, the test holding the far ends as the unit and
// the client, and the unit's answers relayed by calling the relay directly
// at the moments that matter.

#include "server/console/request_protocol.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "server/console/console_slot.h"
#include "server/console/record_upload.h"
#include "server/core/server_config.h"
#include "server/device/answer_relay.h"
#include "server/device/device_slot.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kSession = 0;
constexpr int kUnit = 0;
constexpr int kOtherSession = 1;

class RequestProtocolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gConfig.cmmdTimeout = 1;
        gConfig.sndTimeout = 1;
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, m_unit), 0);
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, m_client), 0);
        DeviceSlot& d = tasks[kUnit];
        d.tcp = 1;
        d.socket = m_unit[0];
        d.terminator = ';';
        d.newProtocol = 1;
        d.owner = kOwnerNone;
        {
            std::lock_guard<std::mutex> lock(d.textLock);
            std::strcpy(d.devId, "U1");
        }
        d.state = kSlotActive;
        ConsoleSlot& c = consoles[kSession];
        c.socket = m_client[0];
        c.binaryMode = 1;
        c.uploadLength = 0;
        c.inUse = true;
        c.loggedIn = true;
    }
    void TearDown() override {
        tasks[kUnit].state = kSlotFree;
        consoles[kSession].loggedIn = false;
        consoles[kSession].inUse = false;
        for (int fd : {m_unit[0], m_unit[1], m_client[0], m_client[1]}) {
            if (fd >= 0) close(fd);
        }
    }

    // What the end `fd` received within `waitMs`, then until it is quiet.
    static std::string Drain(int fd, int waitMs) {
        std::string out;
        char buffer[4096];
        pollfd p{fd, POLLIN, 0};
        while (poll(&p, 1, out.empty() ? waitMs : 20) > 0) {
            ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0) break;
            out.append(buffer, static_cast<size_t>(n));
        }
        return out;
    }
    std::string ClientText(int waitMs = 0) { return Drain(m_client[1], waitMs); }
    std::string UnitText(int waitMs) { return Drain(m_unit[1], waitMs); }

    int m_unit[2] = {-1, -1};
    int m_client[2] = {-1, -1};
};

TEST_F(RequestProtocolTest, RelayPrintsOnlyWhileTheClaimItReadStandsAndEndsNoNewerClaim) {
    const struct {
        int32_t ownerNow;  // the claim when the relay takes the send lock
        bool acknowledged;
        int kind;
        const char* printed;
        int32_t ownerAfter;
    } cases[] = {
        {kSession, true, 2, "done\r\n", kOwnerNone},
        {kSession, false, 2, "reject\r\n", kOwnerNone},
        {kSession, true, kRequestKindFirmwareBlocks, "", kOwnerNone},
        // The waiter timed out after the relay read the claim: its "timeout"
        // was the last word, the late answer is dropped.
        {kOwnerNone, true, 2, "", kOwnerNone},
        // Another session claimed the unit since: not the answer's to end.
        {kOtherSession, true, 2, "", kOtherSession},
    };
    for (const auto& c : cases) {
        tasks[kUnit].owner = c.ownerNow;
        consoles[kSession].requestKind = static_cast<uint8_t>(c.kind);
        RelayAcknowledgement(kUnit, kSession, c.acknowledged);
        EXPECT_EQ(ClientText(), c.printed) << c.ownerNow << " " << c.kind;
        EXPECT_EQ(tasks[kUnit].owner.load(), c.ownerAfter) << c.ownerNow << " " << c.kind;
    }
}

TEST_F(RequestProtocolTest, TimeOutReleasesTheClaimOnlyTogetherWithItsText) {
    int rc = -2;
    std::thread waiter([&] { rc = SendAndWaitOnce(kUnit, kSession, "AAAA;", 2); });
    ASSERT_EQ(UnitText(2000), "AAAA;");
    auto sent = Clock::now();
    // Binary mode prints "waiting" at 0 and 1 s and times out at 1.25 s.
    // Holding the session's send lock across that moment must hold the
    // release back too: a relay that got the lock next still finds the claim.
    std::this_thread::sleep_until(sent + milliseconds(1100));
    {
        std::lock_guard<std::mutex> lock(consoles[kSession].sendLock);
        std::this_thread::sleep_until(sent + milliseconds(1500));
        EXPECT_EQ(tasks[kUnit].owner.load(), kSession);
    }
    waiter.join();
    EXPECT_EQ(rc, kOnceReported);
    std::string text = ClientText();
    EXPECT_EQ(text, "waiting\r\nwaiting\r\ntimeout\r\n");
    EXPECT_EQ(tasks[kUnit].owner.load(), kOwnerNone);
    // The answer that comes now, relayed with the claim read before the
    // time-out, adds nothing after "timeout".
    RelayAcknowledgement(kUnit, kSession, true);
    EXPECT_EQ(ClientText(100), "");
}

TEST_F(RequestProtocolTest, RecordClaimIsTakenFromFreeOrOwnClaimNeverFromAnother) {
    const struct {
        int32_t before;
        bool claimed;
        int32_t after;
    } cases[] = {
        {kOwnerNone, true, kSession},
        {kSession, true, kSession},
        {kOtherSession, false, kOtherSession},
        {kOwnerSender, false, kOwnerSender},
    };
    for (const auto& c : cases) {
        tasks[kUnit].owner = c.before;
        EXPECT_EQ(ReclaimDevice(kUnit, kSession), c.claimed) << c.before;
        EXPECT_EQ(tasks[kUnit].owner.load(), c.after) << c.before;
    }
}

TEST_F(RequestProtocolTest, RecordOfAHeldUnitGoesOutClaimedAndWaitsForItsAnswer) {
    for (int32_t before : {kOwnerNone, kSession}) {
        tasks[kUnit].owner = before;
        int rc = -2;
        std::thread waiter([&] { rc = SendAndWaitOnce(kUnit, kSession, "BBBB;", 27); });
        ASSERT_EQ(UnitText(2000), "BBBB;");
        // On its way and waited for: the claim is the session's.
        EXPECT_EQ(tasks[kUnit].owner.load(), kSession);
        std::this_thread::sleep_for(milliseconds(300));
        EXPECT_EQ(rc, -2) << "returned before the answer";
        RelayAcknowledgement(kUnit, kSession, true);
        waiter.join();
        EXPECT_EQ(rc, kOnceAnswered);
        EXPECT_EQ(tasks[kUnit].owner.load(), kOwnerNone);
        EXPECT_EQ(ClientText(), "waiting\r\n");
    }
    tasks[kUnit].owner = kOtherSession;
    EXPECT_EQ(SendAndWaitOnce(kUnit, kSession, "CCCC;", 27), kOnceReported);
    EXPECT_EQ(ClientText(), "busy\r\n");
    EXPECT_EQ(UnitText(50), "");
    EXPECT_EQ(tasks[kUnit].owner.load(), kOtherSession);
}

TEST_F(RequestProtocolTest, FailedSendReleasesTheClaimAndStopsRecordUploads) {
    close(m_unit[1]);  // the unit is gone: every send fails
    m_unit[1] = -1;
    EXPECT_EQ(SendAndWaitOnce(kUnit, kSession, "DDDD;", 27), kOnceNotSent);
    EXPECT_EQ(tasks[kUnit].owner.load(), kOwnerNone);
    EXPECT_EQ(ClientText(), "");

    // The adapter upload stops at its first record instead of going on as if
    // the unit had acknowledged it; so does the raw record sender.
    ConsoleSlot& c = consoles[kSession];
    const char upload[] = "kx.bin\0IMAGE";
    std::memcpy(c.uploadBuffer, upload, sizeof upload - 1);
    c.uploadLength = sizeof upload - 1;
    WriteAdapterFirmCommand(kSession, "U1");
    EXPECT_EQ(ClientText(), "info Inicjalizuje firmware...\r\nerror\r\n");
    EXPECT_EQ(c.uploadLength, static_cast<int32_t>(sizeof upload - 1));  // left as it was
    WriteFirmExCommand(kSession, "U1,0,0,0102");
    EXPECT_EQ(ClientText(), "error\r\n");

    TempDir dir;
    WriteFile(dir.File("kx.bin"), "IMAGE");
    gConfig.firmwareDir = dir.path() + "/";
    c.binaryMode = 0;
    WriteAdapterFirmCommand(kSession, "U1,kx.bin");
    EXPECT_EQ(ClientText(), "Inicjalizuje firmware...\r\n\nBlad komunikacji\r\n");
    EXPECT_EQ(tasks[kUnit].owner.load(), kOwnerNone);
}

}  // namespace
