// The queue senders in-process: a real database, units whose connections
// are socket pairs, and a thread per unit that answers what it receives the
// way the unit is told to (acknowledge, refuse, or stay silent) through the
// real unit session.

#include "server/store/queue_sender.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "common/base64_reader.h"
#include "server/device/device_session.h"
#include "server/store/korvalen_store.h"
#include "server/store/message_store.h"
#include "tests/support/frame_bytes.h"
#include "tests/support/server_process.h"
#include "tests/support/store_fixture.h"

using namespace std::string_literals;

namespace {

enum class Answer { kAck, kNack, kSilent };

// A unit on slot `slot` with its answering thread.
class PairedUnit {
  public:
    PairedUnit(int slot, uint32_t dbId, Answer answer) : m_slot(slot), m_answer(answer) {
        socketpair(AF_UNIX, SOCK_STREAM, 0, m_pair);
        DeviceSlot& d = tasks[slot];
        d.state = kSlotActive;
        d.tcp = 1;
        d.newProtocol = 1;
        d.terminator = '\n';
        d.socket = m_pair[0];
        d.dbId = dbId;
        d.owner = kOwnerNone;
        {
            std::lock_guard<std::mutex> lock(d.textLock);
            CopyText(d.devId, "unit" + std::to_string(slot));
        }
        m_thread = std::thread([this] { Serve(); });
    }
    ~PairedUnit() {
        m_stop = true;
        m_thread.join();
        close(m_pair[0]);
        close(m_pair[1]);
    }
    // The frames received so far, decoded.
    std::vector<std::string> Received() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames;
    }

  private:
    void Serve() {
        std::string partial;
        while (!m_stop) {
            pollfd pfd{m_pair[1], POLLIN, 0};
            if (poll(&pfd, 1, 20) <= 0) continue;
            char buffer[1024];
            ssize_t n = read(m_pair[1], buffer, sizeof buffer);
            if (n <= 0) return;
            partial.append(buffer, static_cast<size_t>(n));
            size_t end;
            while ((end = partial.find('\n')) != std::string::npos) {
                std::string line = partial.substr(0, end);
                partial.erase(0, end + 1);
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_frames.push_back(DecodeBase64(line.c_str()));
                }
                if (m_answer == Answer::kSilent) continue;
                Reply(m_answer == Answer::kAck ? 37 : 44);
            }
        }
    }
    // The unit's answer goes through its session, as its connection thread would run it.
    void Reply(int frame) {
        CopyText(tasks[m_slot].line, B64(Frame(frame, 0, "")));
        int db = SqlAcquire();
        if (db < 0) return;
        int rc = ProcessDeviceLine(m_slot, SqlConnection(db));
        SqlRelease(db, rc < 0);
    }

    int m_slot;
    Answer m_answer;
    int m_pair[2] = {-1, -1};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::string> m_frames;
    std::thread m_thread;
};

class QueueSenderTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        gConfig.cmmdTimeout = 1;
        gConfig.sndTimeout = 1;
        // Pending entries refer to devices rows 5 and 9.
        m_db.Exec("insert into devices(id,sn) values(5,'unit0'),(9,'unit1')");
        SqlRelease(m_sql, false);
        m_sql = -1;
    }
    void Queue(uint32_t unit, const std::string& addr, const std::string& msg) {
        int db = SqlAcquire();
        ASSERT_EQ(writetooutbox(-1, SqlConnection(db), unit, addr, msg), 0);
        SqlRelease(db, false);
    }
    void Request(uint32_t unit, int code) {
        int db = SqlAcquire();
        ASSERT_EQ(writetokorvalen(-1, SqlConnection(db), unit, code), 0);
        SqlRelease(db, false);
    }
    std::vector<SqlRow> Outbox() {
        return m_db.Query(
            "select id, status, sent_tries, sent_date is not null from outbox order by id");
    }
};

TEST_F(QueueSenderTest, OldestMessageFirstAndOnePerUnitInAPass) {
    PairedUnit unit(0, 5, Answer::kAck);
    Queue(5, "Base", "first");
    Queue(5, "Base", "second");
    QueueSender sender(kOutboxQueue);
    EXPECT_EQ(sender.Round(), 0);  // delivered the first
    ASSERT_EQ(unit.Received().size(), 1u);
    EXPECT_EQ(unit.Received()[0].substr(18, 5), "first");
    EXPECT_EQ(Outbox()[0], (SqlRow{Outbox()[0][0], "1", "1", "1"}));
    EXPECT_EQ(Outbox()[1][1], "0");
    EXPECT_EQ(tasks[0].messageBackoff, 0u);

    EXPECT_EQ(sender.Round(), 0);  // end of the pass; something was delivered, so no pause
    EXPECT_EQ(unit.Received().size(), 1u);
    EXPECT_EQ(sender.Round(), 0);  // next pass: the second message
    ASSERT_EQ(unit.Received().size(), 2u);
    EXPECT_EQ(unit.Received()[1].substr(18, 6), "second");
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(sender.Round(), kQueueIdleSeconds);  // a pass with nothing to deliver
    std::string log = Log();
    EXPECT_NE(log.find("MSG: Send message to 0/5\n"), std::string::npos) << log;
    EXPECT_NE(log.find("MSG: Receive ack from 0/5\n"), std::string::npos) << log;
}

TEST_F(QueueSenderTest, NoAnswerBacksOffByAttemptsAndTenAttemptsEndIt) {
    PairedUnit unit(0, 5, Answer::kSilent);
    Queue(5, "Base", "are you there");
    m_db.Exec("update outbox set sent_tries=2");
    QueueSender sender(kOutboxQueue);
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(unit.Received().size(), 1u);
    EXPECT_EQ(tasks[0].messageBackoff, 900u);  // third attempt
    EXPECT_EQ(tasks[0].owner, kOwnerNone);
    // In back-off the unit is passed over.
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(unit.Received().size(), 1u);

    tasks[0].messageBackoff = 0;
    m_db.Exec("update outbox set sent_tries=9");
    EXPECT_EQ(sender.Round(), kQueueIdleSeconds);  // the pass that skipped the unit ends
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(unit.Received().size(), 2u);
    EXPECT_EQ(tasks[0].messageBackoff, 3000u);
    tasks[0].messageBackoff = 0;
    EXPECT_EQ(sender.Round(), 0);  // end of pass
    EXPECT_EQ(sender.Round(), kQueueIdleSeconds);
    EXPECT_EQ(unit.Received().size(), 2u);
    EXPECT_EQ(Outbox()[0], (SqlRow{Outbox()[0][0], "0", "10", "0"}));
}

// The unit goes while the sender waits and its slot is given to another
// unit: the back-off of the failed attempt is not written into that slot.
TEST_F(QueueSenderTest, NoBackOffForASlotThatChangedHands) {
    PairedUnit unit(0, 5, Answer::kSilent);
    Queue(5, "Base", "are you there");
    std::thread handOver([&] {
        WaitUntil([&] { return !unit.Received().empty(); }, std::chrono::seconds(5));
        tasks[0].dbId = 9;
    });
    QueueSender sender(kOutboxQueue);
    EXPECT_EQ(sender.Round(), 0);
    handOver.join();
    EXPECT_EQ(unit.Received().size(), 1u);
    EXPECT_EQ(tasks[0].messageBackoff, 0u);
    EXPECT_EQ(tasks[0].owner, kOwnerNone);
}

TEST_F(QueueSenderTest, RefusalBacksOffForAnHour) {
    PairedUnit unit(0, 5, Answer::kNack);
    Queue(5, "Base", "no");
    QueueSender sender(kOutboxQueue);
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(tasks[0].messageBackoff, 3600u);
    EXPECT_EQ(Outbox()[0][1], "0");
    EXPECT_NE(Log().find("MSG: Receive nack from 0/5\n"), std::string::npos);
}

TEST_F(QueueSenderTest, UnitsThatCannotTakeAMessageAreLeftAlone) {
    PairedUnit unit(0, 5, Answer::kAck);
    Queue(5, "Base", "udp");
    QueueSender sender(kOutboxQueue);
    for (auto setup : {+[] { tasks[0].tcp = 0; }, +[] { tasks[0].pico = 1; },
                       +[] { tasks[0].owner = 3; }, +[] { tasks[0].state = kSlotHeld; }}) {
        setup();
        EXPECT_EQ(sender.Round(), kQueueIdleSeconds);
        tasks[0].tcp = 1;
        tasks[0].pico = 0;
        tasks[0].owner = kOwnerNone;
        tasks[0].state = kSlotActive;
    }
    EXPECT_TRUE(unit.Received().empty());
    EXPECT_EQ(Outbox()[0], (SqlRow{Outbox()[0][0], "0", "0", "0"}));
}

TEST_F(QueueSenderTest, PassWalksUnitsInDevicesOrder) {
    PairedUnit later(0, 9, Answer::kAck);
    PairedUnit earlier(1, 5, Answer::kAck);
    Queue(9, "a", "to nine");
    Queue(5, "a", "to five");
    QueueSender sender(kOutboxQueue);
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(earlier.Received().size(), 1u);
    EXPECT_TRUE(later.Received().empty());
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(later.Received().size(), 1u);
}

TEST_F(QueueSenderTest, DownloadRequestsAreSentAndStampedOnce) {
    PairedUnit unit(0, 5, Answer::kAck);
    Request(5, 5);
    Request(5, 300);
    QueueSender sender(kDownloadQueue);
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(sender.Round(), 0);
    EXPECT_EQ(sender.Round(), kQueueIdleSeconds);
    std::vector<std::string> frames = unit.Received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], std::string("\x80\x01\x05", 3));
    std::string id = m_db.Query("select max(id) from korvalen")[0][0];
    EXPECT_EQ(frames[1], std::string("\x90\x06", 2) + Le(std::stoul(id), 4) + Le(300, 2));
    auto rows = m_db.Query("select sent_tries, sent_date is not null from korvalen order by id");
    EXPECT_EQ(rows, (std::vector<SqlRow>{{"1", "1"}, {"1", "1"}}));
    EXPECT_EQ(tasks[0].downloadId, std::stoul(id));
    EXPECT_NE(Log().find("KORV: Send request 300 to 0/5\n"), std::string::npos);
}

TEST_F(QueueSenderTest, CompanyCardFlag) {
    int db = SqlAcquire();
    m_db.Exec("insert into companies(id,card_busy) values(3,0)");
    EXPECT_EQ(CardBusyGet(-1, SqlConnection(db), 3), 0u);
    EXPECT_EQ(CardBusySet(-1, SqlConnection(db), 3, 17), 1);
    EXPECT_EQ(CardBusyGet(-1, SqlConnection(db), 3), 17u);
    EXPECT_EQ(CardBusyGet(-1, SqlConnection(db), 4), 0u);  // no such company
    // Company 0 is no company: no statement at all.
    m_db.Exec("drop table companies");
    EXPECT_EQ(CardBusyGet(-1, SqlConnection(db), 0), 0u);
    EXPECT_EQ(CardBusySet(-1, SqlConnection(db), 0, 5), 1);
    EXPECT_EQ(Log().find("companies"), std::string::npos);
    EXPECT_EQ(CardBusySet(-1, SqlConnection(db), 3, 5), 0);
    EXPECT_NE(Log().find("KORV: update companies set card_busy=5 where id=3\n"), std::string::npos);
    SqlRelease(db, true);
}

TEST_F(QueueSenderTest, QuotesInAddressAndTextAreStoredAndDeliveredAsWritten) {
    PairedUnit unit(0, 5, Answer::kAck);
    Queue(5, "O'Neil \\", "it's \\ done");
    EXPECT_EQ(m_db.Query("select addr, msg from outbox")[0], (SqlRow{"O'Neil \\", "it's \\ done"}));
    QueueSender sender(kOutboxQueue);
    EXPECT_EQ(sender.Round(), 0);
    ASSERT_EQ(unit.Received().size(), 1u);
    EXPECT_EQ(unit.Received()[0].substr(2, 9), "O'Neil \\\0"s);
    EXPECT_EQ(unit.Received()[0].substr(18, 12), "it's \\ done\0"s);
}

}  // namespace
