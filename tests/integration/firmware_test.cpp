// Firmware uploads through the real server's console to simulated units,
// which check block numbers and running sums as a unit does: module and
// terminal images from a file (text mode) and from the upload buffer
// (binary mode), cancellation, refusals, adapter records and raw records.
//
// A whole image is 480 blocks paced at 580 ms or more, so the uploads that
// run to the end share one test case and run side by side.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "tests/support/console_client.h"
#include "tests/support/running_server.h"
#include "tools/unit_sim/sim_unit.h"

namespace {

using namespace unit_sim;
using std::chrono::milliseconds;
using std::chrono::seconds;

const char* const kPassword = "vimko";  // TELNET_PASSWD of the sample configuration

// A simulated unit pumped by its own thread while the test talks to the console.
class FirmwareUnit {
  public:
    FirmwareUnit(RunningServer& server, const std::string& serial, char terminator,
                 bool pico = false) {
        UnitConfig config;
        config.port = static_cast<uint16_t>(server.devicePort());
        config.terminator = terminator;
        config.pico = pico;
        config.identity.serial = serial;
        config.identity.description = "Unit " + serial.substr(serial.size() - 3);
        config.firmware_out = server.dir().File("received-" + serial + ".bin");
        m_out = config.firmware_out;
        m_unit = std::make_unique<SimUnit>(config);
        EXPECT_TRUE(m_unit->Connect());
        EXPECT_TRUE(m_unit->SendLine({m_unit->IdentificationFrame()}));
        m_thread = std::thread([this] {
            while (!m_stop && !m_unit->Closed()) m_unit->ReceiveLine(milliseconds(50));
        });
        EXPECT_TRUE(server.WaitForLog(" " + serial + " Unit "));
    }
    ~FirmwareUnit() {
        m_stop = true;
        m_thread.join();
    }
    SimUnit& unit() { return *m_unit; }
    const std::string& outFile() const { return m_out; }
    // Arrival times of the module and terminal blocks.
    std::vector<std::chrono::steady_clock::time_point> BlockTimes() const {
        std::vector<std::chrono::steady_clock::time_point> times;
        for (const ReceivedFrame& r : m_unit->Received()) {
            if (r.frame.id == 36 || r.frame.id == 58) times.push_back(r.when);
        }
        return times;
    }
    bool WaitForBlocks(int count, milliseconds limit = milliseconds(20000)) {
        return WaitUntil([&] { return m_unit->FirmwareBlocks().received >= count; }, limit);
    }

  private:
    std::unique_ptr<SimUnit> m_unit;
    std::string m_out;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A server whose FIRMWARE_DIR is a folder of the test.
class FirmwareServer {
  public:
    explicit FirmwareServer(const std::string& cmmdTimeout = "10")
        : m_server(ConfigValues{{"CMMD_TIMEOUT", cmmdTimeout},
                                {"FIRMWARE_DIR", FolderOf(m_folder.path())},
                                // The simulated units send nothing while they
                                // take an image of several minutes.
                                {"RCV_TIMEOUT", "900"},
                                {"RCV_TIMEOUT2", "900"}}) {}
    RunningServer& server() { return m_server; }
    void Put(const std::string& name, const std::string& bytes) {
        WriteFile(m_folder.File(name), bytes);
    }

  private:
    static std::string FolderOf(const std::string& path) { return path + "/"; }
    TempDir m_folder;
    RunningServer m_server;
};

// Bytes that look like an image: every value, no pattern a shift would hide.
std::string ImageBytes(size_t size, uint32_t seed) {
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = static_cast<char>(seed >> 16);
    }
    return out;
}

// The running sum a 480-block image ends with: every byte, plus 1..480.
uint32_t ShortImageSum(const std::string& image) {
    uint32_t sum = 0;
    for (char c : image) sum += static_cast<uint8_t>(c);
    for (uint32_t b = 1; b <= 480; ++b) sum += b;
    return sum;
}

// Loads `bytes` into the session's upload buffer, 2000 bytes a line.
void LoadBuffer(ConsoleClient& binary, const std::string& bytes) {
    for (size_t at = 0; at < bytes.size(); at += 2000) {
        std::string line =
            "writedata " + std::to_string(at) + "," + Hex(std::string_view(bytes).substr(at, 2000));
        ASSERT_EQ(binary.Command(line), "done\r\n") << at;
    }
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void ExpectWholeImage(FirmwareUnit& unit, const std::string& image, uint8_t id) {
    BlockUpload got = unit.unit().FirmwareBlocks();
    EXPECT_EQ(got.id, id);
    EXPECT_EQ(got.blocks, 480);
    EXPECT_EQ(got.received, 480);
    EXPECT_TRUE(got.complete);
    EXPECT_FALSE(got.corrupt) << got.problem;
    EXPECT_EQ(got.checksum, ShortImageSum(image));
    EXPECT_TRUE(got.image == image) << "image differs";
    EXPECT_TRUE(ReadFile(unit.outFile()) == image) << "file differs";
}

// Starts upload `command` on `client`, cancels it with one byte once the unit
// has `blocks` blocks, and takes everything the client got up to its prompt.
::testing::AssertionResult CancelAfterBlocks(ConsoleClient& client, FirmwareUnit& unit,
                                             const std::string& command, int blocks,
                                             std::string& out) {
    client.Send(command + "\n");
    if (!unit.WaitForBlocks(blocks)) {
        return ::testing::AssertionFailure() << "fewer than " << blocks << " blocks came";
    }
    client.Send("x");
    if (!client.ReadUntil("command\r\n", seconds(10))) {
        return ::testing::AssertionFailure() << "no prompt after the cancel: " << client.received();
    }
    out = client.Take();
    return ::testing::AssertionSuccess();
}

TEST(FirmwareUpload, WholeImagesFromAFileAndFromTheUploadBufferReachTheirUnits) {
    FirmwareServer fw;
    RunningServer& server = fw.server();
    const std::string image = ImageBytes(122880, 7);
    fw.Put("module.bin", image);
    FirmwareUnit gen3(server, "356000000000801", ';');
    FirmwareUnit gen1(server, "356000000000802", '\n');
    FirmwareUnit program(server, "356000000000803", '\n');

    ConsoleClient text3(server.telnetPort());
    ASSERT_TRUE(text3.Login(kPassword, "text"));
    ConsoleClient text1(server.telnetPort());
    ASSERT_TRUE(text1.Login(kPassword, "text"));
    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));

    text3.Send("writefirm 356000000000801,module.bin\n");
    text1.Send("writetfrm 356000000000802,module.bin\n");
    LoadBuffer(binary, image);
    binary.Send("writefirm 356000000000803\n");

    const auto limit = seconds(600);
    ASSERT_TRUE(text3.ReadUntil("command\r\n", limit));
    ASSERT_TRUE(text1.ReadUntil("command\r\n", limit));
    ASSERT_TRUE(binary.ReadUntil("command\r\n", limit));
    std::string out3 = text3.Take();
    std::string out1 = text1.Take();
    std::string outBinary = binary.Take();

    EXPECT_EQ(out3.rfind("Wysylam firmware...\r\n1/480\r2/480\r", 0), 0u) << out3.substr(0, 80);
    // After the last block the console says it waits for the unit, unless
    // the unit's confirmation was in before the console got there (a unit
    // that answers at once, or a busy machine): then the answer follows the
    // last progress directly and there is nothing to wait for.
    auto waitedOrConfirmed = [](const std::string& out, const std::string& last,
                                const std::string& waiting, const std::string& confirmed) {
        return out.find(last + waiting) != std::string::npos ||
               out.find(last + confirmed) != std::string::npos;
    };
    EXPECT_TRUE(waitedOrConfirmed(out3, "479/480\r480/480\r", "\nCzekam na potwierdzenie...\r\n-\r",
                                  "Wykonano\r\n"))
        << out3.substr(out3.size() > 300 ? out3.size() - 300 : 0);
    EXPECT_TRUE(EndsWith(out3, "Wykonano\r\ncommand\r\n")) << out3.substr(out3.size() - 80);
    EXPECT_TRUE(EndsWith(out1, "Wykonano\r\ncommand\r\n")) << out1.substr(out1.size() - 80);
    EXPECT_EQ(
        outBinary.rfind("info Wysylam firmware...\r\nprogress 0\r\nprogress 0\r\nprogress 0\r\n"
                        "progress 0\r\nprogress 1\r\n",
                        0),
        0u)
        << outBinary.substr(0, 120);
    EXPECT_TRUE(waitedOrConfirmed(outBinary, "progress 100\r\n",
                                  "info Czekam na potwierdzenie...\r\n", "done\r\n"))
        << outBinary.substr(outBinary.size() > 300 ? outBinary.size() - 300 : 0);
    EXPECT_TRUE(EndsWith(outBinary, "done\r\ncommand\r\n"))
        << outBinary.substr(outBinary.size() - 80);

    ExpectWholeImage(gen3, image, 36);
    ExpectWholeImage(gen1, image, 58);
    ExpectWholeImage(program, image, 36);

    // Every block was logged from its block number on: the first one of the
    // image opens with block 0 and the image's first bytes.
    EXPECT_EQ(server.CountInLog("TelnetWriteFirm: data="), 3u * 480u);
    std::string sum;
    uint32_t first = ShortImageSum(image.substr(0, 256)) - (480 * 481 / 2 - 1);
    for (int i = 0; i < 4; ++i) sum += static_cast<char>((first >> (8 * i)) & 0xFF);
    EXPECT_NE(server.Log().find("TelnetWriteFirm: data=0000" + Hex(image.substr(0, 256)) +
                                Hex(sum) + "\n"),
              std::string::npos);

    // The finished binary upload emptied the buffer.
    EXPECT_EQ(binary.Command("writefirm 356000000000803"),
              "info Wysylam firmware...\r\nprogress 0\r\nerror\r\n");
}

TEST(FirmwareUpload, BinaryUploadFedByWritedataIsCancelledMidwayAndEmptiesTheBuffer) {
    FirmwareServer fw;
    RunningServer& server = fw.server();
    FirmwareUnit unit(server, "356000000000811", ';');
    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));

    EXPECT_EQ(binary.Command("writedata 253952,00"), "error\r\n");  // full: the byte does not fit
    EXPECT_EQ(binary.Command("writedata 253953,"), "error\r\n");
    EXPECT_EQ(binary.Command("writedata -1,00"), "error\r\n");
    EXPECT_EQ(binary.Command("writedata 5"), "error\r\n");
    const std::string image = ImageBytes(122880, 11);
    LoadBuffer(binary, image);

    std::string out;
    ASSERT_TRUE(CancelAfterBlocks(binary, unit, "writefirm 356000000000811", 3, out));
    EXPECT_EQ(out.rfind("info Wysylam firmware...\r\nprogress 0\r\n", 0), 0u) << out;
    EXPECT_TRUE(EndsWith(out, "\r\nterminated\r\ncommand\r\n")) << out;
    EXPECT_EQ(out.find("Czekam"), std::string::npos) << out;

    // What came is sound so far: the unit took it for a 480-block image, so
    // the buffer held all 122880 bytes, loaded line after line.
    BlockUpload got = unit.unit().FirmwareBlocks();
    EXPECT_GE(got.received, 3);
    EXPECT_EQ(got.blocks, 480);
    EXPECT_FALSE(got.complete);
    EXPECT_FALSE(got.corrupt) << got.problem;
    EXPECT_TRUE(got.image == image.substr(0, got.image.size()));
    // Generation 3 gets a block every 250 ms input wait plus 330 ms.
    auto times = unit.BlockTimes();
    ASSERT_GE(times.size(), 3u);
    for (size_t i = 1; i < times.size(); ++i) {
        auto gap = std::chrono::duration_cast<milliseconds>(times[i] - times[i - 1]).count();
        EXPECT_GE(gap, 560);
        EXPECT_LT(gap, 1500);
    }

    // The upload got past the unit checks, so the buffer is empty now: no
    // block goes out.
    EXPECT_EQ(binary.Command("writefirm 356000000000811"),
              "info Wysylam firmware...\r\nprogress 0\r\nerror\r\n");
    EXPECT_EQ(unit.unit().FirmwareBlocks().received, got.received);
    // And the unit is free again.
    std::string ex = binary.Command("wrfirmex 356000000000811,0,0,00");
    EXPECT_TRUE(EndsWith(ex, "done\r\n")) << ex;
}

TEST(FirmwareUpload, GenerationTwoIsPacedByOneAndAHalfSecondsAndTextCancelSaysAnulowano) {
    FirmwareServer fw;
    RunningServer& server = fw.server();
    fw.Put("gen2.bin", ImageBytes(122880, 13));
    FirmwareUnit unit(server, "356000000000821", '.');
    ConsoleClient text(server.telnetPort());
    ASSERT_TRUE(text.Login(kPassword, "text"));
    std::string out;
    ASSERT_TRUE(CancelAfterBlocks(text, unit, "writefirm 356000000000821,gen2.bin", 2, out));
    EXPECT_EQ(out.rfind("Wysylam firmware...\r\n1/480\r2/480\r", 0), 0u) << out;
    EXPECT_TRUE(EndsWith(out, "\r\nAnulowano\r\ncommand\r\n")) << out;
    auto times = unit.BlockTimes();
    ASSERT_GE(times.size(), 2u);
    EXPECT_GE(std::chrono::duration_cast<milliseconds>(times[1] - times[0]).count(), 1740);
    EXPECT_FALSE(unit.unit().FirmwareBlocks().corrupt);
}

TEST(FirmwareUpload, RefusalsShortFileAndBusyUnit) {
    FirmwareServer fw;
    RunningServer& server = fw.server();
    fw.Put("module.bin", ImageBytes(122880, 17));
    fw.Put("short.bin", ImageBytes(1000, 19));
    FirmwareUnit unit(server, "356000000000831", ';');
    FirmwareUnit pico(server, "356000000000832", '\n', true);
    FirmwareUnit gen1(server, "356000000000833", '\n');
    ConsoleClient text(server.telnetPort());
    ASSERT_TRUE(text.Login(kPassword, "text"));
    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));

    const struct {
        ConsoleClient& client;
        const char* line;
        const char* answer;
    } cases[] = {
        {text, "writefirm 356000000000831", "Podane parametry sa bledne\r\n"},
        {text, "writefirm 356000000000831,", "Podane parametry sa bledne\r\n"},
        {text, "writefirm 356000000000831,a,b", "Podane parametry sa bledne\r\n"},
        {text, "writefirm 999,module.bin", "Podany identyfikator urzadzenia nie jest wlasciwy\r\n"},
        {text, "writefirm 356000000000832,module.bin",
         "Podany identyfikator urzadzenia nie jest wlasciwy\r\n"},
        {text, "writefirm 356000000000831,missing.bin", "Blad otwarcia pliku\r\n"},
        {text, "writetfrm 356000000000831,../VimkoSrv.cfg", "Blad otwarcia pliku\r\n"},
        {text, "writedfrm 356000000000831,missing.bin", "Blad otwarcia pliku\r\n"},
        {text, "writedfrm 356000000000833,module.bin",
         "Podany identyfikator urzadzenia nie jest wlasciwy\r\n"},
        {text, "writedfrm 356000000000831", "Podane parametry sa bledne\r\n"},
        {binary, "writefirm 356000000000831",
         "info Wysylam firmware...\r\nprogress 0\r\nerror\r\n"},
        {binary, "writedfrm 356000000000831", "error\r\n"},  // no file name in the buffer
        {binary, "writefirm 356000000000832", "error\r\n"},
        {binary, "wrfirmex 356000000000831,1,0,A", "error\r\n"},
        {binary, "wrfirmex 356000000000831,1,0", "error\r\n"},
        {text, "wrfirmex 999,1,0,00", "error\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.client.Command(c.line), c.answer) << c.line;

    // 1000 bytes: 992 blocks are due and the fourth one finds the end.
    EXPECT_EQ(text.Command("writefirm 356000000000831,short.bin", seconds(20)),
              "Wysylam firmware...\r\n1/992\r2/992\r3/992\r4/992\r\nBlad odczytu pliku\r\n");
    EXPECT_EQ(unit.unit().FirmwareBlocks().received, 3);
    EXPECT_FALSE(unit.unit().FirmwareBlocks().complete);

    // During an upload the unit is busy for everyone else.
    text.Send("writefirm 356000000000831,module.bin\n");
    ASSERT_TRUE(text.ReadUntil("1/480\r"));
    EXPECT_EQ(binary.Command("writefirm 356000000000831"), "busy\r\n");
    EXPECT_EQ(binary.Command("readcfg 356000000000831"), "busy\r\n");
    EXPECT_EQ(binary.Command("wrfirmex 356000000000831,0,0,0102"), "busy\r\n");
    text.Send("x");
    EXPECT_TRUE(text.ReadUntil("\nAnulowano\r\ncommand\r\n", seconds(10))) << text.received();
}

// Records the unit acknowledged, with their content, in arrival order.
std::vector<int> AdapterRecordNumbers(FirmwareUnit& unit) {
    return unit.unit().AdapterFirmware().records;
}

TEST(FirmwareUpload, AdapterImageOf241BytesGoesAsRecordsThreeAndFourThenActivationFive) {
    FirmwareServer fw;
    RunningServer& server = fw.server();
    std::string image = ImageBytes(241, 23);
    image[240] = '\x01';
    image[0] = 'K';
    fw.Put("adapter.bin", image);
    FirmwareUnit unit(server, "356000000000841", ';');

    ConsoleClient text(server.telnetPort());
    ASSERT_TRUE(text.Login(kPassword, "text"));
    std::string out = text.Command("writedfrm 356000000000841,adapter.bin", seconds(30));
    size_t at = 0;
    for (const char* step :
         {"Inicjalizuje firmware...\r\n", "Wysylam nazwe pliku...\r\n", "Wysylam firmware...\r\n",
          "- 1/2\r", "- 2/2\r", "*\r\nAktywuje firmware...\r\n", "Wykonano\r\n"}) {
        size_t next = out.find(step, at);
        ASSERT_NE(next, std::string::npos) << step << " in " << out;
        at = next;
    }
    EXPECT_TRUE(EndsWith(out, "Wykonano\r\n")) << out;
    EXPECT_EQ(out.find("Wykonano"), out.size() - 10) << "one answer, for the activation";
    AdapterUpload got = unit.unit().AdapterFirmware();
    EXPECT_EQ(got.records, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(got.name, "adapter.bin");
    EXPECT_EQ(got.size, 241u);
    EXPECT_TRUE(got.activated) << got.problem;
    EXPECT_TRUE(got.image == image);
    EXPECT_TRUE(ReadFile(unit.outFile()) == image);
    EXPECT_TRUE(server.WaitForLog("TelnetWriteFirm: file=adapter.bin size=241\n"));
    EXPECT_TRUE(server.WaitForLog("TelnetWriteFirm: record=1 data=[01]\n"));
    EXPECT_TRUE(server.WaitForLog("TelnetWriteFirm: record=0 data=K"));

    // Binary mode: the name and the image from the buffer, which stays as it
    // is, so the same upload runs twice.
    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));
    ASSERT_EQ(binary.Command("writedata 0," + Hex(std::string("kx05.bin\0", 9) + image)),
              "done\r\n");
    for (int run = 0; run < 2; ++run) {
        std::string bin = binary.Command("writedfrm 356000000000841", seconds(30));
        size_t pos = 0;
        for (const char* step :
             {"info Inicjalizuje firmware...\r\n", "info Wysylam nazwe pliku...\r\n",
              "info Wysylam firmware...\r\n", "progress 50\r\n", "progress 100\r\n",
              "info Aktywuje firmware...\r\n", "done\r\n"}) {
            size_t next = bin.find(step, pos);
            ASSERT_NE(next, std::string::npos) << step << " in " << bin;
            pos = next;
        }
        EXPECT_TRUE(EndsWith(bin, "done\r\n")) << bin;
        EXPECT_EQ(AdapterRecordNumbers(unit), (std::vector<int>{1, 2, 3, 4, 5}));
        EXPECT_EQ(unit.unit().AdapterFirmware().name, "kx05.bin");
        EXPECT_TRUE(unit.unit().AdapterFirmware().image == image);
    }
}

TEST(FirmwareUpload, WrfirmexSendsRecordsTenToTwelveInOneCommand) {
    FirmwareServer fw;
    RunningServer& server = fw.server();
    FirmwareUnit unit(server, "356000000000851", '\n');
    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));
    std::string bytes = ImageBytes(600, 29);
    std::string out = binary.Command("wrfirmex 356000000000851,10,0," + Hex(bytes));
    EXPECT_TRUE(EndsWith(out, "done\r\n")) << out;
    ASSERT_TRUE(
        WaitUntil([&] { return unit.unit().RawFirmwareRecords().size() >= 3; }, seconds(5)));
    std::vector<RawRecordReceived> records = unit.unit().RawFirmwareRecords();
    ASSERT_EQ(records.size(), 3u);
    const int items[] = {256, 256, 88};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(records[r].index, 10 + r);
        EXPECT_EQ(records[r].flag, r == 2 ? 1 : 0);
        EXPECT_TRUE(records[r].items == bytes.substr(256 * r, items[r])) << r;
    }
    EXPECT_TRUE(server.WaitForLog("TelnetWriteFirmEx: id=356000000000851 arg=1 len=1200\n"));
    EXPECT_TRUE(server.WaitForLog("TelnetWriteFirmEx: index=12 flag=1 items=88\n"));
    EXPECT_TRUE(server.WaitForLog("TelnetWriteFirmEx: records=3 length="));

    ConsoleClient text(server.telnetPort());
    ASSERT_TRUE(text.Login(kPassword, "text"));
    std::string done = text.Command("wrfirmex 356000000000851,0,4,zz01");
    EXPECT_TRUE(EndsWith(done, "Wykonano\r\n")) << done;
    ASSERT_TRUE(
        WaitUntil([&] { return unit.unit().RawFirmwareRecords().size() >= 4; }, seconds(5)));
    RawRecordReceived last = unit.unit().RawFirmwareRecords().back();
    EXPECT_EQ(last.flag, 5);
    EXPECT_EQ(last.items, std::string("\0\x01", 2));  // a pair that is not hexadecimal gives 0
}

}  // namespace
