// The manager's console client against the real server (login, refusal,
// the device list in both sort orders, a socket error) and against a
// scripted peer for what the server never sends (prompts without a line
// break, final keywords in odd orders, a silent server).

#include "manager/logic/console_client.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <csignal>

#include "manager/logic/device_refresh.h"
#include "tests/manager/logic/console_peer.h"
#include "tests/manager/logic/live_unit.h"
#include "tests/manager/logic/scripted_prompt.h"
#include "tests/support/running_server.h"

namespace {

const char* const kPassword = "vimko";  // TELNET_PASSWD of the sample configuration

QString Address(int port) {
    return QStringLiteral("127.0.0.1:%1").arg(port);
}

TEST(ConsoleClient, LoginListAndBothSortOrders) {
    RunningServer server;
    LiveUnit a(server.devicePort(), "356000000000901", '\n', "Bravo east");
    LiveUnit b(server.devicePort(), "356000000000902", '.', "alpha west");
    LiveUnit c(server.devicePort(), "356000000000903", ';', "Solo");
    ASSERT_TRUE(server.WaitForLog(" 356000000000903 Solo"));
    ASSERT_TRUE(server.WaitForLog(" 356000000000901 Bravo east"));
    ASSERT_TRUE(server.WaitForLog(" 356000000000902 alpha west"));

    ManagerState state;
    ScriptedPrompt prompt;
    ConsoleClient console(state, prompt);
    ServerSettings settings;
    settings.address = Address(server.telnetPort());
    settings.user = "operator";
    settings.password = kPassword;
    QList<TreeNode> nodes = RefreshDeviceList(state, console, prompt, settings);
    EXPECT_TRUE(prompt.warnings.isEmpty()) << prompt.warnings.join("|").toStdString();
    EXPECT_TRUE(state.consoleConnected);
    EXPECT_FALSE(state.busy);
    ASSERT_EQ(state.deviceList.size(), 3);
    EXPECT_EQ(FieldOf(state.deviceList[0], 1), "alpha west");
    EXPECT_EQ(FieldOf(state.deviceList[1], 1), "Bravo east");
    EXPECT_EQ(FieldOf(state.deviceList[2], 1), "Solo");
    EXPECT_EQ(FieldOf(state.deviceList[0], 4), "4");
    EXPECT_EQ(FieldOf(state.deviceList[2], 4), "256");
    ASSERT_EQ(nodes.size(), 4);
    EXPECT_EQ(nodes[1].text, "alpha west (356000000000902)");
    EXPECT_EQ(nodes[1].image, 4);  // logged in
    EXPECT_TRUE(UnitStatusText(state.deviceList[0])
                    .startsWith("Desc: alpha west, Imei: 356000000000902, Mode: Vimko-2 TCP, IP: "
                                "127.0.0.1, Port: "));
    EXPECT_TRUE(server.WaitForLog(": operator\n"));

    // Grouping: "Solo" (no second word: "@Solo") first, then "eastBravo", "westalpha".
    settings.grouping = true;
    RefreshDeviceList(state, console, prompt, settings);
    ASSERT_EQ(state.deviceList.size(), 3);
    EXPECT_EQ(FieldOf(state.deviceList[0], 1), "Solo");
    EXPECT_EQ(FieldOf(state.deviceList[1], 1), "Bravo east");
    EXPECT_EQ(FieldOf(state.deviceList[2], 1), "alpha west");

    // An unknown command and one answered by the prompt alone.
    QStringList answers{"stale"};
    EXPECT_EQ(console.ConsoleExecute("bogus", answers, true), kResultError);
    EXPECT_TRUE(answers.isEmpty());
    EXPECT_EQ(console.ConsoleExecute("", answers, true), kResultNone);
}

TEST(ConsoleClient, RefusedLoginAndUnreachableServer) {
    RunningServer server;
    ManagerState state;
    ScriptedPrompt prompt;
    ConsoleClient console(state, prompt);
    EXPECT_FALSE(console.ConsoleConnect(Address(server.telnetPort()), "operator", "wrong"));
    EXPECT_EQ(prompt.TakeWarnings(),
              QStringList{"You have entered an incorrect password for data server"});
    QStringList answers;
    EXPECT_EQ(console.ConsoleExecute("list", answers, false), kResultTerminated);

    for (const QString& address :
         {Address(FreePort()), QString("127.0.0.1"), QString("127.0.0.1:x"), QString("")}) {
        EXPECT_FALSE(console.ConsoleConnect(address, "operator", kPassword));
        EXPECT_EQ(prompt.TakeWarnings(), QStringList{"I can not connect to server data"})
            << address.toStdString();
    }
    // The same client logs in afterwards.
    EXPECT_TRUE(console.ConsoleConnect(Address(server.telnetPort()), "operator", kPassword));
    EXPECT_EQ(console.ConsoleExecute("list", answers, false), kResultDone);
    EXPECT_TRUE(prompt.warnings.isEmpty());
}

TEST(ConsoleClient, SocketErrorFailsTheRunningAndLaterCommands) {
    RunningServer server;
    ManagerState state;
    ScriptedPrompt prompt;
    ConsoleClient console(state, prompt);
    ASSERT_TRUE(console.ConsoleConnect(Address(server.telnetPort()), "operator", kPassword));
    server.process().Signal(SIGKILL);
    ASSERT_TRUE(PumpUntil([&] { return state.consoleFailed; }));
    EXPECT_EQ(prompt.TakeWarnings(),
              QStringList{"Error #" + QString::number(QAbstractSocket::RemoteHostClosedError)});
    QElapsedTimer timer;
    timer.start();
    QStringList answers;
    EXPECT_EQ(console.ConsoleExecute("list", answers, true), kResultTerminated);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(state.consoleFailed);
}

TEST(ConsoleClient, PromptsWithoutLineBreakAreAnsweredAfterASecond) {
    ConsolePeer peer;
    QElapsedTimer sinceUsername;
    qint64 answeredAfter = -1;
    peer.onConnect = [&] {
        peer.Send("Telnet console ver. 2.004.256\r\nusername");
        sinceUsername.start();
    };
    peer.onLine = [&](const QByteArray& line) {
        if (line == "manager") {
            answeredAfter = sinceUsername.elapsed();
            peer.Send("password");
        } else if (line == "secret") {
            peer.Send("mode");
        } else if (line == "binary") {
            peer.Send("command");
        }
    };
    ManagerState state;
    ScriptedPrompt prompt;
    ConsoleClient console(state, prompt);
    EXPECT_TRUE(console.ConsoleConnect(Address(peer.port), "manager", "secret"));
    EXPECT_EQ(peer.lines, (QStringList{"manager", "secret", "binary"}));
    EXPECT_GE(answeredAfter, 900);
    EXPECT_LT(answeredAfter, 3000);
}

TEST(ConsoleClient, SilentServerAndLoginWindow) {
    ConsolePeer peer;
    peer.onConnect = [&] { peer.Send("Telnet console ver. 2.004.256\r\n"); };
    ManagerState state;
    ScriptedPrompt prompt;
    ConsoleClient console(state, prompt);
    console.SetWindows(1500, 2000);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(console.ConsoleConnect(Address(peer.port), "u", "p"));
    EXPECT_GE(timer.elapsed(), 1400);
    EXPECT_EQ(prompt.TakeWarnings(), QStringList{"The server is not responding as expected"});
}

TEST(ConsoleClient, FinalKeywordsInfoAndProgressLines) {
    ConsolePeer peer;
    AnswerLogin(peer, [&](const QByteArray& line) {
        if (line == "two") peer.Send("answer a,b\r\ndone\r\nerror\r\ncommand\r\n");
        if (line == "info") {
            peer.Send(
                "info Wysylam polecenie...\r\nprogress  42\r\nanswer x\r\nanswer \r\n"
                "answerless\r\nreject\r\ncommand\r\n");
        }
        if (line == "stall") peer.Send("answer partial\r\ndone\r\n");
        if (line == "silent") peer.Send("answer only\r\n");
    });
    ManagerState state;
    ScriptedPrompt prompt;
    ConsoleClient console(state, prompt);
    console.SetWindows(3000, 1200);
    ASSERT_TRUE(console.ConsoleConnect(Address(peer.port), "u", "p"));
    QStringList answers;
    EXPECT_EQ(console.ConsoleExecute("two", answers, true), kResultError);
    EXPECT_EQ(answers, QStringList{"a,b"});

    QString progressSeen;
    QObject::connect(&console, &ConsoleClient::statusChanged, [&] {
        if (state.progress != "0") progressSeen = state.progress;
    });
    EXPECT_EQ(console.ConsoleExecute("info", answers, true), kResultReject);
    EXPECT_EQ(answers, (QStringList{"x", ""}));
    EXPECT_EQ(state.statusText, "Wysylam polecenie...");
    EXPECT_EQ(state.statusCountdown, 50);
    EXPECT_EQ(progressSeen, " 42");
    EXPECT_EQ(state.progress, "0");  // reset at the prompt

    // The window runs out after a final keyword: no "terminate", the result so far.
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(console.ConsoleExecute("stall", answers, true), kResultDone);
    EXPECT_GE(timer.elapsed(), 1100);
    EXPECT_EQ(answers, QStringList{"partial"});
    // Without a final keyword "terminate" is sent.
    EXPECT_EQ(console.ConsoleExecute("silent", answers, true), kResultNone);
    ASSERT_TRUE(PumpUntil([&] { return peer.lines.contains("terminate"); }, 2000));
    EXPECT_EQ(peer.lines.mid(3), (QStringList{"two", "info", "stall", "silent", "terminate"}));
}

TEST(ConsoleClient, TerminateRequestedSendsTerminateOrReturnsAtOnce) {
    ConsolePeer peer;
    AnswerLogin(peer, [&](const QByteArray& line) {
        if (line == "terminate") peer.Send("terminated\r\ncommand\r\n");
    });
    ManagerState state;
    ScriptedPrompt prompt;
    ConsoleClient console(state, prompt);
    ASSERT_TRUE(console.ConsoleConnect(Address(peer.port), "u", "p"));
    QStringList answers;
    QTimer::singleShot(200, [&] { state.terminateRequested = true; });
    EXPECT_EQ(console.ConsoleExecute("readcfg 1", answers, true), kResultTerminated);
    EXPECT_EQ(peer.lines.mid(3), (QStringList{"readcfg 1", "terminate"}));

    state.terminateRequested = false;
    QTimer::singleShot(200, [&] { state.terminateRequested = true; });
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(console.ConsoleExecute("readoffln 1", answers, false), kResultTerminated);
    EXPECT_LT(timer.elapsed(), 1000);
    PumpUntil([&] { return peer.lines.size() >= 6; }, 300);
    EXPECT_EQ(peer.lines.mid(3), (QStringList{"readcfg 1", "terminate", "readoffln 1"}));
}

}  // namespace
