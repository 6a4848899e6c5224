// The repository client against the stand-in: lists, documents, uploads,
// removal, the event-log authorisation, off-line access codes and every
// error answer.

#include "manager/logic/repo_client.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include <QDateTime>
#include <filesystem>

#include "manager/logic/access_code.h"
#include "manager/logic/config_document.h"
#include "manager/logic/manager_state.h"
#include "tests/manager/logic/manager_fixture.h"
#include "tests/manager/logic/repo_stub_process.h"
#include "tests/manager/logic/scripted_prompt.h"

namespace {

// Picks `name` in the dialog and records what it was shown.
struct Chooser {
    QList<RepoListEntry> shown;
    bool allowNewName = false;
    bool removable = false;
    std::function<bool(const QString&)> remove;

    void Install(ScriptedPrompt& prompt, const QString& name) {
        prompt.chooseName = [this, name](const QList<RepoListEntry>& entries, bool newName,
                                         const std::function<bool(const QString&)>& rm) {
            shown = entries;
            allowNewName = newName;
            removable = static_cast<bool>(rm);
            remove = rm;
            return name;
        };
    }
};

TEST(RepoClient, UploadListGetAndRemoveConfigurations) {
    RepoStubProcess stub;
    ASSERT_TRUE(stub.ready());
    ScriptedPrompt prompt;
    RepoClient repo(prompt);
    repo.settings = stub.Settings();
    Chooser chooser;

    ParamList fms = DefaultList(kTabFms, kVimko2);
    fms.SetValue("FMSID", "42");
    fms.description = "Buses of the north depot";
    chooser.Install(prompt, "north.cfg");
    EXPECT_TRUE(repo.ExportConfigToRepository(kTabFms, kVimko2, fms));
    EXPECT_TRUE(chooser.allowNewName);
    EXPECT_TRUE(chooser.removable);
    EXPECT_TRUE(chooser.shown.isEmpty());
    EXPECT_TRUE(FileExists(stub.dir().File("configs/2/3/north.xml")));

    // The list names it with its description; import brings the values back.
    ParamList back = DefaultList(kTabFms, kVimko2);
    chooser.Install(prompt, "north.xml");
    EXPECT_EQ(repo.ImportConfigFromRepository(kTabFms, kVimko2, back), 21);
    EXPECT_FALSE(chooser.allowNewName);
    ASSERT_EQ(chooser.shown.size(), 1);
    EXPECT_EQ(chooser.shown[0].name, "north.xml");
    EXPECT_EQ(chooser.shown[0].description, QStringList{"Buses of the north depot"});
    EXPECT_EQ(back.Value("FMSID"), "42");
    EXPECT_EQ(back.description, "Buses of the north depot");
    EXPECT_EQ(prompt.warnings, QStringList());

    // Another tab's list is empty; a document of another device does not fit.
    ParamList can = DefaultList(kTabCan, kVimko2);
    std::optional<QByteArray> doc = repo.RepoGet(ConfigGetUrl(repo.settings, 2, 3, "north.xml"));
    ASSERT_TRUE(doc.has_value());
    EXPECT_EQ(ImportConfig(kTabFms, kVimko3, can, *doc), 0);
    std::filesystem::create_directories(stub.dir().File("configs/3/3"));
    WriteFile(stub.dir().File("configs/3/3/odd.xml"), doc->toStdString());
    chooser.Install(prompt, "odd.xml");
    ParamList gen3 = DefaultList(kTabFms, kVimko3);
    EXPECT_EQ(repo.ImportConfigFromRepository(kTabFms, kVimko3, gen3), 0);
    EXPECT_EQ(prompt.TakeWarnings(),
              QStringList{"Selected data do not match the configuration displayed"});

    // Removal from the dialog: once it works, the second time the service says why not.
    chooser.Install(prompt, "");
    EXPECT_EQ(repo.ImportConfigFromRepository(kTabFms, kVimko2, back), -1);
    ASSERT_TRUE(chooser.remove);
    EXPECT_TRUE(chooser.remove("north.xml"));
    EXPECT_FALSE(FileExists(stub.dir().File("configs/2/3/north.xml")));
    EXPECT_FALSE(chooser.remove("north.xml"));
    EXPECT_EQ(prompt.TakeWarnings(),
              QStringList{
                  "Can not remove the data from the server (errcode=4 msg=No such configuration)"});
    // A missing document.
    EXPECT_FALSE(repo.RepoGet(ConfigGetUrl(repo.settings, 2, 3, "north.xml")).has_value());
    EXPECT_EQ(prompt.TakeWarnings(), QStringList{"I can not retrieve data from the server"});
}

TEST(RepoClient, ErrorAnswers) {
    RepoStubProcess stub;
    ASSERT_TRUE(stub.ready());
    ScriptedPrompt prompt;
    RepoClient repo(prompt);
    repo.settings = stub.Settings();
    const QByteArray config = ExportConfig(kTabGeneral, kVimko1, DefaultList(kTabGeneral, kVimko1));

    // Not a configuration document; a name that is a path.
    EXPECT_FALSE(repo.RepoPost(ConfigUploadUrl(repo.settings, "x.xml"), "<vimko/>", true));
    EXPECT_FALSE(repo.RepoPost(ConfigUploadUrl(repo.settings, "../x.xml"), config, true));
    EXPECT_FALSE(repo.RepoPost(ConfigUploadUrl(repo.settings, "x.xml"), "<vimko/>", false));
    EXPECT_EQ(prompt.TakeWarnings(),
              (QStringList{
                  "I can not write data to the server (errcode=3 msg=Not a configuration document)",
                  "I can not write data to the server (errcode=2 msg=Invalid name)"}));

    // Wrong password: lists and documents by status, writes by their result.
    RepoSettings wrong = repo.settings;
    wrong.password = "guess";
    prompt.chooseName = [](const QList<RepoListEntry>&, bool,
                           const std::function<bool(const QString&)>&) { return QString("never"); };
    EXPECT_FALSE(repo.RepoList(ConfigListUrl(wrong, 1, 1), false, false).has_value());
    EXPECT_FALSE(repo.RepoGet(FirmListUrl(wrong, 1, 1)).has_value());
    EXPECT_FALSE(repo.RepoPost(ConfigUploadUrl(wrong, "x.xml"), config, true));
    EXPECT_EQ(prompt.TakeWarnings(),
              (QStringList{"I can not retrieve data from the server list",
                           "I can not retrieve data from the server",
                           "I can not write data to the server (errcode=1 msg=Access denied)"}));

    // A GET-only request posted to; nobody listening.
    EXPECT_FALSE(repo.RepoPost(ConfigGetUrl(repo.settings, 1, 1, "x"), config, true));
    RepoSettings nobody = repo.settings;
    nobody.address = QStringLiteral("127.0.0.1:%1").arg(FreePort());
    EXPECT_FALSE(repo.RepoPost(ConfigUploadUrl(nobody, "x.xml"), config, true));
    EXPECT_FALSE(repo.RepoList(ConfigListUrl(nobody, 1, 1), true, true).has_value());
    EXPECT_EQ(prompt.TakeWarnings(), (QStringList{"I can not write data to the server",
                                                  "I can not write data to the server",
                                                  "I can not retrieve data from the server list"}));
}

TEST(RepoClient, AnswerWithoutResultIsNoSuccess) {
    RepoStubProcess stub({"--no-result"});
    ASSERT_TRUE(stub.ready());
    ScriptedPrompt prompt;
    RepoClient repo(prompt);
    repo.settings = stub.Settings();
    ParamList general = DefaultList(kTabGeneral, kVimko3);
    prompt.chooseName = [](const QList<RepoListEntry>&, bool,
                           const std::function<bool(const QString&)>& remove) {
        EXPECT_FALSE(remove("a.xml"));
        return QString("a.xml");
    };
    EXPECT_FALSE(repo.ExportConfigToRepository(kTabGeneral, kVimko3, general));
    EXPECT_FALSE(
        repo.RepositoryAuthorize(1, "356", true, ExportConfig(kTabGeneral, kVimko3, general)));
    EXPECT_EQ(prompt.TakeWarnings(),
              (QStringList{"Can not remove the data from the server",
                           "The server did not return the expected response",
                           "The server did not return the expected response"}));
}

TEST(RepoClient, EventLogAuthorisesEachWrite) {
    RepoStubProcess stub;
    ASSERT_TRUE(stub.ready());
    WriteFile(stub.dir().File("refused_imeis"), "356000000000999\n");
    ScriptedPrompt prompt;
    RepoClient repo(prompt);
    repo.settings = stub.Settings();
    const QByteArray config = ExportConfig(kTabCan, kVimko2, DefaultList(kTabCan, kVimko2));
    EXPECT_TRUE(repo.RepositoryAuthorize(1, "356000000000001", true, config));
    EXPECT_TRUE(repo.RepositoryAuthorize(0, "", true, config));
    EXPECT_FALSE(repo.RepositoryAuthorize(2, "356000000000999", false, config));
    EXPECT_EQ(prompt.warnings, QStringList());
    EXPECT_FALSE(repo.RepositoryAuthorize(2, "356000000000999", true, config));
    EXPECT_EQ(
        prompt.TakeWarnings(),
        QStringList{
            "I can not write data to the server (errcode=5 msg=Device may not be configured)"});
    std::string log = ReadFile(stub.dir().File("event_log.txt"));
    EXPECT_NE(log.find(" Quendo t=1 imei=356000000000001 device=2 type=4 records=15 accepted\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(" Quendo t=0 imei= device=2 type=4 records=15 accepted\n"),
              std::string::npos);
    EXPECT_NE(log.find(" t=2 imei=356000000000999 device=2 type=4 records=15 refused\n"),
              std::string::npos);
}

TEST(RepoClient, OfflineAccessCodeOfTheDay) {
    ScriptedPrompt prompt;
    RepoClient repo(prompt);
    repo.settings.offline = true;
    const QString today = AccessCodeFor(QDateTime::currentDateTimeUtc().date());
    // Cancelled: no answer, asked again next time.
    EXPECT_FALSE(repo.RepositoryAuthorize(1, "1", true, {}));
    EXPECT_EQ(repo.offlineAccess, RepoClient::kNotAsked);
    // Wrong (yesterday's, lower-case): refused, then silently refused without asking.
    prompt.accessCodes = {AccessCodeFor(QDateTime::currentDateTimeUtc().date().addDays(-1)),
                          today.toLower(), today};
    EXPECT_FALSE(repo.RepositoryAuthorize(1, "1", true, {}));
    EXPECT_EQ(prompt.TakeWarnings(), QStringList{"The password is incorrect"});
    EXPECT_FALSE(repo.RepositoryAuthorize(1, "2", true, {}));
    EXPECT_EQ(prompt.accessCodeAsked, 2);
    EXPECT_EQ(prompt.warnings, QStringList());
    repo.offlineAccess = RepoClient::kNotAsked;  // the next "&Write" click
    EXPECT_FALSE(repo.RepositoryAuthorize(1, "1", false, {}));
    EXPECT_EQ(prompt.warnings, QStringList());
    repo.offlineAccess = RepoClient::kNotAsked;
    EXPECT_TRUE(repo.RepositoryAuthorize(2, "1", true, {}));
    EXPECT_TRUE(repo.RepositoryAuthorize(1, "3", true, {}));
    EXPECT_EQ(prompt.accessCodeAsked, 4);
}

TEST(RepoClient, FirmwareAndDataDocumentsFromTheFolder) {
    RepoStubProcess stub;
    ASSERT_TRUE(stub.ready());
    const std::string firmware =
        "<vimko><firmware device=\"3\" type=\"1\" cpu=\"3\" release=\"2026-11-02\" ver=\"3.96\">"
        "<record>00112233</record><description>Release 3.96</description>"
        "<description>Fixes CAN</description></firmware></vimko>";
    const std::string data = "<vimko><data type=\"2\" crcc=\"4\"><text>AB</text></data></vimko>";
    std::filesystem::create_directories(stub.dir().File("firmware"));
    WriteFile(stub.dir().File("firmware/v396.xml"), firmware);
    WriteFile(stub.dir().File("firmware/dallas.xml"), data);
    ScriptedPrompt prompt;
    RepoClient repo(prompt);
    repo.settings = stub.Settings();
    Chooser chooser;
    chooser.Install(prompt, "v396.xml");
    EXPECT_EQ(repo.RepoList(FirmListUrl(repo.settings, 3, 1), false, false), QString("v396.xml"));
    EXPECT_FALSE(chooser.removable);
    ASSERT_EQ(chooser.shown.size(), 1);
    EXPECT_EQ(chooser.shown[0].description, (QStringList{"Release 3.96", "Fixes CAN"}));
    EXPECT_EQ(repo.RepoGet(FirmGetUrl(repo.settings, 3, 1, "v396.xml")).value_or(""),
              QByteArray::fromStdString(firmware));
    EXPECT_EQ(repo.RepoGet(FirmGetUrl(repo.settings, 3, 2, "dallas.xml")).value_or(""),
              QByteArray::fromStdString(data));
    chooser.Install(prompt, "");
    repo.RepoList(FirmListUrl(repo.settings, 2, 1), false, false);
    EXPECT_TRUE(chooser.shown.isEmpty());
    EXPECT_FALSE(repo.RepoGet(FirmGetUrl(repo.settings, 2, 1, "v396.xml")).has_value());
    EXPECT_EQ(prompt.TakeWarnings(), QStringList{"I can not retrieve data from the server"});
}

}  // namespace

namespace {

// "&Import" and "&Export" of the Configuration page, from files and through
// the repository; importing "General" forgets the unit it came from.
TEST(ConfigurationButtons, ImportAndExportByFileOrRepository) {
    RepoStubProcess stub;
    ASSERT_TRUE(stub.ready());
    ManagerFixture m;
    m.remote.SetDeviceType(kVimko1);
    m.remote.sourceImei = "356000000000001";
    m.lists.tabs[kTabGeneral].SetValue("MYID", "Car 1");
    TempDir dir;
    const QString xml = QString::fromStdString(dir.File("car.xml"));
    EXPECT_TRUE(m.remote.ExportButton(xml));
    m.lists.Reset(kVimko1);
    EXPECT_EQ(m.remote.ImportButton(xml), 29);
    EXPECT_EQ(m.lists.tabs[kTabGeneral].Value("MYID"), "Car 1");
    EXPECT_EQ(m.remote.sourceImei, "");

    WriteFile(dir.File("car.cfg"), "NOTHING=1\n");
    WriteFile(dir.File("car.txt"), "MYID=x\n");
    m.remote.SetDeviceType(kVimko2);
    EXPECT_EQ(m.remote.ImportButton(xml), 0);  // a Vimko-1 document
    EXPECT_EQ(m.remote.ImportButton(QString::fromStdString(dir.File("car.cfg"))), 0);
    EXPECT_EQ(m.remote.ImportButton(QString::fromStdString(dir.File("car.txt"))), 0);
    EXPECT_EQ(m.prompt.TakeWarnings(),
              (QStringList{"The file does not match the configuration displayed",
                           "The file does not match the configuration displayed",
                           "You can not import a file in the format"}));
    EXPECT_FALSE(m.remote.ExportButton(QString::fromStdString(dir.File("no/such/dir/a.xml"))));

    // Through the repository.
    m.repo.settings = stub.Settings();
    m.lists.tabs[kTabGeneral].SetValue("APN", "depot.apn");
    m.prompt.chooseName = [](const QList<RepoListEntry>&, bool,
                             const std::function<bool(const QString&)>&) {
        return QString("depot");
    };
    EXPECT_TRUE(m.remote.ExportButton(QString()));
    m.lists.Reset(kVimko2);
    m.prompt.chooseName = [](const QList<RepoListEntry>&, bool,
                             const std::function<bool(const QString&)>&) {
        return QString("depot.xml");
    };
    EXPECT_EQ(m.remote.ImportButton(QString()), 29);
    EXPECT_EQ(m.lists.tabs[kTabGeneral].Value("APN"), "depot.apn");
    EXPECT_EQ(m.prompt.warnings, QStringList());
    EXPECT_FALSE(m.state.busy);
}

}  // namespace
