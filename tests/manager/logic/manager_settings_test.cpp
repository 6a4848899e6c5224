// The settings file: defaults, the two sections, the profile sections and
// where the file lives.

#include "manager/logic/manager_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFileInfo>
#include <QSettings>

#include "tests/manager/qt_printers.h"
#include "tests/support/temp_dir.h"

namespace {

QString Path(const TempDir& dir, const char* name = "VimkoManager.ini") {
    return QString::fromStdString(dir.File(name));
}

TEST(ManagerSettings, MissingFileGivesDefaultsAndIsNotCreated) {
    TempDir dir;
    ManagerSettings s = LoadManagerSettings(Path(dir));
    EXPECT_EQ(s.server.address, "127.0.0.1:9000");
    EXPECT_EQ(s.server.user, "administrator");
    EXPECT_EQ(s.server.password, "tavrel");
    EXPECT_FALSE(s.server.grouping);
    EXPECT_TRUE(s.server.onlyLogged);
    EXPECT_EQ(s.repo.address, "127.0.0.1:9000");
    EXPECT_EQ(s.repo.user, "Quendo");
    EXPECT_EQ(s.repo.password, "tavrel");
    EXPECT_TRUE(s.repo.offline);
    EXPECT_FALSE(FileExists(dir.File("VimkoManager.ini")));
}

TEST(ManagerSettings, SectionsAreWrittenSeparatelyAndReadBack) {
    TempDir dir;
    ServerSettings server{"10.0.0.1:5101", "ops", "secret", true, false};
    ASSERT_TRUE(SaveServerSection(Path(dir), server));
    std::string text = ReadFile(dir.File("VimkoManager.ini"));
    EXPECT_NE(text.find("[Serwer]"), std::string::npos);
    EXPECT_EQ(text.find("[Repozytorium]"), std::string::npos);  // only the section saved
    EXPECT_NE(text.find("Sortowanie=1"), std::string::npos);
    EXPECT_NE(text.find("Pokazuj=0"), std::string::npos);

    RepoSettings repo{"repo.example:8080", "inst", "pw", false};
    ASSERT_TRUE(SaveRepositorySection(Path(dir), repo));
    ManagerSettings s = LoadManagerSettings(Path(dir));
    EXPECT_EQ(s.server.address, "10.0.0.1:5101");
    EXPECT_EQ(s.server.user, "ops");
    EXPECT_EQ(s.server.password, "secret");
    EXPECT_TRUE(s.server.grouping);
    EXPECT_FALSE(s.server.onlyLogged);
    EXPECT_EQ(s.repo.address, "repo.example:8080");
    EXPECT_EQ(s.repo.user, "inst");
    EXPECT_FALSE(s.repo.offline);
}

TEST(ManagerSettings, BooleansWrittenByOlderFilesRead) {
    TempDir dir;
    WriteFile(dir.File("VimkoManager.ini"),
              "[Serwer]\nSortowanie=true\nPokazuj=false\n[Repozytorium]\nImportuj=0\n");
    ManagerSettings s = LoadManagerSettings(Path(dir));
    EXPECT_TRUE(s.server.grouping);
    EXPECT_FALSE(s.server.onlyLogged);
    EXPECT_FALSE(s.repo.offline);
    EXPECT_EQ(s.server.address, "127.0.0.1:9000");  // missing keys keep their defaults
}

ServerProfile P(const char* name) {
    return {name, QString(name) + ":1", QString(name) + "-user", "pw"};
}

QStringList Names(const QList<ServerProfile>& profiles) {
    QStringList names;
    for (const ServerProfile& p : profiles) names.append(p.name);
    return names;
}

TEST(ManagerSettings, ProfileListEndsAtFirstEmptyName) {
    TempDir dir;
    WriteFile(dir.File("VimkoManager.ini"),
              "[Zarzadzanie_1]\nNazwa=office\nAdres=a:1\nUzytkownik=u\nHaslo=p\n"
              "[Zarzadzanie_2]\nNazwa=\n"
              "[Zarzadzanie_3]\nNazwa=lost\n");
    QList<ServerProfile> profiles = LoadProfiles(Path(dir));
    ASSERT_EQ(Names(profiles), QStringList{"office"});
    EXPECT_EQ(profiles[0], (ServerProfile{"office", "a:1", "u", "p"}));
}

TEST(ManagerSettings, RewriteErasesStaleSectionsUpToTheFirstEmptyOne) {
    TempDir dir;
    // Four profiles on file, then a gap, then a section past the gap.
    WriteFile(dir.File("VimkoManager.ini"),
              "[Serwer]\nAdres=keep:1\n"
              "[Zarzadzanie_1]\nNazwa=a\n[Zarzadzanie_2]\nNazwa=b\n"
              "[Zarzadzanie_3]\nNazwa=c\n[Zarzadzanie_4]\nNazwa=d\n"
              "[Zarzadzanie_6]\nNazwa=beyond\n");
    ASSERT_TRUE(RewriteProfiles(Path(dir), {P("x"), P("y")}));
    QSettings ini(Path(dir), QSettings::IniFormat);
    EXPECT_EQ(ini.value("Zarzadzanie_1/Nazwa").toString(), "x");
    EXPECT_EQ(ini.value("Zarzadzanie_2/Adres").toString(), "y:1");
    EXPECT_EQ(ini.value("Zarzadzanie_2/Uzytkownik").toString(), "y-user");
    EXPECT_FALSE(ini.childGroups().contains("Zarzadzanie_3"));
    EXPECT_FALSE(ini.childGroups().contains("Zarzadzanie_4"));
    // The walk stopped at the empty section 5: section 6 is left alone.
    EXPECT_EQ(ini.value("Zarzadzanie_6/Nazwa").toString(), "beyond");
    EXPECT_EQ(ini.value("Serwer/Adres").toString(), "keep:1");
    EXPECT_EQ(Names(LoadProfiles(Path(dir))), (QStringList{"x", "y"}));
}

TEST(ManagerSettings, AddAppendsOrInsertsBeforeSelection) {
    QList<ServerProfile> profiles{P("a"), P("b")};
    AddProfile(profiles, -1, P("c"));
    AddProfile(profiles, 1, P("d"));
    AddProfile(profiles, 0, P("e"));
    EXPECT_EQ(Names(profiles), (QStringList{"e", "a", "d", "b", "c"}));
}

TEST(ManagerSettings, FileBesideTheProgramOrInTheFallbackFolder) {
    TempDir dir;
    QString program = QString::fromStdString(dir.File("VimkoManager"));
    QString fallback = QString::fromStdString(dir.File("config"));
    EXPECT_EQ(SettingsFilePath(program, fallback), Path(dir));

    ASSERT_EQ(mkdir(dir.File("ro").c_str(), 0555), 0);
    QString readOnly = QString::fromStdString(dir.File("ro/VimkoManager.bin"));
    if (QFileInfo(QString::fromStdString(dir.File("ro"))).isWritable()) {
        GTEST_SKIP() << "running as a user that writes into read-only folders";
    }
    EXPECT_EQ(SettingsFilePath(readOnly, fallback), fallback + "/VimkoManager.ini");
}

}  // namespace
