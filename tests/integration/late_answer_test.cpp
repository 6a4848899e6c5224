// A unit that answers just as the console gives up on it: whichever comes
// first, the client sees exactly one ending, and nothing of the answer after
// "timeout" or after the next prompt.

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/console_client.h"
#include "tests/support/running_server.h"
#include "tools/unit_sim/sim_unit.h"

namespace {

using namespace unit_sim;
using std::chrono::milliseconds;

TEST(LateAnswer, AnswerAroundTheTimeOutIsPrintedBeforeItOrNotAtAll) {
    RunningServer server(ConfigValues{{"CMMD_TIMEOUT", "1"}});
    UnitConfig config;
    config.port = static_cast<uint16_t>(server.devicePort());
    config.identity.serial = "356000000000901";
    SimUnit unit(config);
    ASSERT_TRUE(unit.Connect());
    ASSERT_TRUE(unit.SendLine({unit.IdentificationFrame()}));
    std::atomic<bool> stop{false};
    std::thread pump([&] {
        while (!stop && !unit.Closed()) unit.ReceiveLine(milliseconds(20));
    });
    ASSERT_TRUE(server.WaitForLog(" 356000000000901 "));

    for (const char* mode : {"binary", "text"}) {
        ConsoleClient client(server.telnetPort());
        ASSERT_TRUE(client.Login("vimko", mode));
        bool binary = std::string(mode) == "binary";
        const std::string done = binary ? "done\r\n" : "Wykonano\r\n";
        const std::string timeout =
            binary ? "timeout\r\n" : "Brak spodziewanej odpowiedzi z urzadzenia\r\n";
        int answered = 0;
        int timedOut = 0;
        // The wait gives up 1.25 s after the request; answers come from well
        // before to well after that moment, closest around it.
        const std::vector<int> delays =
            binary ? std::vector<int>{1150, 1175, 1200, 1225, 1250, 1275, 1300, 1325, 1400}
                   : std::vector<int>{1100, 1250, 1400};
        for (int delay : delays) {
            unit.SetAnswerDelay(milliseconds(delay));
            std::string out = client.Command("distance 356000000000901,5");
            bool gotDone = out.find(done) != std::string::npos;
            bool gotTimeout = out.find(timeout) != std::string::npos;
            EXPECT_NE(gotDone, gotTimeout) << mode << " " << delay << ": " << out;
            if (gotDone) {
                EXPECT_EQ(out.substr(out.size() - done.size()), done) << delay;
                ++answered;
            } else if (gotTimeout) {
                EXPECT_EQ(out.substr(out.size() - timeout.size()), timeout) << delay;
                ++timedOut;
            }
            // Let a late answer reach the server: nothing more reaches the client.
            std::this_thread::sleep_for(milliseconds(1500 - std::min(delay, 1250)));
            EXPECT_FALSE(client.ReadUntil("\n", milliseconds(100)))
                << mode << " " << delay << ": " << client.received();
            client.Take();
        }
        EXPECT_GT(answered, 0) << mode;
        EXPECT_GT(timedOut, 0) << mode;
    }
    stop = true;
    pump.join();
}

}  // namespace
