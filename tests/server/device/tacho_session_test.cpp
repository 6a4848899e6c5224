// The session's tachograph exchanges in-process, against small peers on
// 127.0.0.1 that stand for the outside services: what is held while they are
// waited on, how long a connect may take, and answers longer than a unit's
// reply can carry.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "common/card_message.h"
#include "common/unique_fd.h"
#include "server/device/device_session.h"
#include "server/device/korvalen_http.h"
#include "server/device/korvalen_server.h"
#include "tests/support/frame_bytes.h"
#include "tests/support/store_fixture.h"
#include "tests/support/test_config.h"
#include "tests/support/unit_session_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

// One connection of a peer: reads until `until` is in what came (or `count`
// bytes came), notes how many pooled database connections are in use at that
// moment, answers `answer` and closes.
struct Peer {
    int port = FreePort();
    UniqueFd listener = ListenOnLoopback(port, 4);
    std::string received;
    int sqlBusyWhileWaited = -1;
    std::thread thread;

    void Serve(size_t count, std::string until, std::string answer) {
        thread = std::thread([this, count, until, answer] {
            UniqueFd c(accept(listener.get(), nullptr, nullptr));
            char byte;
            while (received.size() < count &&
                   (until.empty() || received.find(until) == std::string::npos)) {
                pollfd p{c.get(), POLLIN, 0};
                if (poll(&p, 1, 5000) <= 0 || recv(c.get(), &byte, 1, 0) != 1) break;
                received += byte;
            }
            sqlBusyWhileWaited = CountSqlBusy();
            send(c.get(), answer.data(), answer.size(), MSG_NOSIGNAL);
        });
    }
    void Join() {
        if (thread.joinable()) thread.join();
    }
    ~Peer() { Join(); }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port); }
};

// A unit that has identified itself, with the driver directory in the test's folder.
class TachoSessionTest : public UnitSessionTest {
  protected:
    void SetUp() override {
        UnitSessionTest::SetUp();
        gConfig.driverDir = m_dir.path() + "/";
        tasks[0].loggedIn = 1;
    }
};

TEST_F(TachoSessionTest, CardServerIsWaitedOnWithoutADatabaseConnection) {
    Peer card;
    setenv("VIMKO_CARD_SERVER", card.Address().c_str(), 1);
    card.Serve(kCardHeaderSize + 4, "", BuildCardMessage(kCardModeAuth, "ANSWER"));
    EXPECT_EQ(Line(Frame(146, 0, Le(9, 4) + Le(4, 2) + "AUTH")), 1);
    card.Join();
    EXPECT_EQ(card.received, BuildCardMessage(kCardModeAuth, "AUTH"));
    // Only the test's own connection was in use while the answer was awaited.
    EXPECT_EQ(card.sqlBusyWhileWaited, 1);
    EXPECT_EQ(ReplyLines(),
              std::vector<std::string>{B64(std::string("\x93\x00\x06\x00", 4) + "ANSWER")});
    EXPECT_NE(Log().find(" D0: KorvalenServer data_out=DEADBEEF31040041555448\n"),
              std::string::npos);
    EXPECT_NE(Log().find(" D0: KorvalenServer size=6 counter=20033\n"), std::string::npos);
}

TEST_F(TachoSessionTest, StatementsAfterAWaitTakeAConnectionAgain) {
    // The web service is down; the status update after the relay still runs.
    setenv("VIMKO_TACHO_WEB", ("127.0.0.1:" + std::to_string(FreePort())).c_str(), 1);
    m_db.Exec("insert into korvalen(id,device_id,request) values(12,1,5)");
    std::string web = Frame(130, 4, Le(7, 2) + "hi");
    std::string notify = Frame(145, 6, Le(12, 4) + Le(3, 2));
    EXPECT_EQ(Line(web + notify), 1);
    EXPECT_EQ(ReplyLines(),
              (std::vector<std::string>{B64(std::string("\x83\x02\x08\x00", 4)), "JgA="}));
    EXPECT_EQ(m_db.Query("select status from korvalen")[0][0], "3");
    EXPECT_EQ(Log().find("ackkorvalen error"), std::string::npos);
}

TEST_F(TachoSessionTest, ConnectsGiveUpAfterSndTimeout) {
    // A listener that accepts nobody and whose queue is full: connects hang.
    int port = FreePort();
    UniqueFd listener = ListenOnLoopback(port, 0);
    std::vector<UniqueFd> queued;
    for (int i = 0; i < 2; ++i) {
        UniqueFd c(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connect(c.get(), reinterpret_cast<sockaddr*>(&a), sizeof a);
        queued.push_back(std::move(c));
    }
    ServiceEndpoint endpoint{"127.0.0.1", port};
    auto start = Clock::now();
    std::string data = "AUTH";
    EXPECT_FALSE(KorvalenServer(0, data, kCardModeAuth, endpoint));
    std::string body;
    EXPECT_EQ(KorvalenHttp(0, "x", body, endpoint), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(4000));
    EXPECT_NE(Log().find(" D0: KorvalenServer connect failed\n"), std::string::npos);
    EXPECT_NE(Log().find(" D0: KorvalenHttp connect failed\n"), std::string::npos);
}

TEST_F(TachoSessionTest, LongAnswersAreCutToWhatAUnitReplyCarries) {
    Peer card;
    std::string big(600, 'c');
    card.Serve(kCardHeaderSize + 4, "", BuildCardMessage(kCardModeData, big));
    std::string data = "DATA";
    ASSERT_TRUE(KorvalenServer(0, data, kCardModeData, ServiceEndpoint{"127.0.0.1", card.port}));
    card.Join();
    EXPECT_EQ(data, std::string(kTachoAnswerMax, 'c'));
    EXPECT_NE(Log().find(" D0: KorvalenServer recv overflow\n"), std::string::npos);
    EXPECT_NE(Log().find(" D0: KorvalenServer header length incorrect (512,600)\n"),
              std::string::npos);

    Peer web;
    std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(1000, 'w');
    // The first boundary of the process ends the request.
    web.Serve(100000, "5135917241032395--", answer);
    std::string body;
    EXPECT_EQ(KorvalenHttp(0, "hello", body, ServiceEndpoint{"127.0.0.1", web.port}, 2000), 1000);
    EXPECT_EQ(body, std::string(250, 'w'));
    EXPECT_NE(Log().find(" D0: KorvalenHttp recv overflow\n"), std::string::npos);
}

}  // namespace
