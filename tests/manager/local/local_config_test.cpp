// Local configuration over a socat pty pair against vimko-serial-unit: the
// reads and writes of every tab of each generation, PIN failures, a silent
// unit, the service functions and the record readers.

#include "manager/logic/local_config.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTimer>

#include "manager/logic/local_records.h"
#include "manager/logic/serial_requests.h"
#include "tests/manager/local/local_fixture.h"
#include "tests/manager/logic/manager_fixture.h"

namespace {

// The tabs a generation reads and writes over the cable.
bool HasLocalTab(int type, int tab) {
    return type == kVimko1 ? SerialTextGroup(tab) != 0 : SerialBlockItem(type, tab) >= 0;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Every tab of each generation: the values written come back by the read.
TEST(LocalConfig, EveryTabWritesAndReadsBackForEachGeneration) {
    for (int type : {kVimko1, kVimko2, kVimko3}) {
        LocalFixture f(type);
        ASSERT_TRUE(f.Ready());
        int tabs = 0;
        for (int tab = 0; tab < kTabCount; ++tab) {
            if (!HasLocalTab(type, tab)) continue;
            SCOPED_TRACE(testing::Message() << "type " << type << " tab " << tab);
            ++tabs;
            const ParamList values = TestValues(tab, type, tab + 3 * type);
            f.lists.tabs[tab] = values;
            f.prompt.unitPins = {QStringLiteral("1234"), QStringLiteral("1234")};
            f.config.LocalWrite(tab);
            EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
            EXPECT_EQ(f.state.statusText, type == kVimko1
                                              ? "Configuration sent - verify correctness"
                                              : "Operation done correctly");
            if (type != kVimko1) {
                const int item = SerialBlockItem(type, tab);
                EXPECT_TRUE(f.WaitForUnitLog("block " + std::to_string(item) + " written"));
            }
            f.lists.tabs[tab] = DefaultList(tab, type);
            f.state.statusText.clear();
            f.label.configReadForLabel = false;
            f.label.moduleSeenForLabel = true;
            f.config.LocalRead(tab);
            EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
            EXPECT_EQ(f.state.statusText, "Operation done correctly");
            EXPECT_EQ(f.lists.tabs[tab].Lines(), values.Lines());
            EXPECT_EQ(f.lists.tabs[tab].description, "Imported from device connected locally");
            EXPECT_TRUE(f.label.configReadForLabel);
            EXPECT_FALSE(f.label.moduleSeenForLabel);
            EXPECT_FALSE(f.state.busy);
        }
        EXPECT_EQ(tabs, type == kVimko1 ? 3 : type == kVimko2 ? 7 : 9);
        EXPECT_EQ(f.prompt.unitPinAsked, 2 * tabs);
    }
}

// A Vimko-1 unit ignores commands after a wrong PIN; the others refuse them.
TEST(LocalConfig, WrongPinCancelAndRefusedAuthorization) {
    for (int type : {kVimko1, kVimko2, kVimko3}) {
        SCOPED_TRACE(type);
        LocalFixture f(type);
        ASSERT_TRUE(f.Ready());
        const QString refusal =
            type == kVimko1 ? "No response from the device" : "Authorization failed";
        f.prompt.unitPins = {QStringLiteral("9999")};
        f.config.LocalRead(kTabGeneral);
        EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{refusal});
        EXPECT_FALSE(f.label.configReadForLabel);
        if (type != kVimko1) {
            f.prompt.unitPins = {QStringLiteral("9999")};
            f.config.LocalWrite(kTabGeneral);
            EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{refusal});
        }
        // Cancel in the PIN dialog ends the action before anything is sent.
        const uint8_t sequence = f.link.sequence();
        f.config.LocalWrite(kTabGeneral);
        f.config.LocalDistance("5");
        EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
        EXPECT_EQ(f.link.sequence(), sequence);

        // A refused repository authorisation ends the write silently: the
        // right PIN's write after it is the only one the unit takes.
        f.repo.offlineAccess = RepoClient::kRefused;
        f.prompt.unitPins = {QStringLiteral("1234")};
        f.state.statusText = "Ready";
        f.config.LocalWrite(kTabGeneral);
        EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
        EXPECT_EQ(f.state.statusText, "Ready");
        if (type != kVimko1) {
            f.repo.offlineAccess = RepoClient::kGranted;
            f.prompt.unitPins = {QStringLiteral("1234")};
            f.config.LocalWrite(kTabGeneral);
            EXPECT_EQ(f.state.statusText, "Operation done correctly");
            const std::string written =
                "block " + std::to_string(SerialBlockItem(type, kTabGeneral)) + " written";
            EXPECT_TRUE(f.WaitForUnitLog(written));
            EXPECT_EQ(Count(f.UnitLog(), written), 1u);
        }
    }
}

// Nobody on the far end: every action that waits says so, with the real
// waits of the link.
TEST(LocalConfig, SilentUnitDrawsNoResponse) {
    for (int type : {kVimko1, kVimko2, kVimko3}) {
        SCOPED_TRACE(type);
        LocalFixture f(type, false);
        ASSERT_TRUE(f.Ready());
        const QStringList none{"No response from the device"};
        f.prompt.unitPins = {"1234", "1234", "1234", "1234"};
        f.config.LocalRead(kTabGeneral);
        EXPECT_EQ(f.prompt.TakeWarnings(), none);
        EXPECT_EQ(f.lists.tabs[kTabGeneral].description, "Default configuration");
        f.config.LocalWrite(kTabGeneral);
        f.config.LocalClear();
        if (type == kVimko1) {
            // A Vimko-1 unit never acknowledges: nothing is awaited.
            EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
            EXPECT_EQ(f.state.statusText, "Command sent");
            continue;
        }
        EXPECT_EQ(f.prompt.TakeWarnings(), (QStringList{none[0], none[0]}));
        const QString file = QString::fromStdString(f.dir.File("archive.txt"));
        f.prompt.files = {file};
        f.config.LocalArchive("10");
        EXPECT_EQ(f.prompt.TakeWarnings(), none);
        EXPECT_TRUE(QFile::exists(file));
        EXPECT_EQ(f.state.progress, "0");
        EXPECT_FALSE(f.state.busy);
    }
}

TEST(LocalConfig, DistanceAndClearMemory) {
    for (int type : {kVimko1, kVimko2, kVimko3}) {
        SCOPED_TRACE(type);
        LocalFixture f(type);
        ASSERT_TRUE(f.Ready());
        const QString done = type == kVimko1 ? "Command sent" : "Operation done correctly";
        f.prompt.unitPins = {"1234", "1234"};
        f.config.LocalDistance(" 1500 ");
        EXPECT_EQ(f.state.statusText, done);
        EXPECT_EQ(f.state.statusCountdown, 50);
        EXPECT_TRUE(f.WaitForUnitLog("distance set to 1500"));
        f.state.statusText.clear();
        f.config.LocalClear();
        EXPECT_EQ(f.state.statusText, done);
        EXPECT_TRUE(f.WaitForUnitLog("memory cleared"));
        EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
        if (type != kVimko1) {
            f.prompt.unitPins = {"0000"};
            f.config.LocalDistance("7");
            EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{"Authorization failed"});
        }
    }
}

QStringList FileLines(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QString text = QString::fromLatin1(file.readAll());
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

// The simulated unit's record n holds the bytes n, n+1, ... (mod 256).
QString RecordLine(uint32_t n) {
    std::vector<uint8_t> record(kRecordSize);
    for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(n + i);
    return QString::fromStdString(SerialRecordHex(record));
}

TEST(LocalConfig, ArchiveAndUnreadRecordsIntoFiles) {
    for (int type : {kVimko2, kVimko3}) {
        SCOPED_TRACE(type);
        LocalFixture f(type);
        ASSERT_TRUE(f.Ready());
        QStringList progress;
        QObject::connect(&f.config, &LocalConfig::statusChanged,
                         [&] { progress.append(f.state.progress); });

        // The last 4 of the unit's 300 archived records, oldest first.
        const QString archive = QString::fromStdString(f.dir.File("archive.txt"));
        f.prompt.unitPins = {"1234"};
        f.prompt.files = {archive};
        f.config.LocalArchive("4");
        EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
        EXPECT_EQ(f.prompt.fileFilters.takeLast(), "Text|*.txt");
        EXPECT_EQ(FileLines(archive), (QStringList{RecordLine(296), RecordLine(297),
                                                   RecordLine(298), RecordLine(299)}));
        EXPECT_EQ(progress, (QStringList{"25", "50", "75", "100", "0"}));

        // Three unread records, then the unit's "no more data".
        progress.clear();
        const QString unread = QString::fromStdString(f.dir.File("unread.txt"));
        f.prompt.unitPins = {"1234"};
        f.prompt.files = {unread};
        f.config.LocalUnread();
        EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
        EXPECT_EQ(f.state.statusText, "Operation done correctly");
        EXPECT_EQ(FileLines(unread),
                  (QStringList{RecordLine(300), RecordLine(301), RecordLine(302)}));
        EXPECT_EQ(progress.mid(0, 3), (QStringList{"10", "20", "30"}));
        EXPECT_EQ(f.state.progress, "0");

        // A file that cannot be created.
        const QString bad = QString::fromStdString(f.dir.File("missing/dir/a.txt"));
        f.prompt.unitPins = {"1234"};
        f.prompt.files = {bad};
        f.config.LocalArchive("4");
        EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{"Error opening file: " + bad});

        // A file that takes nothing (a full disk): the first record that is
        // not stored stops the reading, and says so.
        progress.clear();
        f.prompt.unitPins = {"1234"};
        f.prompt.files = {"/dev/full"};
        f.config.LocalArchive("4");
        EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{"Error writing file: /dev/full"});
        EXPECT_EQ(progress, QStringList{"0"});

        // "Terminate" during a long read stops it between two records.
        f.prompt.unitPins = {"1234"};
        f.prompt.files = {archive};
        QTimer::singleShot(0, [&] { f.state.terminateRequested = true; });
        f.config.LocalArchive("300");
        EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{"The execution has been interrupted"});
        EXPECT_LT(FileLines(archive).size(), 300);
        EXPECT_EQ(f.state.progress, "0");
    }
}

// A Vimko-1 unit acknowledges nothing, so a command whose lines cannot be
// sent (the cable was pulled) must not end with "Command sent".
TEST(LocalConfig, UnacknowledgedCommandsToAPulledCableWarn) {
    LocalFixture f(kVimko1);
    ASSERT_TRUE(f.Ready());
    f.pair.Stop();
    f.prompt.unitPins = {"1234"};
    f.config.LocalClear();
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{"No response from the device"});
    EXPECT_NE(f.state.statusText, "Command sent");
    EXPECT_FALSE(f.state.localLinkOpen);
}

}  // namespace
