// The operator console of the real server: the login dialogue, telnet
// negotiation, dispatch, the information commands, and unit requests with
// simulated units answering, timing out, being cancelled and disconnecting.

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/console_client.h"
#include "tests/support/running_server.h"
#include "tools/unit_sim/sim_unit.h"
#include "tools/unit_sim/unit_frames.h"

namespace {

using namespace unit_sim;
using std::chrono::milliseconds;
using std::chrono::seconds;

const char* const kPassword = "vimko";  // TELNET_PASSWD of the sample configuration

// A unit of the simulator pumped by its own thread, so it answers the
// server's requests while the test talks to the console.
class LiveUnit {
  public:
    LiveUnit(int port, const std::string& serial, char terminator = '\n',
             Transport transport = Transport::kTcp, bool pico = false) {
        UnitConfig config;
        config.port = static_cast<uint16_t>(port);
        config.terminator = terminator;
        config.transport = transport;
        config.pico = pico;
        config.identity.serial = serial;
        config.identity.description = "Unit " + serial.substr(serial.size() - 3);
        m_unit = std::make_unique<SimUnit>(config);
        EXPECT_TRUE(m_unit->Connect());
        EXPECT_TRUE(m_unit->SendLine({m_unit->IdentificationFrame()}));
        m_thread = std::thread([this] {
            while (!m_stop && !m_unit->Closed()) m_unit->ReceiveLine(milliseconds(50));
        });
    }
    ~LiveUnit() {
        m_stop = true;
        m_thread.join();
    }
    SimUnit& unit() { return *m_unit; }
    void Disconnect() {
        m_stop = true;
        m_thread.join();
        m_unit->Close();
        m_thread = std::thread([] {});
    }

  private:
    std::unique_ptr<SimUnit> m_unit;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST(Console, LoginDialogueInBothModesAndRefusals) {
    RunningServer server;
    {
        ConsoleClient client(server.telnetPort());
        ASSERT_TRUE(client.ReadUntil("Telnet console ver. 2.004.256\r\nusername\r\n"));
        client.Send("alice\npassword-is-wrong\n");
        ASSERT_TRUE(client.ReadUntil("password\r\n"));
        // The refusal comes only after the mode line.
        EXPECT_FALSE(client.ReadUntil("logout", milliseconds(300)));
        client.Send("text\n");
        EXPECT_TRUE(client.ReadUntil("mode\r\nlogout\r\n"));
        EXPECT_TRUE(client.WaitClosed());
    }
    {
        ConsoleClient client(server.telnetPort());
        client.Send("bob\n" + std::string(kPassword) + "\nBINARY\n");
        EXPECT_TRUE(client.ReadUntil("mode\r\nlogout\r\n"));
        EXPECT_TRUE(client.WaitClosed());
    }
    {
        ConsoleClient client(server.telnetPort());
        client.Send("carol\r\n" + std::string(kPassword) + "\r\ntext\r\n");
        EXPECT_TRUE(client.ReadUntil("mode\r\nWpisz 'help' dla uzyskania pomocy\r\ncommand\r\n"));
        client.Send("exit\n");
        EXPECT_TRUE(client.ReadUntil("logout\r\n"));
        EXPECT_TRUE(client.WaitClosed());
    }
    {
        ConsoleClient client(server.telnetPort());
        ASSERT_TRUE(client.Login(kPassword, "binary", std::string(40, 'n')));
        EXPECT_EQ(client.Command("bogus"), "error\r\n");
    }
    // A client sees its connection closed a moment before its session slot
    // is free again, so carol's session number is whichever was free.
    EXPECT_TRUE(WaitUntil(
        [&] {
            std::string log = server.Log();
            for (int session = 0; session < 50; ++session) {
                if (log.find(" T" + std::to_string(session) + ": carol\n") != std::string::npos)
                    return true;
            }
            return false;
        },
        seconds(10)));
    EXPECT_TRUE(server.WaitForLog("T0: Disconnected 127.0.0.1:"));
}

TEST(Console, TelnetNegotiationHelpAndDispatch) {
    RunningServer server;
    ConsoleClient client(server.telnetPort());
    ASSERT_TRUE(client.ReadUntil("username\r\n"));
    client.Send(
        "\xFF\xFD\x01"
        "op\xFF\xFB\x1F"
        "er\xFF\xFF"
        "ator\n");
    EXPECT_TRUE(client.ReadUntil("\xFF\xFC\x01"));
    EXPECT_TRUE(client.ReadUntil("\xFF\xFE\x1F"));
    client.Send(std::string(kPassword) + "\ntext\n");
    ASSERT_TRUE(client.ReadUntil("command\r\n"));
    client.Take();
    EXPECT_TRUE(server.WaitForLog("T0: operator\n"));

    // The help screen as a telnet user sees it: the title, then a table of
    // 76-character lines, each ended by CR LF.
    std::string help = client.Command("help");
    ASSERT_EQ(help.rfind("dostepne polecenia:\r\n", 0), 0u) << help;
    const std::string border =
        "+-----------+--------------------------------------------------------------+\r\n";
    EXPECT_EQ(help.substr(21, border.size()), border);
    EXPECT_EQ(help.substr(help.size() - border.size()), border);
    size_t lines = 0;
    for (size_t at = 21; at < help.size(); at += 78, ++lines) {
        ASSERT_EQ(help.compare(at + 76, 2, "\r\n"), 0) << "line " << lines << " of\n" << help;
    }
    EXPECT_GT(lines, 100u);
    EXPECT_NE(
        help.find("| writeterm | wysyla wiadomosc do terminala                                "
                  "|\r\n|           | -->  writeterm device,addr,message                  "
                  "         |\r\n"),
        std::string::npos);
    EXPECT_EQ(client.Command("readcfg"), "Brak parametrow poleceia\r\n");
    EXPECT_EQ(client.Command("readcfg "), "Brak parametrow poleceia\r\n");
    EXPECT_EQ(client.Command("help me"), "Nieznane polecenie\r\n");
    EXPECT_EQ(client.Command("writecal 1,2"), "Nieznane polecenie\r\n");
    EXPECT_EQ(client.Command(""), "");
    EXPECT_EQ(client.Command("\breadcfg 999"),
              "Podany identyfikator urzadzenia nie jest wlasciwy\r\n");
}

TEST(Console, ListShowsActiveAndHeldUnitsAndSessions) {
    RunningServer server(ConfigValues{{"RCV_TIMEOUT", "2"}});
    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));
    EXPECT_EQ(binary.Command("list"), "done\r\n");

    LiveUnit active(server.devicePort(), "356000000000701", ';');
    auto held = std::make_unique<LiveUnit>(server.devicePort(), "356000000000702");
    ASSERT_TRUE(server.WaitForLog(" 356000000000702 Unit 702\n"));
    held->Disconnect();
    ASSERT_TRUE(server.WaitForLog(": Disconnected 127.0.0.1:", seconds(10)));
    ASSERT_TRUE(server.WaitUntilCount(": Disconnected 127.0.0.1:", 2));

    // The slot becomes held just after its "Disconnected" entry.
    std::string list;
    WaitUntil(
        [&] {
            list = binary.Command("list");
            return list.find("356000000000702,0,") != std::string::npos;
        },
        seconds(10));
    EXPECT_NE(list.find("answer Unit 701,356000000000701,1,256,127.0.0.1,"), std::string::npos)
        << list;
    EXPECT_NE(list.find("answer Unit 702,356000000000702,0,1,127.0.0.1,"), std::string::npos)
        << list;
    EXPECT_EQ(list.substr(list.size() - 6), "done\r\n");

    ConsoleClient text(server.telnetPort());
    ASSERT_TRUE(text.Login(kPassword, "text", "dispatcher"));
    std::string table = text.Command("list");
    EXPECT_NE(table.find("| S-3      | 356000000000701  | 127.0.0.1      :"), std::string::npos)
        << table;
    EXPECT_EQ(table.find("356000000000702"), std::string::npos) << table;  // held: not in the table
    EXPECT_NE(table.find("| dispatcher                      | 127.0.0.1      :"),
              std::string::npos);
    EXPECT_NE(table.find("| BIN  |\r\n"), std::string::npos);
    EXPECT_NE(table.find("| TXT  |\r\n"), std::string::npos);
}

TEST(Console, SelectReadlogAndClearlog) {
    RunningServer server(ConfigValues{{"MAX_SELECT", "1"}, {"MAX_LOG", "3"}});
    server.db().Exec("insert into devices(sn,dscr) values('a','x'),('b',NULL),('c','z')");
    ConsoleClient client(server.telnetPort());
    ASSERT_TRUE(client.Login(kPassword, "text"));
    const std::string rule = std::string(79, '-') + "\r\n";
    EXPECT_EQ(client.Command("select sn, dscr from devices order by sn"),
              rule + "sn,dscr\r\n" + rule + "a,x\r\nb,\r\nZatrzymano dalsze wyswietlanie\r\n" +
                  rule + "3 wierszy\r\n");
    EXPECT_EQ(client.Command("select count(*) as n from devices"),
              rule + "n\r\n" + rule + "3\r\n" + rule + "1 wierszy\r\n");
    std::string failed = client.Command("select * from no_such_table");
    EXPECT_EQ(failed.rfind("select * from no_such_table\r\n", 0), 0u) << failed;
    EXPECT_NE(failed.find("doesn't exist\r\n"), std::string::npos) << failed;
    std::string tooLong = client.Command("select " + std::string(3000, '1'));
    EXPECT_NE(tooLong.find("Zapytanie jest za dlugie\r\n"), std::string::npos);
    // One statement only: nothing after a ";" runs.
    std::string two = client.Command("select 1; delete from devices");
    EXPECT_EQ(two.rfind("select 1; delete from devices\r\n", 0), 0u) << two;
    EXPECT_NE(two.find("SQL syntax"), std::string::npos) << two;
    EXPECT_EQ(server.db().Query("select count(*) from devices")[0][0], "3");
    // The connection the select ran on goes on storing a unit's lines,
    // whose insert and select go out in one query.
    EXPECT_EQ(client.Command("select count(*) as n from devices"),
              rule + "n\r\n" + rule + "3\r\n" + rule + "1 wierszy\r\n");
    {
        LiveUnit unit(server.devicePort(), "356000000000791");
        ASSERT_TRUE(server.WaitForLog(": 356000000000791 Unit 791\n"));
        ASSERT_TRUE(unit.unit().SendLine({AlarmFrame(0)}));
        EXPECT_TRUE(server.WaitForRows("select device_id from recentdata", 1));
    }

    std::string log = client.Command("readlog");
    EXPECT_EQ(log.rfind("Pominieto pierwsze linie pliku\r\n", 0), 0u) << log;
    EXPECT_NE(log.find(": readlog\r\n"), std::string::npos) << log;
    EXPECT_EQ(client.Command("clearlog"), "OK\r\n");
    // The next entry starts a new log; nothing before it survived.
    client.Command("list");
    EXPECT_TRUE(server.WaitForLog("T0: list\n"));
    EXPECT_EQ(server.Log().find("Uruchomienie"), std::string::npos);
}

TEST(Console, UnitRequestsAnsweredRefusedTimedOutAndCancelled) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "1"}});
    LiveUnit unit(server.devicePort(), "356000000000711");
    ASSERT_TRUE(server.WaitForLog(" 356000000000711 Unit 711\n"));
    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));
    ConsoleClient text(server.telnetPort());
    ASSERT_TRUE(text.Login(kPassword, "text"));

    std::string done = binary.Command("recovery 356000000000711,70000");
    EXPECT_EQ(done.rfind("info Wysylam polecenie...\r\ninfo Czekam na potwierdzenie...\r\n", 0), 0u)
        << done;
    EXPECT_EQ(done.substr(done.size() - 6), "done\r\n");
    // 70000 is sent as its low 16 bits: 2E 00 70 11.
    EXPECT_TRUE(server.WaitForLog(": -> 1:LgBwEQ==<>\n"));
    std::string accepted = text.Command("distance 356000000000711,5");
    EXPECT_EQ(accepted.substr(accepted.size() - 10), "Wykonano\r\n") << accepted;

    unit.unit().SetRefuseEvery(RequestKind::kWrite, 1);
    std::string refused = text.Command("distance 356000000000711,123456");
    EXPECT_EQ(refused.substr(refused.size() - 11), "Odrzucono\r\n") << refused;

    unit.unit().AnswerRequests(false);
    std::string timedOut = binary.Command("readcfg 356000000000711");
    EXPECT_NE(timedOut.find("waiting\r\n"), std::string::npos);
    EXPECT_EQ(timedOut.substr(timedOut.size() - 9), "timeout\r\n") << timedOut;
    std::string spinner = text.Command("readcfg 356000000000711");
    EXPECT_NE(spinner.find("-\r\\\r|\r/\r"), std::string::npos) << spinner;
    EXPECT_NE(spinner.find("Brak spodziewanej odpowiedzi z urzadzenia\r\n"), std::string::npos);

    // Busy for a second console while the first one waits; cancelled by a byte.
    binary.Send("readcfg 356000000000711\n");
    ASSERT_TRUE(binary.ReadUntil("info Czekam na potwierdzenie...\r\n"));
    EXPECT_EQ(text.Command("readcfg 356000000000711"), "Wybrane urzadzenie jest zajete\r\n");
    binary.Send("x");
    EXPECT_TRUE(binary.ReadUntil("terminated\r\ncommand\r\n"));
    binary.Take();

    EXPECT_EQ(binary.Command("recovery 356000000000711,x"), "error\r\n");
    EXPECT_EQ(text.Command("recovery 356000000000711"), "Podane parametry sa bledne\r\n");
    EXPECT_EQ(binary.Command("readcfg 356000000000711,"), "error\r\n");
}

TEST(Console, UnitDisconnectingWhileAwaited) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "30"}});
    LiveUnit unit(server.devicePort(), "356000000000721");
    unit.unit().AnswerRequests(false);
    ASSERT_TRUE(server.WaitForLog(" 356000000000721 Unit 721\n"));
    ConsoleClient text(server.telnetPort());
    ASSERT_TRUE(text.Login(kPassword, "text"));
    text.Send("readcfg 356000000000721\n");
    ASSERT_TRUE(text.ReadUntil("-\r"));
    unit.Disconnect();
    EXPECT_TRUE(
        text.ReadUntil("Polaczenie z urzadzeniem zostalo zerwane\r\ncommand\r\n", seconds(10)));
}

// A UDP unit heard from lately is sent the request again after each time-out,
// five times in all; then the claim stays for the unit's late answer, but
// only as long as the session that holds it lasts.
TEST(Console, UdpRequestIsResentAndItsClaimEndsWithTheSession) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "1"}});
    LiveUnit unit(server.devicePort(), "356000000000731", '\n', Transport::kUdp);
    unit.unit().AnswerRequests(false);
    ASSERT_TRUE(server.WaitForLog(" 356000000000731 Unit 731\n"));
    std::vector<int> slots = server.SlotsOf("356000000000731");
    ASSERT_EQ(slots.size(), 1u);
    const std::string sent = "D" + std::to_string(slots[0]) + ": -> 1:";
    ASSERT_TRUE(server.WaitForLog(sent));  // the identification's answer
    size_t before = server.CountInLog(sent);
    auto first = std::make_unique<ConsoleClient>(server.telnetPort());
    ASSERT_TRUE(first->Login(kPassword, "binary"));
    std::string answer = first->Command("readcfg 356000000000731", seconds(20));
    EXPECT_EQ(answer.substr(answer.size() - 9), "timeout\r\n") << answer;
    EXPECT_EQ(server.CountInLog(sent) - before, 5u) << server.Log();

    ConsoleClient second(server.telnetPort());
    ASSERT_TRUE(second.Login(kPassword, "binary"));
    EXPECT_EQ(second.Command("readcfg 356000000000731"), "busy\r\n");
    first->Send("exit\n");
    ASSERT_TRUE(first->WaitClosed());
    first.reset();
    ASSERT_TRUE(server.WaitForLog("T0: Disconnected 127.0.0.1:"));
    second.Send("readcfg 356000000000731\n");
    EXPECT_TRUE(second.ReadUntil("info Czekam na potwierdzenie...\r\n")) << second.received();
    second.Send("x");
    EXPECT_TRUE(second.ReadUntil("terminated\r\ncommand\r\n"));
}

TEST(Console, QueuedMessagesDownloadRequestsAndOfflineReport) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "2"}});
    LiveUnit unit(server.devicePort(), "356000000000731",
                  '.');  // download requests need generation 2 or 3
    ASSERT_TRUE(server.WaitForLog(" 356000000000731 Unit 731\n"));
    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));
    EXPECT_EQ(binary.Command("writeterm 356000000000731,Base,Hello, driver"), "error\r\n");
    EXPECT_EQ(binary.Command("writeterm 356000000000731,Base O'Neil,It's ok"), "done\r\n");
    EXPECT_EQ(binary.Command("writeterm 999,Base,x"), "error\r\n");
    EXPECT_EQ(binary.Command("korvalen 356000000000731,300"), "done\r\n");
    EXPECT_EQ(binary.Command("korvalen 356000000000731,x"), "error\r\n");
    EXPECT_EQ(binary.Command("readoffln 356000000000731"), "answer 0\r\ndone\r\n");

    auto outbox = server.db().Query(
        "select o.addr, o.msg, o.status from outbox o join devices d on d.id = o.device_id");
    EXPECT_EQ(outbox, (std::vector<SqlRow>{{"Base O'Neil", "It's ok", "0"}}));
    auto korvalen = server.db().Query("select request from korvalen");
    EXPECT_EQ(korvalen, (std::vector<SqlRow>{{"300"}}));
    // The senders deliver both to the unit, which acknowledges them.
    EXPECT_TRUE(server.WaitForLog("MSG: Receive ack from "));
    EXPECT_TRUE(server.WaitForLog("KORV: Receive ack from "));
}

// A console that says nothing for RCV_TIMEOUT seconds is logged out.
TEST(Console, SilentConsoleIsLoggedOut) {
    RunningServer server(ConfigValues{{"RCV_TIMEOUT", "1"}});
    ConsoleClient client(server.telnetPort());
    ASSERT_TRUE(client.Login(kPassword, "text"));
    EXPECT_TRUE(client.ReadUntil("logout\r\n", seconds(10))) << client.received();
    EXPECT_TRUE(client.WaitClosed());
    EXPECT_TRUE(server.WaitForLog("T0: Disconnected 127.0.0.1:"));
}

TEST(Console, FiftyFirstClientIsClosedAtOnce) {
    RunningServer server;
    std::vector<std::unique_ptr<ConsoleClient>> clients;
    for (int i = 0; i < 50; ++i) {
        clients.push_back(std::make_unique<ConsoleClient>(server.telnetPort()));
        ASSERT_TRUE(clients.back()->ReadUntil("username\r\n")) << i;
    }
    ConsoleClient extra(server.telnetPort());
    EXPECT_TRUE(extra.WaitClosed());
    EXPECT_EQ(extra.received(), "");
    EXPECT_TRUE(server.WaitForLog("TELNET: Serwer overflow, reject: 127.0.0.1:"));
}

}  // namespace

namespace {

// A general configuration text block: MYID at 0 (16), APN at 16 (32), the
// rest "not given" (0xFF).
std::string GeneralBlock(const std::string& myid, const std::string& apn) {
    std::string block(256, '\xFF');
    block.replace(0, 16, (myid + std::string(16, '\0')).substr(0, 16));
    block.replace(16, 32, (apn + std::string(32, '\0')).substr(0, 32));
    return block;
}

TEST(Console, ReadsPrintTheUnitsBlockInBothModes) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "3"}});
    LiveUnit unit(server.devicePort(), "356000000000741");
    unit.unit().SetBlock(33, GeneralBlock("CAR-41", "fleet.apn"));
    ASSERT_TRUE(server.WaitForLog(" 356000000000741 Unit 741\n"));

    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));
    std::string answer = binary.Command("readcfg 356000000000741");
    size_t at = answer.find("answer CAR-41,fleet.apn,");
    ASSERT_NE(at, std::string::npos) << answer;
    EXPECT_EQ(answer.substr(answer.size() - 6), "done\r\n");

    ConsoleClient text(server.telnetPort());
    ASSERT_TRUE(text.Login(kPassword, "text"));
    std::string table = text.Command("readcfg 356000000000741");
    EXPECT_NE(table.find("| DEVICE    | 356000000000741                  |\r\n"), std::string::npos)
        << table;
    EXPECT_NE(table.find("| MYID      | CAR-41                           |\r\n"), std::string::npos)
        << table;
    EXPECT_NE(table.find("| APN       | fleet.apn                        |\r\n"), std::string::npos)
        << table;
    // The block was dumped to the log before it was printed.
    EXPECT_TRUE(server.WaitForLog(": 4341522D3431"));
}

TEST(Console, BlockWritesAreAcknowledgedOrRefused) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "3"}});
    LiveUnit unit(server.devicePort(), "356000000000751", '.');
    ASSERT_TRUE(server.WaitForLog(" 356000000000751 Unit 751\n"));
    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));
    std::string values = "356000000000751,0,NEWID,apn.x" + std::string(27, ',');  // 29 values
    std::string done = binary.Command("writecfg " + values);
    EXPECT_EQ(done.substr(done.size() - 6), "done\r\n") << done;
    EXPECT_TRUE(server.WaitForLog(": MYID=NEWID (0,16)\n"));

    unit.unit().SetRefuseEvery(RequestKind::kWrite, 1);
    std::string refused = binary.Command("writecfg " + values);
    EXPECT_EQ(refused.substr(refused.size() - 8), "reject\r\n") << refused;
    EXPECT_EQ(binary.Command("writecfg " + values + ","), "error\r\n");  // 30 values

    // The unit received the block: MYID at 0, the untouched fields 0xFF.
    bool seen = false;
    for (const ReceivedFrame& r : unit.unit().Received()) {
        if (r.frame.id != 0x22) continue;
        ASSERT_EQ(r.frame.payload.size(), 256u);
        EXPECT_EQ(r.frame.payload.substr(0, 6), std::string("NEWID\0", 6));
        EXPECT_EQ(static_cast<uint8_t>(r.frame.payload[200]), 0xFF);
        seen = true;
    }
    EXPECT_TRUE(seen);
}

TEST(Console, OfflineConfigurationIsStoredForAHeldUnitAndDeliveredOnReconnect) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "3"}});
    auto unit = std::make_unique<LiveUnit>(server.devicePort(), "356000000000761", ';');
    ASSERT_TRUE(server.WaitForLog(" 356000000000761 Unit 761\n"));
    unit->Disconnect();
    ASSERT_TRUE(server.WaitUntilCount(": Disconnected 127.0.0.1:", 2));

    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));
    std::string values = "356000000000761,1,OFFLINE-ID" + std::string(36, ',');  // 37 values
    EXPECT_EQ(binary.Command("writecfg3 " + values), "done\r\n");
    std::string report = binary.Command("readoffln 356000000000761");
    EXPECT_EQ(report.rfind("answer 1,0,", 0), 0u) << report;
    std::string list = binary.Command("list");
    EXPECT_NE(list.find("answer Unit 761,356000000000761,2,256,"), std::string::npos) << list;

    // The unit comes back: the stored line goes out before its acknowledgement.
    LiveUnit back(server.devicePort(), "356000000000761", ';');
    ASSERT_TRUE(server.WaitForLog("CFG: Send offline config "));
    ASSERT_TRUE(server.WaitForLog("CFG: Receive ack from "));
    EXPECT_EQ(binary.Command("readoffln 356000000000761").rfind("answer 7,0,", 0), 0u);
    bool delivered = false;
    for (const ReceivedFrame& r : back.unit().Received()) {
        if (r.frame.id == 0x51 &&
            r.frame.payload.substr(2, 11) == std::string("\x01OFFLINE-ID", 11)) {
            delivered = true;
        }
    }
    EXPECT_TRUE(delivered);
}

TEST(Console, VimkoCmdRunsOneCommand) {
    RunningServer server;
    server.db().Exec("insert into devices(sn,dscr) values('x1','first'),('x2','second')");
    std::string port = std::to_string(server.telnetPort());
    {
        ServerProcess cmd({server.dir().path(),
                           {"127.0.0.1", port, "script", kPassword, "select", "sn,", "dscr", "from",
                            "devices", "order", "by", "sn"},
                           false,
                           "VimkoCmd"});
        EXPECT_EQ(cmd.Wait(seconds(20)), 0);
        const std::string rule = std::string(79, '-') + "\n";
        EXPECT_EQ(cmd.Stdout(),
                  rule + "sn,dscr\n" + rule + "x1,first\nx2,second\n" + rule + "2 wierszy\n");
    }
    {
        ServerProcess cmd({server.dir().path(),
                           {"127.0.0.1", port, "script", kPassword, "list"},
                           false,
                           "VimkoCmd"});
        EXPECT_EQ(cmd.Wait(seconds(20)), 0);
        EXPECT_EQ(cmd.Stdout().rfind("devices:\n+-----+", 0), 0u) << cmd.Stdout();
        EXPECT_NE(cmd.Stdout().find("configs:\n"), std::string::npos);
    }
    {
        ServerProcess cmd({server.dir().path(),
                           {"127.0.0.1", port, "script", "wrong", "list"},
                           false,
                           "VimkoCmd"});
        EXPECT_EQ(cmd.Wait(seconds(20)), 0);
        EXPECT_EQ(cmd.Stdout(), "Authorization failed\n");
    }
    {
        ServerProcess cmd({server.dir().path(),
                           {"127.0.0.1", port, "script", kPassword, "bogus"},
                           false,
                           "VimkoCmd"});
        EXPECT_EQ(cmd.Wait(seconds(20)), 0);
        EXPECT_EQ(cmd.Stdout(), "Nieznane polecenie\n");
    }
    {
        ServerProcess cmd(
            {server.dir().path(), {"127.0.0.1", port, "script", kPassword}, false, "VimkoCmd"});
        EXPECT_EQ(cmd.Wait(seconds(20)), 255);
        EXPECT_EQ(cmd.Stderr(), "Usage: VimkoCmd ip port user passwd command\n");
    }
    {
        ServerProcess cmd({server.dir().path(),
                           {"127.0.0.1", std::to_string(FreePort()), "u", "p", "list"},
                           false,
                           "VimkoCmd"});
        EXPECT_EQ(cmd.Wait(seconds(20)), 255);
        EXPECT_EQ(cmd.Stdout(), "Failed to conect with server\n");
    }
}

}  // namespace

namespace {

// Every read and write command against a unit of every generation it is
// meant for: each must end with "done" (the unit answered and the answer was
// printed) or, for a unit of the wrong kind, the unit error.
TEST(Console, EveryParameterGroupOfEveryGeneration) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "3"}});
    struct Generation {
        const char* serial;
        char terminator;
        int code;
        bool pico;
    } generations[] = {{"356000000000801", '\n', 0x001, false},
                       {"356000000000802", '.', 0x004, false},
                       {"356000000000803", ';', 0x100, false},
                       {"356000000000804", '\n', 0x010, true}};
    std::vector<std::unique_ptr<LiveUnit>> units;
    for (const Generation& g : generations) {
        units.push_back(std::make_unique<LiveUnit>(server.devicePort(), g.serial, g.terminator,
                                                   Transport::kTcp, g.pico));
        ASSERT_TRUE(server.WaitForLog(std::string(" ") + g.serial + " Unit"));
    }
    ConsoleClient binary(server.telnetPort());
    ASSERT_TRUE(binary.Login(kPassword, "binary"));

    const struct {
        const char* command;  // "%s" is the serial
        int mask;
        int values;        // 0: a read
        bool flag = true;  // binary mode: the offline flag after the serial
    } commands[] = {
        {"writepcfg", 0x030, 17, false}, {"readcfg", 0x33F, 0},     {"readfirm", 0x33F, 0},
        {"readcal", 0x30F, 0},           {"readfms", 0x30F, 0},     {"readcan", 0x30C, 0},
        {"readstat", 0x30C, 0},          {"readcane", 0x30C, 0},    {"readntwk", 0x30C, 0},
        {"readtfrm", 0x30C, 0},          {"readmask", 0x00F, 0},    {"readbtn", 0x300, 0},
        {"readcan2", 0x300, 0},          {"readdfrm", 0x300, 0},    {"writecfg", 0x00F, 29},
        {"writefms", 0x00F, 41},         {"writecan", 0x00C, 95},   {"writestat", 0x00C, 10},
        {"writecane", 0x00C, 15},        {"writemask", 0x00F, 16},  {"writentwk", 0x00C, 25},
        {"writecfg3", 0x300, 37},        {"writecal3", 0x300, 19},  {"writefms3", 0x300, 65},
        {"writecan3", 0x300, 149},       {"writestat3", 0x300, 16}, {"writecane3", 0x300, 30},
        {"writebtn", 0x300, 60},         {"writentwk3", 0x300, 60}, {"writecan2", 0x300, 145},
    };
    for (const Generation& g : generations) {
        for (const auto& c : commands) {
            std::string line = std::string(c.command) + " " + g.serial;
            // Binary mode: the serial, the offline flag 0, then every value left empty.
            if (c.values > 0) {
                line += (c.flag ? ",0" : "") + std::string(static_cast<size_t>(c.values), ',');
            }
            std::string answer = binary.Command(line);
            std::string expected = (c.mask & g.code) ? "done\r\n" : "error\r\n";
            ASSERT_GE(answer.size(), expected.size()) << line;
            EXPECT_EQ(answer.substr(answer.size() - expected.size()), expected) << line << "\n"
                                                                                << answer;
        }
    }
}

}  // namespace
