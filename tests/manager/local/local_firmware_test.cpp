// Local firmware uploads and the Long DALLAS list, checked by the simulated
// unit's running sums. The pacing gaps are shortened: at the real 0.20736 s
// and 0.10368 s per frame or line the two uploads take 3.5 and 7 minutes,
// and the unit checks the same bytes and sums either way.

#include "manager/logic/local_firmware.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "manager/logic/serial_requests.h"
#include "tests/manager/local/local_fixture.h"

namespace {

QByteArray Image(int size, int seed) {
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i) image[i] = static_cast<char>((i * 7 + seed + i / 256) & 0xFF);
    return image;
}

void FastPacing(LocalFixture& f) {
    f.firmware.timings.firstBlockMs = 20;
    f.firmware.timings.blockMs = 1;
    f.firmware.timings.textLineMs = 1;
}

TEST(LocalFirmware, BinaryUploadOfAWholeImage) {
    LocalFixture f(kVimko3);
    ASSERT_TRUE(f.Ready());
    FastPacing(f);
    QStringList progress;
    QObject::connect(&f.firmware, &LocalFirmware::statusChanged,
                     [&] { progress.append(f.state.progress); });
    const uint8_t sequence = f.link.sequence();
    f.firmware.SendFirmware(Image(0x3E000, 3), kKindVimko, kCpu1);
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(f.state.statusText, "Command sent");
    EXPECT_TRUE(f.WaitForUnitLog("firmware upload complete", 20000)) << f.UnitLog();
    EXPECT_EQ(f.UnitLog().find("corrupt"), std::string::npos) << f.UnitLog();
    // One sequence number per frame; the progress of every frame, then "0".
    EXPECT_EQ(static_cast<uint8_t>(f.link.sequence() - sequence), kFirmwareBlocks % 256);
    ASSERT_GE(progress.size(), kFirmwareBlocks + 1);
    EXPECT_EQ(progress[0], "0.100806451612903");
    EXPECT_EQ(progress[kFirmwareBlocks - 1], "100");
    EXPECT_EQ(progress[kFirmwareBlocks], "0");
}

TEST(LocalFirmware, TextUploadOfACpu2ImageAndTheRefusedKinds) {
    LocalFixture f(kVimko1);
    ASSERT_TRUE(f.Ready());
    FastPacing(f);
    f.firmware.SendFirmware(Image(0x1E000, 5), kKindVimko, kCpu2);
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(f.state.statusText, "Command sent");
    EXPECT_TRUE(f.WaitForUnitLog("firmware text upload of 1920 lines complete (CPU-2 sums)", 20000))
        << f.UnitLog();
    f.state.statusText.clear();
    // Only the kind "Firmware Vimko" goes over the cable.
    f.firmware.SendFirmware(Image(16, 1), kKindKx05, kCpu2);
    EXPECT_EQ(f.prompt.TakeWarnings(),
              QStringList{"The function is not available for the local connection"});
    EXPECT_EQ(f.UnitLog().find("corrupt"), std::string::npos) << f.UnitLog();
}

TEST(LocalFirmware, TerminateStopsAnUploadBetweenFrames) {
    LocalFixture f(kVimko2);
    ASSERT_TRUE(f.Ready());
    FastPacing(f);
    QTimer::singleShot(50, [&] { f.state.terminateRequested = true; });
    f.firmware.SendFirmware(Image(0x3E000, 9), kKindVimko, kCpu1);
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{"The execution has been interrupted"});
    EXPECT_EQ(f.state.progress, "0");
    EXPECT_EQ(f.UnitLog().find("complete"), std::string::npos);
}

// A pulled cable ends an upload with a warning, not with "Command sent"
// minutes later, for both kinds of upload.
TEST(LocalFirmware, PulledCableStopsAnUpload) {
    for (int type : {kVimko1, kVimko3}) {
        SCOPED_TRACE(type);
        LocalFixture f(type);
        ASSERT_TRUE(f.Ready());
        FastPacing(f);
        QTimer::singleShot(50, [&] { f.pair.Stop(); });
        f.firmware.SendFirmware(Image(0x3E000, 4), kKindVimko, kCpu1);
        EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{"No response from the device"});
        EXPECT_NE(f.state.statusText, "Command sent");
        EXPECT_FALSE(f.state.localLinkOpen);
        EXPECT_FALSE(f.state.busy);
    }
}

TEST(LocalFirmware, LongDallasListOfEachKindOfEnding) {
    LocalFixture f(kVimko3);
    ASSERT_TRUE(f.Ready());
    // 40 entries of 16 bytes: three blocks, the list's type 2 closes with
    // the entry count; a wrong count is refused by the unit.
    QByteArray list = Image(640, 11);
    struct Case {
        int type;
        uint32_t closing;
        QStringList warnings;
        const char* report;
    } const kCases[] = {
        {2, 40, {}, "Long DALLAS list complete"},
        {2, 41, {"Authorization failed"}, "Long DALLAS list upload corrupt"},
        {4, 40, {"The file does not match the selected device vimko"}, nullptr},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.closing);
        QStringList progress;
        auto watch = QObject::connect(&f.firmware, &LocalFirmware::statusChanged,
                                      [&] { progress.append(f.state.progress); });
        f.state.statusText.clear();
        f.firmware.WriteDallasList(c.type, c.closing, list);
        QObject::disconnect(watch);
        EXPECT_EQ(f.prompt.TakeWarnings(), c.warnings);
        EXPECT_EQ(f.state.progress, "0");
        if (c.report == nullptr) continue;
        EXPECT_TRUE(f.WaitForUnitLog(c.report)) << f.UnitLog();
        EXPECT_EQ(progress.mid(0, 4), (QStringList{"0", "33", "66", "100"}));
        if (c.warnings.isEmpty()) {
            EXPECT_EQ(f.state.statusText, "Operation done correctly");
        }
    }
}

TEST(LocalFirmware, LongDallasListToASilentUnit) {
    LocalFixture f(kVimko2, false);
    ASSERT_TRUE(f.Ready());
    f.firmware.WriteDallasList(2, 1, QByteArray(16, 'x'));
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{"No response from the device"});
    EXPECT_EQ(f.state.progress, "0");
}

}  // namespace
