// Tachograph files reach the office through the real server: driver card
// uploads, remote company downloads relayed through the card server stand-in,
// the web service relay, and VimkoInfo naming what arrived.

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "common/card_message.h"
#include "server/device/tacho_frames.h"
#include "tests/support/running_server.h"
#include "tests/support/text_count.h"
#include "tools/unit_sim/sim_unit.h"
#include "tools/unit_sim/tacho_files.h"
#include "tools/unit_sim/tacho_run.h"

namespace {

using namespace unit_sim;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr char kSerial[] = "356000000000701";
constexpr char kCardNumber[] = "1000000012345678";

// A stand-in program of the build listening on a free port of its own.
class StandIn {
  public:
    StandIn(const TempDir& dir, const std::string& program, std::vector<std::string> args)
        : m_port(FreePort()) {
        args.insert(args.begin(), {"--port", std::to_string(m_port)});
        m_process = std::make_unique<ServerProcess>(
            ServerProcess::Options{dir.path(), args, false, program});
        EXPECT_TRUE(
            WaitUntil([&] { return m_process->Stdout().find("listening") != std::string::npos; },
                      seconds(10)))
            << program << ": " << m_process->Stderr();
    }
    int port() const { return m_port; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }

  private:
    int m_port;
    std::unique_ptr<ServerProcess> m_process;
};

// The names of the files in `dir`, sorted.
std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A server whose DRIVER_DIR is a folder of the test, with the outside
// services at the given addresses (unset: nothing listens there).
struct TachoServer {
    explicit TachoServer(const std::string& cardServer = "", const std::string& web = "")
        : driverDir(drivers.path() + "/") {
        // A port nobody listens on stands for a service that is down.
        std::string down = "127.0.0.1:" + std::to_string(FreePort());
        setenv("VIMKO_CARD_SERVER", cardServer.empty() ? down.c_str() : cardServer.c_str(), 1);
        setenv("VIMKO_TACHO_WEB", web.empty() ? down.c_str() : web.c_str(), 1);
        server = std::make_unique<RunningServer>(
            ConfigValues{{"DRIVER_DIR", driverDir}, {"CMMD_TIMEOUT", "3"}, {"SND_TIMEOUT", "2"}});
    }
    TempDir drivers;
    std::string driverDir;
    std::unique_ptr<RunningServer> server;
};

std::unique_ptr<SimUnit> Unit(int port, const std::string& serial = kSerial) {
    UnitConfig config;
    config.port = static_cast<uint16_t>(port);
    config.identity.serial = serial;
    config.identity.description = "Truck";
    auto unit = std::make_unique<SimUnit>(config);
    EXPECT_TRUE(unit->Connect());
    return unit;
}

// Sends one line and returns the ids of the frames of the lines that come
// back within `limit` (stops early once `last` arrived).
std::vector<int> Answers(SimUnit& unit, const std::vector<std::string>& frames, int last = 38,
                         milliseconds limit = milliseconds(5000),
                         std::vector<ServerFrame>* got = nullptr) {
    EXPECT_TRUE(unit.SendLine(frames));
    std::vector<int> ids;
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        auto line = unit.ReceiveLine(milliseconds(100));
        if (!line) {
            if (!ids.empty() && ids.back() == last) break;
            continue;
        }
        for (const ServerFrame& f : ParseServerLine(*line)) {
            ids.push_back(f.id);
            if (got != nullptr) got->push_back(f);
        }
    }
    return ids;
}

std::string Block(const std::string& upload, int n) {
    return DriverBlockFrame(static_cast<uint8_t>(n),
                            upload.substr(static_cast<size_t>(n) * 256, 256));
}

std::tm UtcNow() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    return utc;
}

void Identify(SimUnit& unit) {
    ASSERT_EQ(Answers(unit, {unit.IdentificationFrame()}), std::vector<int>{38});
}

// ---- driver card upload ------------------------------------------------------

TEST(TachoUpload, AllBlocksGiveTheByteExactFile) {
    TachoServer t;
    auto files = DriverCardFiles(kCardNumber, "KOWALSKI");
    std::string upload = DriverUpload(files);
    auto unit = Unit(t.server->devicePort());
    TachoConversation talk(*unit);
    ASSERT_TRUE(talk.Identify(seconds(5)).ok);
    TachoRunResult r = talk.UploadDriverCard(upload, seconds(5));
    ASSERT_TRUE(r.ok) << r.error;

    ASSERT_TRUE(t.server->WaitForLog("ESM_FILE=" + t.driverDir));
    std::vector<std::string> names = FilesIn(t.driverDir);
    ASSERT_EQ(names.size(), 1u);
    // YYYYMMDD_hhmmss_<serial>.ddd
    EXPECT_EQ(names[0].size(), 15 + 1 + 15 + 4);
    EXPECT_EQ(names[0].substr(15), std::string("_") + kSerial + ".ddd");
    EXPECT_EQ(ReadFile(t.driverDir + names[0]), DriverDdd(files));
    std::string log = t.server->Log();
    EXPECT_EQ(CountOf(log, " FileID="), 27u);
    EXPECT_NE(log.find(" FileID=0002 FileFlag=00 FileSize=25 FileCrcc="), std::string::npos);
    EXPECT_NE(log.find(" FileID=0501 FileFlag=01 FileSize=128 "), std::string::npos);
    EXPECT_NE(log.find(" driverblockno=111 tasks["), std::string::npos);
    EXPECT_EQ(log.find("ESM_FILE=ERR"), std::string::npos);
}

TEST(TachoUpload, RepeatedBlockIsAcknowledgedButNotCopiedAndAGapIsRefused) {
    TachoServer t;
    auto files = DriverCardFiles(kCardNumber, "NOWAK");
    std::string upload = DriverUpload(files);
    std::string spoiled = upload;
    spoiled.replace(256, 256, std::string(256, 'X'));
    auto unit = Unit(t.server->devicePort());
    Identify(*unit);
    EXPECT_EQ(Answers(*unit, {Block(upload, 0)}), std::vector<int>{38});
    EXPECT_EQ(Answers(*unit, {Block(upload, 1)}), std::vector<int>{38});
    // Block 1 again, with other bytes: acknowledged, and the first copy stays.
    EXPECT_EQ(Answers(*unit, {Block(spoiled, 1)}), std::vector<int>{38});
    EXPECT_EQ(Answers(*unit, {Block(upload, 2)}), std::vector<int>{38});
    EXPECT_EQ(Answers(*unit, {Block(upload, 4)}, 41), std::vector<int>{41});
    for (int n = 3; n < 112; ++n)
        ASSERT_EQ(Answers(*unit, {Block(upload, n)}), std::vector<int>{38}) << n;

    ASSERT_TRUE(t.server->WaitForLog("ESM_FILE=" + t.driverDir));
    std::vector<std::string> names = FilesIn(t.driverDir);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(ReadFile(t.driverDir + names[0]), DriverDdd(files));
    EXPECT_TRUE(t.server->WaitForLog("driverblockno=1 tasks[0].blockno=2\n"));
    EXPECT_NE(t.server->Log().find("driverblockno=4 tasks[0].blockno=3\n"), std::string::npos);
}

TEST(TachoUpload, BadSumOrUnstartedTransferLeavesNoFile) {
    TachoServer t;
    auto files = DriverCardFiles(kCardNumber, "NOWAK");
    std::string upload = DriverUpload(files);
    upload[256 + 30] ^= 0x01;  // inside the second file (0x0005), its sum unchanged
    auto unit = Unit(t.server->devicePort());
    Identify(*unit);
    // No transfer started: block 5 is refused.
    EXPECT_EQ(Answers(*unit, {Block(upload, 5)}, 41), std::vector<int>{41});
    for (int n = 0; n < 112; ++n)
        ASSERT_EQ(Answers(*unit, {Block(upload, n)}), std::vector<int>{38}) << n;
    ASSERT_TRUE(t.server->WaitForLog("ESM_FILE=ERR#"));
    std::string log = t.server->Log();
    // The first file is fine; the second stops the assembly.
    EXPECT_EQ(CountOf(log, " FileID="), 2u);
    EXPECT_NE(log.find("ESM_FILE=ERR#"), std::string::npos);
    EXPECT_TRUE(FilesIn(t.driverDir).empty());
}

// ---- remote company download ----------------------------------------------------

struct Fleet {
    std::string companyId, deviceId, requestId;
};

Fleet Register(TestDatabase& db, uint32_t cardBusy = 0) {
    db.Exec("insert into companies(name,card_busy) values('Spedition'," + std::to_string(cardBusy) +
            ")");
    Fleet f;
    f.companyId = db.Query("select max(id) from companies")[0][0];
    db.Exec("insert into devices(sn,company_id) values('" + std::string(kSerial) + "'," +
            f.companyId + ")");
    f.deviceId = db.Query("select id from devices where sn='" + std::string(kSerial) + "'")[0][0];
    db.Exec("insert into korvalen(device_id,request,sent_tries) values(" + f.deviceId + ",5,0)");
    f.requestId = db.Query("select max(id) from korvalen")[0][0];
    return f;
}

// Identifies the unit and waits until the server took its acknowledgement of
// the download request.
void StartDownload(RunningServer& server, SimUnit& unit) {
    Identify(unit);
    // The unit answers the request while it reads it.
    bool requested = false;
    auto deadline = std::chrono::steady_clock::now() + seconds(15);
    while (!requested && std::chrono::steady_clock::now() < deadline) {
        auto line = unit.ReceiveLine(milliseconds(100));
        if (!line) continue;
        for (const ServerFrame& f : ParseServerLine(*line)) requested |= f.id == kDownloadRequest;
    }
    ASSERT_TRUE(requested);
    ASSERT_TRUE(server.WaitForLog("KORV: Receive ack from "));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return !server.db()
                        .Query("select id from korvalen where sent_date is not null")
                        .empty();
        },
        seconds(5)));
}

SqlRow Row(RunningServer& server) {
    return server.db().Query("select status, filename, crcc from korvalen")[0];
}

std::string CardBusy(RunningServer& server) {
    return server.db().Query("select card_busy from companies")[0][0];
}

TEST(TachoDownload, FromRequestToRenamedFileWithTheCardReservedAndReleased) {
    TempDir dir;
    StandIn card(dir, "vimko-card-server", {"--record", dir.File("card.txt")});
    TachoServer t(card.Address());
    RunningServer& server = *t.server;
    Fleet fleet = Register(server.db());
    auto unit = Unit(server.devicePort());
    StartDownload(server, *unit);

    EXPECT_EQ(Answers(*unit, {KorvNotifyFrame(0)}), std::vector<int>{38});
    EXPECT_EQ(CardBusy(server), fleet.deviceId);
    EXPECT_EQ(Row(server), (SqlRow{"0", "NULL", "NULL"}));

    std::vector<ServerFrame> got;
    EXPECT_EQ(Answers(*unit, {TachoAuthFrame(77, "AUTH")}, 147, milliseconds(5000), &got),
              std::vector<int>{147});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(CountedData(got[0]), "OKAUTH");
    got.clear();
    EXPECT_EQ(Answers(*unit, {TachoDataFrame(77, 1, "DATA")}, 149, milliseconds(5000), &got),
              std::vector<int>{149});
    EXPECT_EQ(CountedData(got[0]), "OKDATA");
    // Mode 0 is relayed without an answer; the following line's 38 is all that comes.
    EXPECT_EQ(Answers(*unit, {TachoDataFrame(77, 0, "LAST"), AckRequestFrame()}),
              std::vector<int>{38});
    EXPECT_EQ(ReadFile(dir.File("card.txt")),
              "mode=31 size=4 data=41555448\nmode=32 size=4 data=44415441\nmode=33 size=4 "
              "data=4C415354\n");

    EXPECT_EQ(Answers(*unit, {KorvNotifyFrame(1)}), std::vector<int>{38});
    EXPECT_EQ(CardBusy(server), "0");
    SqlRow named = Row(server);
    ASSERT_EQ(named[0], "1");
    std::string base = named[1];
    EXPECT_EQ(base.substr(15), std::string("_") + kSerial);
    EXPECT_TRUE(server.WaitForLog("KORVALEN_FILENAME=" + base + ".tmp\n"));

    // Counters 0 and 1 and a repeated counter write nothing.
    for (auto [counter, bytes] : std::vector<std::pair<int, std::string>>{
             {0, "zero"}, {1, "one"}, {2, "two-"}, {2, "two-"}, {3, "three"}}) {
        EXPECT_EQ(Answers(*unit, {KorvDataFrame(static_cast<uint16_t>(counter), bytes)}),
                  std::vector<int>{38});
    }
    EXPECT_EQ(ReadFile(t.driverDir + base + ".tmp"), "two-three");
    EXPECT_TRUE(server.WaitForLog("KorvData cntr=2, len=4\n"));

    EXPECT_EQ(Answers(*unit, {KorvNotifyFrame(2)}), std::vector<int>{38});
    EXPECT_EQ(FilesIn(t.driverDir), std::vector<std::string>{base + ".ddd"});
    EXPECT_EQ(ReadFile(t.driverDir + base + ".ddd"), "two-three");
    EXPECT_EQ(Row(server), (SqlRow{"2", base + ".ddd", "0"}));
    EXPECT_TRUE(server.WaitForLog(t.driverDir + base + ".tmp->" + t.driverDir + base + ".ddd\n"));
    // The download is over: a further KorvNotify changes nothing.
    EXPECT_EQ(Answers(*unit, {KorvNotifyFrame(0)}), std::vector<int>{38});
    EXPECT_EQ(CardBusy(server), "0");
    EXPECT_EQ(Row(server)[0], "2");
}

TEST(TachoDownload, SecondDownloadStartsItsCountersAfresh) {
    TachoServer t;
    RunningServer& server = *t.server;
    Fleet fleet = Register(server.db());
    auto unit = Unit(server.devicePort());
    StartDownload(server, *unit);
    // Two downloads in a row, each a file of one data frame with counter 2.
    for (const std::string& content : {std::string("first"), std::string("second")}) {
        if (content == "second") {
            // File names carry the second of their creation; the next one must differ.
            std::string first = server.db().Query("select filename from korvalen")[0][0];
            ASSERT_TRUE(WaitUntil(
                [&] { return DownloadBaseName(UtcNow(), kSerial) + ".ddd" != first; }, seconds(3)));
            server.db().Exec("insert into korvalen(device_id,request,sent_tries) values(" +
                             fleet.deviceId + ",6,0)");
            // A re-identification wakes the download sender at once.
            std::vector<int> ids = Answers(*unit, {Reidentification(unit->config().identity)}, 128);
            bool requested = std::find(ids.begin(), ids.end(), 128) != ids.end();
            auto deadline = std::chrono::steady_clock::now() + seconds(40);
            while (!requested && std::chrono::steady_clock::now() < deadline) {
                auto line = unit->ReceiveLine(milliseconds(100));
                if (!line) continue;
                for (const ServerFrame& f : ParseServerLine(*line))
                    requested |= f.id == kDownloadRequest;
            }
            ASSERT_TRUE(requested);
            ASSERT_TRUE(server.WaitUntilCount("KORV: Receive ack from ", 2));
        }
        EXPECT_EQ(Answers(*unit, {KorvNotifyFrame(1)}), std::vector<int>{38});
        EXPECT_EQ(Answers(*unit, {KorvDataFrame(2, content)}), std::vector<int>{38});
        EXPECT_EQ(Answers(*unit, {KorvNotifyFrame(2)}), std::vector<int>{38});
    }
    auto rows = server.db().Query("select filename from korvalen order by id");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(ReadFile(t.driverDir + rows[0][0]), "first");
    EXPECT_EQ(ReadFile(t.driverDir + rows[1][0]), "second");
}

TEST(TachoDownload, BusyCardIsRefusedAndTheStatusStillRecorded) {
    TachoServer t;
    Register(t.server->db(), 999);
    auto unit = Unit(t.server->devicePort());
    StartDownload(*t.server, *unit);
    EXPECT_EQ(Answers(*unit, {KorvNotifyFrame(0)}, 41), (std::vector<int>{38, 41}));
    EXPECT_EQ(CardBusy(*t.server), "999");
    EXPECT_EQ(Row(*t.server)[0], "0");
}

TEST(TachoDownload, UnitThatReconnectsContinuesOnItsNewSlot) {
    TachoServer t;
    RunningServer& server = *t.server;
    Fleet fleet = Register(server.db());
    auto first = Unit(server.devicePort());
    StartDownload(server, *first);
    EXPECT_EQ(Answers(*first, {KorvNotifyFrame(0)}), std::vector<int>{38});
    EXPECT_EQ(Answers(*first, {KorvNotifyFrame(1)}), std::vector<int>{38});
    EXPECT_EQ(Answers(*first, {KorvDataFrame(2, "abc")}), std::vector<int>{38});
    std::string base = Row(server)[1];

    auto second = Unit(server.devicePort());
    Identify(*second);
    EXPECT_TRUE(
        server.WaitForLog("copying offline korvalen status 0/" + fleet.requestId + "/" + base));
    EXPECT_EQ(Answers(*second, {KorvDataFrame(2, "abc")}),
              std::vector<int>{38});  // already written
    EXPECT_EQ(Answers(*second, {KorvDataFrame(3, "def")}), std::vector<int>{38});
    EXPECT_EQ(Answers(*second, {KorvNotifyFrame(2)}), std::vector<int>{38});
    EXPECT_EQ(ReadFile(t.driverDir + base + ".ddd"), "abcdef");
    EXPECT_EQ(Row(server), (SqlRow{"2", base + ".ddd", "0"}));
}

TEST(TachoDownload, TachoNotifyRecordsTheEventAndLink) {
    TachoServer t;
    Fleet fleet = Register(t.server->db());
    auto unit = Unit(t.server->devicePort());
    Identify(*unit);
    uint32_t key = static_cast<uint32_t>(std::stoul(fleet.requestId));
    // A link with a quote reaches the row as it is.
    EXPECT_EQ(Answers(*unit, {TachoNotifyFrame(key, 1, true, 4000000000u, "http://x/it's")}),
              std::vector<int>{38});
    EXPECT_EQ(Row(*t.server), (SqlRow{"1", "http://x/it's", "4000000000"}));
    EXPECT_EQ(Answers(*unit, {TachoNotifyFrame(key, 3, false, 0, "")}), std::vector<int>{38});
    EXPECT_EQ(Row(*t.server)[0], "3");
    EXPECT_TRUE(t.server->WaitForLog("TachoNotify key=" + fleet.requestId +
                                     ", event=1, crcc=4000000000, link=http://x/it's\n"));
}

// ---- card server failures -------------------------------------------------------

struct CardFailure {
    const char* name;
    const char* answerHex;  // empty: the card server is down
    const char* logged;
};

void PrintTo(const CardFailure& c, std::ostream* os) {
    *os << c.name;
}

class TachoCardServerFailure : public ::testing::TestWithParam<CardFailure> {};

TEST_P(TachoCardServerFailure, AnswersTheUnitWithANegativeAcknowledgement) {
    TempDir dir;
    std::unique_ptr<StandIn> card;
    if (*GetParam().answerHex != '\0') {
        card = std::make_unique<StandIn>(
            dir, "vimko-card-server",
            std::vector<std::string>{"--answer-hex", GetParam().answerHex});
    }
    TachoServer t(card ? card->Address() : "");
    auto unit = Unit(t.server->devicePort());
    Identify(*unit);
    EXPECT_EQ(Answers(*unit, {TachoAuthFrame(1, "AUTH")}, 41), std::vector<int>{41});
    EXPECT_EQ(Answers(*unit, {TachoDataFrame(1, 1, "DATA")}, 41), std::vector<int>{41});
    EXPECT_TRUE(t.server->WaitForLog(GetParam().logged)) << t.server->Log();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TachoCardServerFailure,
    ::testing::Values(CardFailure{"EightBytes", "DEADBEEF31020041",
                                  "KorvalenServer message to short (8)\n"},
                      CardFailure{"CorruptMagic", "DEADBEEE310200414243",
                                  "KorvalenServer header is corrupt (DEADBEEE31)\n"},
                      CardFailure{"ServerDown", "", "KorvalenServer connect failed\n"}),
    [](const ::testing::TestParamInfo<CardFailure>& p) { return std::string(p.param.name); });

TEST(TachoCardServer, HeaderSizeLargerThanTheAnswerRelaysOnlyWhatArrived) {
    TempDir dir;
    // Size 0x0400 announced, 3 data bytes sent.
    StandIn card(dir, "vimko-card-server", {"--answer-hex", "DEADBEEF310004414243"});
    TachoServer t(card.Address());
    auto unit = Unit(t.server->devicePort());
    Identify(*unit);
    std::vector<ServerFrame> got;
    EXPECT_EQ(Answers(*unit, {TachoAuthFrame(1, "AUTH")}, 147, milliseconds(5000), &got),
              std::vector<int>{147});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(CountedData(got[0]), "ABC");
    EXPECT_TRUE(t.server->WaitForLog("KorvalenServer header length incorrect (10,1024)\n"));
}

// ---- web service relay ----------------------------------------------------------

TEST(TachoWeb, RelaysTheBodyCutAt250WithTheCounterIncreased) {
    TempDir dir;
    std::string reply(300, 'r');
    StandIn web(dir, "vimko-tacho-web", {"--reply", reply, "--record", dir.File("web.txt")});
    TachoServer t("", web.Address());
    auto unit = Unit(t.server->devicePort());
    Identify(*unit);
    std::vector<ServerFrame> got;
    EXPECT_EQ(Answers(*unit, {WebRequestFrame(41, "GET-ME")}, 131, milliseconds(5000), &got),
              std::vector<int>{131});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].length_byte, 252);
    EXPECT_EQ(got[0].payload, std::string("\x2a\x00", 2) + reply.substr(0, 250));
    EXPECT_EQ(ReadFile(dir.File("web.txt")), "field=GET-ME\n");
    std::string log = t.server->Log();
    EXPECT_NE(log.find(" R>POST /Tele.php HTTP/1.1\r\n"), std::string::npos);
    EXPECT_NE(log.find(" R>Content-Type: multipart/form-data; boundary=5135917241032395\r\n"),
              std::string::npos);
    EXPECT_NE(log.find(" r>--5135917241032395--\n"), std::string::npos);
    EXPECT_NE(log.find(" A>Content-Length: 300\r\n"), std::string::npos);
    EXPECT_NE(log.find("KorvalenHttp len=300 data=" + reply.substr(0, 250) + "\n"),
              std::string::npos);
}

TEST(TachoWeb, ServiceDownGivesAReplyWithoutBody) {
    TachoServer t;
    auto unit = Unit(t.server->devicePort());
    Identify(*unit);
    std::vector<ServerFrame> got;
    EXPECT_EQ(Answers(*unit, {WebRequestFrame(65535, "X")}, 131, milliseconds(5000), &got),
              std::vector<int>{131});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].payload, std::string("\x00\x00", 2));
    EXPECT_TRUE(t.server->WaitForLog("KorvalenHttp connect failed\n"));
}

// ---- the whole road ---------------------------------------------------------------

std::string RunProgram(const TempDir& dir, const std::string& program,
                       std::vector<std::string> args, int* code = nullptr) {
    ServerProcess p(ServerProcess::Options{dir.path(), std::move(args), false, program});
    int rc = p.Wait(seconds(60));
    if (code != nullptr) *code = rc;
    return p.Stdout();
}

TEST(TachoEndToEnd, SimulatedUnitDeliversBothFilesAndVimkoInfoNamesAndRenamesThem) {
    TempDir dir;
    StandIn card(dir, "vimko-card-server", {});
    StandIn web(dir, "vimko-tacho-web", {});
    TachoServer t(card.Address(), web.Address());
    Register(t.server->db());

    int code = -1;
    std::string out = RunProgram(
        dir, "vimko-unit",
        {"--port", std::to_string(t.server->devicePort()), "--serial", kSerial, "--web-request",
         "HELLO", "--driver-card", std::string(kCardNumber) + ",VAN DER BERG", "--remote-download",
         "WVWZZZ1JZXW000001,WX 12345"},
        &code);
    ASSERT_EQ(code, 0) << out << t.server->Log();
    EXPECT_NE(out.find("web reply counter=2 body=OK:HELLO"), std::string::npos) << out;
    EXPECT_NE(out.find("tacho auth answer="), std::string::npos);

    std::vector<std::string> names = FilesIn(t.driverDir);
    ASSERT_EQ(names.size(), 2u) << t.server->Log();
    for (const std::string& name : names) {
        std::string path = t.driverDir + name;
        std::string expected = ReadFile(path).starts_with("\x76")
                                   ? "WVWZZZ1JZXW000001_WX12345"
                                   : std::string(kCardNumber) + "_VANDERBERG";
        EXPECT_EQ(RunProgram(dir, "VimkoInfo", {path}), "Name: " + expected + "\nFile: OK\n");
        EXPECT_EQ(RunProgram(dir, "VimkoInfo", {path, "-r"}, &code), "");
        EXPECT_EQ(code, 0);
        EXPECT_TRUE(
            FileExists(t.driverDir + name.substr(0, name.find('.')) + "_" + expected + ".ddd"));
        EXPECT_FALSE(FileExists(path));
    }
    EXPECT_EQ(t.server->db().Query("select status from korvalen")[0][0], "2");
    EXPECT_EQ(CardBusy(*t.server), "0");
}

}  // namespace
