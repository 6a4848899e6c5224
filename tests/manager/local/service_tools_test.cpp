// The label button and the system dump, end to end: a local read and a
// monitor cycle against vimko-serial-unit, the stand-in label printer
// started detached, and the dump answer in the Debug log.

#include "manager/logic/service_tools.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTimer>

#include "tests/manager/local/local_fixture.h"

namespace {

// One module answer: the first step of a new monitor cycle.
bool SeeModule(LocalFixture& f) {
    f.monitor.Reset(f.state.deviceType);
    f.monitor.RefreshButton();
    f.monitor.PollStep();
    return PumpUntil([&] { return f.label.moduleSeenForLabel; }, 3000);
}

TEST(ServiceTools, LabelNeedsAReadAndAModuleAnswerEachTime) {
    LocalFixture f(kVimko3);
    ASSERT_TRUE(f.Ready());
    const std::string log = f.dir.File("label.log");
    qputenv("VIMKO_LABEL_LOG", QByteArray::fromStdString(log));
    f.tools.printerProgram = QStringLiteral(VIMKO_BIN_DIR "/vimko-label-printer");

    // Right after start-up nothing happens.
    EXPECT_FALSE(f.tools.PrintLabel());
    EXPECT_EQ(f.prompt.questions, QStringList());

    f.lists.tabs[kTabGeneral].SetValue("MYID", "");
    f.prompt.unitPins = {"1234"};
    f.config.LocalRead(kTabGeneral);
    ASSERT_TRUE(f.label.configReadForLabel);
    EXPECT_FALSE(f.tools.PrintLabel());  // no module answer yet
    ASSERT_TRUE(SeeModule(f));
    const QString myId = f.lists.tabs[kTabGeneral].Value("MYID");
    EXPECT_TRUE(f.tools.PrintLabel());
    const QString line = f.tools.printerProgram + " Vimko5N.LBX -objDevId ID:" + myId +
                         " -objImei IMEI:354330031234567 -objCcid CCID:89480000000000000001"
                         " -objStatus (C)";
    EXPECT_EQ(f.prompt.questions, QStringList{line});
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(log).find("\n\n") != std::string::npos; },
                          std::chrono::seconds(5)));
    EXPECT_EQ(ReadFile(log), "Vimko5N.LBX\n-objDevId\nID:" + myId.toStdString() +
                                 "\n-objImei\nIMEI:354330031234567\n-objCcid\n"
                                 "CCID:89480000000000000001\n-objStatus\n(C)\n\n");

    // A second click does nothing until the next read and module answer.
    EXPECT_FALSE(f.tools.PrintLabel());
    EXPECT_EQ(f.prompt.questions.size(), 1);

    // "No" starts nothing but still needs a new read and module answer.
    f.prompt.unitPins = {"1234"};
    f.config.LocalRead(kTabGeneral);
    ASSERT_TRUE(SeeModule(f));
    f.prompt.answers = {false};
    EXPECT_FALSE(f.tools.PrintLabel());
    EXPECT_EQ(f.prompt.questions.size(), 2);
    EXPECT_FALSE(f.tools.PrintLabel());
    EXPECT_EQ(f.prompt.questions.size(), 2);
}

TEST(ServiceTools, SystemDumpLinesInTheDebugLog) {
    LocalFixture f(kVimko2);
    ASSERT_TRUE(f.Ready());
    f.tools.SystemDump();
    ASSERT_TRUE(PumpUntil([&] { return f.debugLog.size() >= 6; }, 3000)) << f.debugLog.size();
    // The unit's three debug frames carry time stamps; the dump's lines do not.
    QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d SYSDUMP begin$"));
    EXPECT_TRUE(stamp.match(f.debugLog[0]).hasMatch()) << f.debugLog[0].toStdString();
    EXPECT_EQ(f.debugLog.mid(3),
              (QStringList{"Firmware: 396", "Gsm: GSM_ACT", "Imei: 354330031234567"}));
}

// The link state of the module answer decides the label's last field:
// "TCP_CONNECTING" (1) is not online.
TEST(ServiceTools, ModuleAnswerWithTcpConnectingMarksTheLabelOffline) {
    for (int type : {kVimko1, kVimko3}) {
        SCOPED_TRACE(type);
        ManagerState state;
        state.deviceType = type;
        ScriptedPrompt prompt;
        ParamLists lists;
        lists.Reset(type);
        LabelFacts label;
        SerialLink link(state, prompt);
        MonitorController monitor(state, link, label);
        ServiceTools tools(state, lists, link, prompt, label);
        if (type == kVimko1) {
            emit link.lineReceived("$ANS200,354330031234567,89480000000000000001*00");
            emit link.lineReceived("$ANS202,250,2,1,0,0*00");
        } else {
            SerialFrame module;
            module.header = {kMarkPlain, 1, kAddressUnit, kDirectionAnswer, 0, kCmdRead, 60};
            std::string ids = "354330031234567";
            ids.resize(16, '\0');
            ids += "89480000000000000001";
            ids.resize(48, '\0');
            module.data.assign(ids.begin(), ids.end());
            module.data[44] = 2;  // GPRS_MODE
            module.data[45] = 1;  // TCP_CONNECTING
            module.length = static_cast<int>(module.data.size()) + 7;
            emit link.frameReceived(module);
        }
        EXPECT_TRUE(monitor.RowText(0).contains("TCP_CONNECTING"));
        label.configReadForLabel = true;
        prompt.answers = {false};
        EXPECT_FALSE(tools.PrintLabel());
        ASSERT_EQ(prompt.questions.size(), 1);
        EXPECT_EQ(prompt.questions[0],
                  "Printer.exe Vimko5N.LBX -objDevId ID: -objImei IMEI:354330031234567 "
                  "-objCcid CCID:89480000000000000001 -objStatus (-)");
    }
}

}  // namespace
