// Firmware import from files and from the repository stand-in, the combo
// effect, and what "&Send", "&Read" and the Long DALLAS "&Write" refuse or
// hand to the local link before any console command is sent.

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include <QDir>

#include "manager/logic/firmware_commands.h"
#include "tests/manager/logic/firmware_fixture.h"
#include "tests/manager/logic/repo_stub_process.h"
#include "tests/support/temp_dir.h"

namespace {

const char* const kMismatch = "The file does not match the selected device vimko";

TEST(FirmwareImport, FilesOffLine) {
    TempDir dir;
    FirmwareFixture m;
    QString smallBin = WriteBytes(dir.File("small.bin"), PatternBytes(0x1E000, 1));
    QString oddBin = WriteBytes(dir.File("odd.BIN"), PatternBytes(1000, 2));
    QString xml = WriteBytes(dir.File("module.xml"),
                             FirmwareDocument(kVimko2, kFirmwareVimko, 2, PatternBytes(5000, 3)));

    struct Case {
        const char* name;
        int deviceType;
        int kind;
        QString path;
        QString warning;  // empty: taken
        int flags;
        qsizetype size;
    } cases[] = {
        {"small .bin for Vimko-1", kVimko1, kFirmwareVimko, smallBin, "", kKindBitVimko | 2,
         0x1E000},
        {"small .bin refused for Vimko-2", kVimko2, kFirmwareVimko, smallBin, kMismatch, 0, 0},
        {"any size for Korvalen", kVimko3, kFirmwareKorvalen, oddBin, "", kKindBitKorvalen | 4,
         1000},
        {"odd size for KX-05", kVimko2, kFirmwareTacho, oddBin, kMismatch, 0, 0},
        {"missing .bin", kVimko1, kFirmwareVimko, QString::fromStdString(dir.File("none.bin")),
         "The selected firmware file is wrong length", 0, 0},
        {"XML of the device and kind, padded", kVimko2, kFirmwareVimko, xml, "", kKindBitVimko | 2,
         0x1E000},
        {"XML of another kind", kVimko2, kFirmwareTacho, xml, kMismatch, 0, 0},
        {"missing XML", kVimko2, kFirmwareVimko, QString::fromStdString(dir.File("none.xml")),
         kMismatch, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m.state.deviceType = c.deviceType;
        m.state.firmwareKind = c.kind;
        m.importer.DropFirmware();
        m.prompt.files = {c.path};
        m.importer.ImportButton();
        EXPECT_FALSE(m.state.busy);
        EXPECT_EQ(m.prompt.TakeWarnings(),
                  c.warning.isEmpty() ? QStringList() : QStringList{c.warning});
        EXPECT_EQ(m.state.firmwareLoaded, c.warning.isEmpty());
        if (!m.state.firmwareLoaded) {
            EXPECT_TRUE(m.importer.description.isEmpty());
            continue;
        }
        EXPECT_EQ(m.state.firmwareFlags, c.flags);
        EXPECT_EQ(m.state.firmwareImage.size(), c.size);
    }
    EXPECT_EQ(m.prompt.fileFilters.value(0), "Extensible Markup Language|*.xml|Binary|*.bin");

    // A combo change drops the image; in the remote view the version line too.
    ASSERT_TRUE(m.importer.ImportFile(xml));
    m.state.firmwareVersion = "Status:1 Version:2 Crcc:3";
    m.state.remoteView = false;
    m.importer.DropFirmware();
    EXPECT_FALSE(m.state.firmwareLoaded);
    EXPECT_TRUE(m.importer.description.isEmpty());
    EXPECT_EQ(m.state.firmwareVersion, "Status:1 Version:2 Crcc:3");
    m.state.remoteView = true;
    m.importer.DropFirmware();
    EXPECT_EQ(m.state.firmwareVersion, "");
    // A cancelled dialog takes nothing and says nothing.
    m.importer.ImportButton();
    EXPECT_FALSE(m.state.firmwareLoaded);
    EXPECT_TRUE(m.prompt.warnings.isEmpty());
}

TEST(FirmwareImport, FromTheRepository) {
    RepoStubProcess repo;
    ASSERT_TRUE(repo.ready());
    QByteArray adapter = AdapterImage("KORV.BIN", PatternBytes(700, 4));
    QDir().mkpath(QString::fromStdString(repo.dir().File("firmware")));
    WriteBytes(repo.dir().File("firmware/adapter.xml"),
               FirmwareDocument(kVimko3, kFirmwareKorvalen, 3, adapter));
    WriteBytes(repo.dir().File("firmware/broken.xml"),
               FirmwareDocument(kVimko3, kFirmwareKorvalen, 9, adapter));
    FirmwareFixture m;
    m.repo.settings = repo.Settings();
    m.state.deviceType = kVimko3;
    m.state.firmwareKind = kFirmwareKorvalen;
    QStringList listed;
    QString choice = "adapter.xml";
    m.prompt.chooseName = [&](const QList<RepoListEntry>& entries, bool allowNewName,
                              const std::function<bool(const QString&)>& remove) {
        for (const RepoListEntry& e : entries) listed.append(e.name);
        EXPECT_FALSE(allowNewName);
        EXPECT_FALSE(remove);
        return choice;
    };
    m.importer.ImportButton();
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"adapter.xml", "broken.xml"}));
    ASSERT_TRUE(m.state.firmwareLoaded);
    EXPECT_EQ(m.state.firmwareImage, adapter);
    EXPECT_EQ(m.state.firmwareFlags, kKindBitKorvalen | 4);

    choice = "broken.xml";
    m.importer.DropFirmware();
    EXPECT_FALSE(m.importer.ImportFromRepository());
    EXPECT_EQ(m.prompt.TakeWarnings(),
              QStringList{"Selected data do not match the selected device vimko"});
    EXPECT_FALSE(m.state.firmwareLoaded);
    // Another kind lists nothing of these.
    m.state.firmwareKind = kFirmwareVimko;
    listed.clear();
    choice.clear();
    EXPECT_FALSE(m.importer.ImportFromRepository());
    EXPECT_EQ(listed, QStringList());
}

// A unit row of the "list" answer.
QString Row(const char* imei, int state, int protocol) {
    return QStringLiteral("Van,%1,%2,%3,127.0.0.1,4000,10:00:00,2026-12-09,1,1")
        .arg(imei)
        .arg(state)
        .arg(protocol);
}

TEST(FirmwareChecks, SingleUnitRefusalsAndTheLocalHooks) {
    FirmwareFixture m;  // not logged in: nothing may reach the console
    struct Case {
        int deviceType;
        int kind;
        int state;
        int protocol;
        const char* warning;
    } cases[] = {
        {kVimko3, kFirmwareVimko, 1, 512,
         "The selected firmware does not match the selected device"},
        {kVimko2, kFirmwareVimko, 1, 256,
         "The selected firmware does not match the selected device"},
        {kVimko1, kFirmwareVimko, 0, 1,
         "Command impossible to do in the current state of the device"},
        {kVimko1, kFirmwareVimko, 2, 1,
         "Command impossible to do in the current state of the device"},
        {kVimko1, kFirmwareTacho, 3, 1, "Not available for devices Vimko-1"},
        {kVimko2, kFirmwareKorvalen, 1, 4, "Not available"},
        {kVimko1, kFirmwareKorvalen, 1, 1, "Not available"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.deviceType << " " << c.kind << " " << c.protocol);
        m.state.deviceList = {Row("356000000000001", c.state, c.protocol)};
        m.remote.SelectUnit(0, 3 + c.state);
        m.state.deviceType = c.deviceType;
        m.Load(PatternBytes(300, 0), c.kind, 4);
        m.sender.SendButton();
        m.sender.ReadVersionButton();
        EXPECT_EQ(m.prompt.TakeWarnings(), (QStringList{c.warning, c.warning}));
        EXPECT_FALSE(m.state.busy);
    }
    // A unit that passes the checks, with the console gone: the copy fails.
    m.state.deviceList = {Row("356000000000001", 1, 256)};
    m.state.deviceType = kVimko3;
    m.sender.SendButton();
    EXPECT_EQ(m.prompt.TakeWarnings(),
              QStringList{"An error occurred while copying the firmware on the server"});
    EXPECT_EQ(m.state.progress, "0");

    // The local view hands the image to the serial link's upload.
    QList<LocalFirmwareUpload> local;
    m.sender.localUpload = [&](const LocalFirmwareUpload& u) { local.append(u); };
    m.state.remoteView = false;
    struct Local {
        int deviceType;
        int kind;
        int cpuBit;
        bool handed;
        bool text;
    } locals[] = {
        {kVimko1, kFirmwareVimko, 2, true, true},
        {kVimko3, kFirmwareTacho, 4, false, false},
        {kVimko3, kFirmwareKorvalen, 4, false, false},
    };
    for (const Local& l : locals) {
        local.clear();
        m.state.deviceType = l.deviceType;
        QByteArray image = PatternBytes(l.cpuBit == 2 ? 0x1E000 : 0x3E000, l.kind);
        m.Load(image, l.kind, l.cpuBit);
        m.sender.SendButton();
        ASSERT_EQ(local.size(), l.handed ? 1 : 0);
        if (l.handed) {
            EXPECT_EQ(local[0].textUpload, l.text);
            EXPECT_EQ(local[0].cpuBit, l.cpuBit);
            EXPECT_EQ(local[0].image, image);
            EXPECT_EQ(m.prompt.TakeWarnings(), QStringList());
        } else {
            EXPECT_EQ(m.prompt.TakeWarnings(),
                      QStringList{"The function is not available for the local connection"});
        }
    }
    // Nothing loaded: "&Send" does nothing.
    m.state.firmwareLoaded = false;
    m.sender.SendButton();
    EXPECT_EQ(local.size(), 0);

    // The Long DALLAS list: the local view hands the parsed list over; a
    // list that does not fit is refused in both views.
    TempDir dir;
    QList<DataUpload> lists;
    m.dallas.localUpload = [&](const DataUpload& d) { lists.append(d); };
    m.prompt.files = {WriteBytes(dir.File("list.bin"), PatternBytes(48, 5)),
                      WriteBytes(dir.File("list15.bin"), PatternBytes(15, 5)),
                      WriteBytes(dir.File("type4.xml"),
                                 "<vimko><data type=\"4\" crcc=\"1\">"
                                 "<text>x</text></data></vimko>")};
    m.dallas.WriteButton();
    m.dallas.WriteButton();
    m.dallas.WriteButton();
    ASSERT_EQ(lists.size(), 1);
    EXPECT_EQ(lists[0].type, 2);
    EXPECT_EQ(lists[0].closing, 3u);
    EXPECT_EQ(lists[0].bytes, PatternBytes(48, 5));
    EXPECT_EQ(m.prompt.TakeWarnings(), (QStringList{kMismatch, kMismatch}));
}

TEST(FirmwareChecks, GroupMembers) {
    FirmwareFixture m;  // not logged in: members that pass the checks fail to copy
    m.state.deviceType = kVimko3;
    m.remote.SelectGroup();
    m.Load(AdapterImage("K", PatternBytes(300, 0)), kFirmwareKorvalen, 4);
    m.sender.SendButton();
    EXPECT_EQ(m.prompt.TakeWarnings(), QStringList{"Device group is empty"});

    m.remote.group = {{"a", "1", "Vimko-3 TCP", "old"},
                      {"", "", "", ""},
                      {"b", "2", "Vimko-3 UDP", "old"},
                      {"c", "3", "Vimko-2 TCP", "old"}};
    m.prompt.answers = {false};
    m.sender.SendButton();
    EXPECT_EQ(m.prompt.questions,
              QStringList{"Do you want to upload the firmware to the device group?"});
    EXPECT_EQ(m.remote.group[0].status, "old");  // "No": nothing touched

    m.sender.SendButton();
    QStringList statuses;
    for (const GroupRow& r : m.remote.group) statuses.append(r.status);
    EXPECT_EQ(statuses,
              (QStringList{"Connection Error", "", "Invalid device type", "Invalid device type"}));
    m.state.deviceType = kVimko2;
    m.remote.group[0].mode = "Vimko-2 TCP";
    m.sender.SendButton();
    EXPECT_EQ(m.remote.group[0].status, "Not available");
    EXPECT_EQ(m.remote.group[3].status, "Not available");
    EXPECT_TRUE(m.prompt.warnings.isEmpty());
    EXPECT_FALSE(m.state.busy);
}

}  // namespace
