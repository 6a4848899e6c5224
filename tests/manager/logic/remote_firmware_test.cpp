// Firmware through the real server to simulated units: adapter images that
// the unit receives whole, one whole module image, version reads, group
// uploads and the Long DALLAS list; and the copy's window of five
// unacknowledged lines against a console stand-in that answers on cue.

#include "manager/logic/remote_firmware.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include <algorithm>

#include "manager/logic/firmware_commands.h"
#include "tests/manager/logic/console_peer.h"
#include "tests/manager/logic/firmware_fixture.h"
#include "tests/manager/logic/live_unit.h"
#include "tests/support/running_server.h"
#include "tests/support/temp_dir.h"

namespace {

const ConfigValues kServerConfig{{"CMMD_TIMEOUT", "5"}};

std::string Std(const QByteArray& bytes) {
    return bytes.toStdString();
}

std::string LittleEndian(uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

// An adapter image from a firmware XML file, sent to one unit: the adapter
// gets the file name and every byte, and activates it.
TEST(RemoteFirmware, AdapterImageFromAFileArrivesWhole) {
    RunningServer server(kServerConfig);
    LiveUnit unit(server.devicePort(), "356000000000951", ';', "Truck 51");
    ASSERT_TRUE(server.WaitForLog(" 356000000000951 Truck 51"));
    TempDir dir;
    FirmwareFixture m;
    ASSERT_TRUE(m.Login(server.telnetPort()));
    ASSERT_TRUE(m.Select("356000000000951"));
    m.state.deviceType = kVimko3;
    m.state.firmwareKind = kFirmwareKorvalen;
    QByteArray firmware = PatternBytes(3000, 7);  // 3009 bytes with the name: 12 blocks
    QString path = WriteBytes(
        dir.File("adapter.xml"),
        FirmwareDocument(kVimko3, kFirmwareKorvalen, 3, AdapterImage("KORV.BIN", firmware)));
    ASSERT_TRUE(m.importer.ImportFile(path));

    m.sender.SendButton();
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(m.state.statusText, "Operation done correctly");
    EXPECT_EQ(m.state.statusCountdown, 50);
    EXPECT_FALSE(m.state.busy);
    unit_sim::AdapterUpload got = unit.unit().AdapterFirmware();
    EXPECT_TRUE(got.activated) << got.problem;
    EXPECT_FALSE(got.corrupt) << got.problem;
    EXPECT_EQ(got.name, "KORV.BIN");
    EXPECT_EQ(got.size, 3000u);
    EXPECT_EQ(got.image, Std(firmware));
    EXPECT_EQ(server.CountInLog(": writedata "), 12u);
    EXPECT_TRUE(server.WaitForLog(": writedfrm 356000000000951"));
    // The copy's progress climbs to 100 and returns to 0.
    ASSERT_GE(m.progress.size(), 3);
    EXPECT_TRUE(m.progress.contains("100"));
    EXPECT_EQ(m.progress.back(), "0");

    // An image the server refuses (no file name): the write command's error.
    m.Load(PatternBytes(600, 9).replace('\0', '\1'), kFirmwareKorvalen, 4);
    m.sender.RemoteFirmware(-1);
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList{"An error occurred while sending firmware: 2"});
}

// The one whole module image: a 0x1E000-byte ".bin" for Vimko-1 goes as
// 480 blocks, and the unit checks every block's running sum.
TEST(RemoteFirmware, WholeModuleImageReachesAVimko1Unit) {
    RunningServer server(kServerConfig);
    LiveUnit unit(server.devicePort(), "356000000000952", '\n', "Bus 52");
    ASSERT_TRUE(server.WaitForLog(" 356000000000952 Bus 52"));
    TempDir dir;
    FirmwareFixture m;
    ASSERT_TRUE(m.Login(server.telnetPort()));
    ASSERT_TRUE(m.Select("356000000000952"));
    m.state.deviceType = kVimko1;
    m.state.firmwareKind = kFirmwareVimko;
    QByteArray image = PatternBytes(0x1E000, 11);
    ASSERT_TRUE(m.importer.ImportFile(WriteBytes(dir.File("vimko1.bin"), image)));
    EXPECT_EQ(m.state.firmwareFlags, kKindBitVimko | 2);

    m.sender.SendButton();
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(m.state.statusText, "Operation done correctly");
    unit_sim::BlockUpload got = unit.unit().FirmwareBlocks();
    EXPECT_TRUE(got.complete);
    EXPECT_FALSE(got.corrupt) << got.problem;
    EXPECT_EQ(got.id, 36);
    EXPECT_EQ(got.blocks, 480);
    EXPECT_EQ(got.image, Std(image));
    // The sum of a 480-block image: every byte, and each block's number + 1.
    uint32_t sum = 0;
    for (char c : image) sum += static_cast<uint8_t>(c);
    for (uint32_t block = 1; block <= 480; ++block) sum += block;
    EXPECT_EQ(got.checksum, sum);
    EXPECT_EQ(server.CountInLog(": writedata "), 480u);
}

TEST(RemoteFirmware, VersionReadsOfAUnitAndOfTheGroup) {
    RunningServer server(kServerConfig);
    LiveUnit a(server.devicePort(), "356000000000953", ';', "Van 53");
    LiveUnit b(server.devicePort(), "356000000000954", '.', "Van 54");
    ASSERT_TRUE(server.WaitForLog(" 356000000000953 Van 53"));
    ASSERT_TRUE(server.WaitForLog(" 356000000000954 Van 54"));
    a.unit().SetBlock(35, std::string(1, '\x01') + LittleEndian(417) + LittleEndian(0xFFFFFFFE));
    a.unit().SetBlock(57, std::string(1, '\x02') + LittleEndian(31));
    a.unit().SetBlock(133, std::string("K2.05\0\0\0", 8));
    b.unit().SetBlock(35, std::string(1, '\x00') + LittleEndian(77) + LittleEndian(5));
    FirmwareFixture m;
    ASSERT_TRUE(m.Login(server.telnetPort()));
    ASSERT_TRUE(m.Select("356000000000953"));
    m.state.deviceType = kVimko3;
    struct Case {
        int kind;
        const char* line;
    } cases[] = {
        {kFirmwareVimko, "Status:1 Version:417 Crcc:-2"},
        {kFirmwareTacho, "Status:2 Version:31"},
        {kFirmwareKorvalen, "Version:K2.05"},
    };
    int changes = 0;
    QObject::connect(&m.sender, &FirmwareSender::versionChanged, [&] { ++changes; });
    for (const Case& c : cases) {
        m.state.firmwareKind = c.kind;
        m.state.firmwareVersion.clear();
        m.sender.ReadVersionButton();
        EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
        EXPECT_EQ(m.state.firmwareVersion, c.line);
    }
    EXPECT_EQ(changes, 3);

    // The group: each member's status gets the short form; a member of
    // another generation is skipped.
    m.remote.SelectGroup();
    m.remote.group = {{"Van 53", "356000000000953", "Vimko-3 TCP", ""},
                      {"Van 54", "356000000000954", "Vimko-2 TCP", ""}};
    m.state.firmwareKind = kFirmwareVimko;
    m.sender.ReadVersionButton();
    EXPECT_EQ(m.remote.group[0].status, "S:1 V:417 C:-2");
    EXPECT_EQ(m.remote.group[1].status, "Invalid device type");
    m.state.deviceType = kVimko2;
    m.sender.ReadVersionButton();
    EXPECT_EQ(m.remote.group[0].status, "Invalid device type");
    EXPECT_EQ(m.remote.group[1].status, "S:0 V:77 C:5");
    m.state.firmwareKind = kFirmwareKorvalen;
    m.sender.ReadVersionButton();
    EXPECT_EQ(m.remote.group[1].status, "Not available");
    EXPECT_TRUE(m.prompt.warnings.isEmpty());
}

// Three members, the second of another mode: the other two get the image.
TEST(RemoteFirmware, GroupUploadSkipsTheMemberOfAnotherMode) {
    RunningServer server(kServerConfig);
    LiveUnit a(server.devicePort(), "356000000000955", ';', "Van 55");
    LiveUnit b(server.devicePort(), "356000000000956", '.', "Van 56");
    LiveUnit c(server.devicePort(), "356000000000957", ';', "Van 57");
    for (const char* imei : {"356000000000955", "356000000000956", "356000000000957"}) {
        ASSERT_TRUE(server.WaitForLog(std::string(" ") + imei + " Van"));
    }
    FirmwareFixture m;
    ASSERT_TRUE(m.Login(server.telnetPort()));
    m.state.deviceType = kVimko3;
    QByteArray firmware = PatternBytes(1300, 12);
    m.Load(AdapterImage("GROUP.BIN", firmware), kFirmwareKorvalen, 4);
    m.remote.SelectGroup();
    m.remote.group = {{"Van 55", "356000000000955", "Vimko-3 TCP", "old"},
                      {"Van 56", "356000000000956", "Vimko-2 TCP", "old"},
                      {"Van 57", "356000000000957", "Vimko-3 TCP", "old"}};
    QStringList seen;  // every status shown, in order
    QObject::connect(&m.sender, &FirmwareSender::groupChanged, [&] {
        QStringList row;
        for (const GroupRow& r : m.remote.group) row.append(r.status);
        seen.append(row.join('|'));
    });
    m.sender.SendButton();
    EXPECT_EQ(m.prompt.questions,
              QStringList{"Do you want to upload the firmware to the device group?"});
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(seen.value(0), "||");
    EXPECT_TRUE(seen.contains("Executing...||"));
    EXPECT_TRUE(seen.contains("Correct|Invalid device type|Executing..."));
    EXPECT_EQ(seen.back(), "Correct|Invalid device type|Correct");
    for (LiveUnit* unit : {&a, &c}) {
        unit_sim::AdapterUpload got = unit->unit().AdapterFirmware();
        EXPECT_TRUE(got.activated) << got.problem;
        EXPECT_EQ(got.image, Std(firmware));
    }
    EXPECT_FALSE(b.unit().AdapterFirmware().started);
    EXPECT_FALSE(m.state.busy);
}

TEST(RemoteFirmware, LongDallasListAsRawRecords) {
    RunningServer server(kServerConfig);
    LiveUnit unit(server.devicePort(), "356000000000958", ';', "Van 58");
    ASSERT_TRUE(server.WaitForLog(" 356000000000958 Van 58"));
    TempDir dir;
    FirmwareFixture m;
    ASSERT_TRUE(m.Login(server.telnetPort()));
    ASSERT_TRUE(m.Select("356000000000958"));
    m.state.deviceType = kVimko3;

    // 113 entries of 16 bytes: eight blocks, sent as six and two, closed
    // with type 2's flag and the entry count.
    QByteArray list = PatternBytes(113 * 16, 13);
    m.prompt.files = {WriteBytes(dir.File("dallas.bin"), list)};
    m.dallas.WriteButton();
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(m.state.statusText, "Operation done correctly");
    EXPECT_EQ(m.state.progress, "0");
    // Before each command, the progress of its last block: 5 × 100 / 8, 7 × 100 / 8.
    EXPECT_TRUE(m.progress.contains("62"));
    EXPECT_TRUE(m.progress.contains("87"));
    EXPECT_TRUE(m.progress.contains("100"));
    std::vector<unit_sim::RawRecordReceived> records = unit.unit().RawFirmwareRecords();
    ASSERT_EQ(records.size(), 9u);
    std::string items;
    std::vector<int> indices, flags;
    for (size_t i = 0; i < 8; ++i) {
        items += records[i].items;
        indices.push_back(records[i].index);
        flags.push_back(records[i].flag);
    }
    EXPECT_EQ(items, Std(list));
    EXPECT_EQ(indices, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(flags, (std::vector<int>{1, 1, 1, 1, 1, 2, 1,
                                       2}));  // the server flags a command's last record
    EXPECT_EQ(records[8].index, 8);
    EXPECT_EQ(records[8].flag, 5 + 1);
    EXPECT_EQ(records[8].items, LittleEndian(113));

    // A data XML of type 3 closes with flag 7 and its "crcc".
    m.prompt.files = {WriteBytes(dir.File("dallas.xml"),
                                 "<vimko><data type=\"3\" crcc=\"305419896\"><text>AB</text>"
                                 "<binary>00FF</binary></data></vimko>")};
    m.dallas.WriteButton();
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    records = unit.unit().RawFirmwareRecords();
    ASSERT_EQ(records.size(), 11u);
    EXPECT_EQ(records[9].items, std::string("AB\0\xFF", 4));
    EXPECT_EQ(records[10].flag, 7 + 1);
    EXPECT_EQ(records[10].items, LittleEndian(305419896));

    // Not for a group; not for a unit of another generation.
    m.remote.SelectGroup();
    m.dallas.WriteButton();
    EXPECT_EQ(m.prompt.fileFilters.size(), 2);  // no file asked
    ASSERT_TRUE(m.Select("356000000000958"));
    m.state.deviceType = kVimko2;
    m.prompt.files = {dir.File("dallas.bin").c_str()};
    m.dallas.WriteButton();
    EXPECT_EQ(m.prompt.TakeWarnings(),
              QStringList{"The selected firmware does not match the selected device"});
    EXPECT_EQ(unit.unit().RawFirmwareRecords().size(), 11u);
}

// The console stand-in answers "done" only while five lines are in flight:
// the copy never has a sixth out, and with no answer at all it stops at
// five and gives up after its idle limit.
TEST(RemoteFirmware, CopyKeepsFiveLinesInFlight) {
    ConsolePeer peer;
    QStringList writedata;
    int answered = 0, maxInFlight = 0, total = 0;
    bool answer = false;
    std::function<void()> onWrite;  // the write command came
    AnswerLogin(peer, [&](const QByteArray& line) {
        if (line.startsWith("writedfrm ")) {
            if (onWrite) onWrite();
            return;
        }
        if (!line.startsWith("writedata ")) return;
        writedata.append(QString::fromLatin1(line));
        int inFlight = static_cast<int>(writedata.size()) - answered;
        maxInFlight = std::max(maxInFlight, inFlight);
        if (!answer) return;
        // Keep the window full; once every block came, answer the rest.
        while (writedata.size() - answered >= FirmwareSender::kCopyWindow ||
               (writedata.size() == total && answered < total)) {
            ++answered;
            peer.Send("done\r\ncommand\r\n");
        }
    });
    FirmwareFixture m;
    onWrite = [&] { peer.Send("done\r\ncommand\r\n"); };
    ASSERT_TRUE(m.Login(peer.port));
    m.state.deviceList = {"Van,356000000000959,1,256,127.0.0.1,1,t,d,0,0"};
    m.remote.SelectUnit(0, 4);
    m.state.deviceType = kVimko3;
    QByteArray image = AdapterImage("W.BIN", PatternBytes(20 * 256 - 6, 14));  // 20 blocks
    m.Load(image, kFirmwareKorvalen, 4);
    m.sender.SetCopyIdleLimit(1500);

    m.sender.RemoteFirmware(-1);
    EXPECT_EQ(writedata.size(), 5);
    EXPECT_EQ(m.prompt.TakeWarnings(),
              QStringList{"An error occurred while copying the firmware on the server"});
    EXPECT_EQ(m.state.progress, "0");

    // The stand-in now answers the five it holds, then keeps the window full.
    writedata.clear();
    answer = true;
    total = 20;
    maxInFlight = 0;
    m.progress.clear();
    m.sender.RemoteFirmware(-1);
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(m.state.statusText, "Operation done correctly");
    EXPECT_EQ(maxInFlight, 5);
    ASSERT_EQ(writedata.size(), 20);
    for (int k = 0; k < 20; ++k) {
        EXPECT_EQ(writedata[k], WritedataLine(k, FirmwareBlock(image, k))) << k;
    }
    EXPECT_EQ(peer.lines.back(), "writedfrm 356000000000959");
    QStringList expected{"0"};
    for (int acked = 1; acked <= 20; ++acked) expected.append(QString::number(100 * acked / 20));
    expected.append("0");
    EXPECT_EQ(m.progress, expected);

    // A group upload stops after the member during which "Terminate" was
    // pressed.
    m.remote.SelectGroup();
    m.remote.group = {{"a", "356000000000961", "Vimko-3 TCP", ""},
                      {"b", "356000000000962", "Vimko-3 TCP", ""}};
    writedata.clear();
    answered = 0;
    onWrite = [&] {
        m.state.terminateRequested = true;
        peer.Send("terminated\r\ncommand\r\n");
    };
    m.sender.SendButton();
    EXPECT_EQ(m.remote.group[0].status, "Aborted");
    EXPECT_EQ(m.remote.group[1].status, "");
    EXPECT_EQ(writedata.size(), 20);
    EXPECT_EQ(peer.lines.filter("writedfrm ").size(), 2);  // the single upload and member a
    EXPECT_TRUE(m.prompt.warnings.isEmpty());
}

}  // namespace
