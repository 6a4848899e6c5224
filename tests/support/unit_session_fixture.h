#pragma once
// The unit session in-process: slot 0 is an active TCP unit whose
// "connection" is one end of a socket pair, the test holds the other end as
// the unit, and a real database stands behind the session. Every reply the
// session sends is read back as the unit sees it.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "server/device/device_session.h"
#include "tests/support/frame_bytes.h"
#include "tests/support/store_fixture.h"

class UnitSessionTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        gConfig.sndTimeout = 1;
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, m_pair), 0);
        DeviceSlot& d = tasks[0];
        d.state = kSlotActive;
        d.tcp = 1;
        d.socket = m_pair[0];
        d.terminator = '\n';
        d.owner = kOwnerNone;
        d.newProtocol = 1;
    }
    void TearDown() override {
        close(m_pair[0]);
        close(m_pair[1]);
        StoreTest::TearDown();
    }

    // Processes `bytes` (the frames) as one line of the unit, with a
    // database connection lent as the connection thread lends it.
    int Line(const std::string& bytes) {
        CopyText(tasks[0].line, B64(bytes));
        SqlLease db;
        return ProcessDeviceLine(0, db);
    }
    // Everything the session sent to the unit so far.
    std::string Replies() {
        std::string out;
        char buffer[4096];
        pollfd pfd{m_pair[1], POLLIN, 0};
        while (poll(&pfd, 1, 0) > 0) {
            ssize_t n = read(m_pair[1], buffer, sizeof buffer);
            if (n <= 0) break;
            out.append(buffer, static_cast<size_t>(n));
        }
        return out;
    }
    // The same, one string per line, without the line feeds.
    std::vector<std::string> ReplyLines() {
        std::string text = Replies();
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }

    int m_pair[2] = {-1, -1};
};
