// The Configuration and Settings pages' actions and the dialogs behind
// them: bit fields, file import and export, the settings file's two save
// actions and the server profiles, the repository name chooser.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include "manager/logic/param_schema.h"
#include "manager/ui/bit_dialog.h"
#include "manager/ui/configuration_page.h"
#include "manager/ui/param_table.h"
#include "manager/ui/profiles_dialog.h"
#include "manager/ui/repository_dialog.h"
#include "manager/ui/settings_page.h"
#include "tests/manager/qt_printers.h"
#include "tests/manager/ui/window_fixture.h"

namespace {

int RowOf(const ParamList& list, const QString& key) {
    return list.IndexOf(key);
}

TEST(ConfigurationPage, BitEditorKeepsOnlyTheBitsOfTheDeviceType) {
    WindowFixture f;
    f.Open();
    MainWindow& w = *f.window;
    w.deviceCombo()->setCurrentIndex(kVimko1);
    ParamTable* table = w.configurationPage()->table(kTabGeneral);
    ParamList& general = w.context().lists.tabs[kTabGeneral];
    // Bits 15 and 16 of MEASURE: a Vimko-1 offers the first only.
    general.SetValue("MEASURE", QString::number((1 << 15) | (1 << 16)));
    w.configurationPage()->Reload(kTabGeneral);
    int row = RowOf(general, "MEASURE");
    ASSERT_GE(row, 0);
    EXPECT_EQ(table->item(row, 0)->text(), "Measured elements (MEASURE)");
    EXPECT_EQ(table->bitButton(RowOf(general, "APN")), nullptr);
    auto* button = dynamic_cast<QToolButton*>(table->bitButton(row));
    ASSERT_NE(button, nullptr);

    int offered = 0;
    WhenModalOpens<BitDialog>([&offered](BitDialog* d) {
        offered = d->rowCount();
        d->SetBit(0, true);  // bit 0, "GPS information"
        d->accept();
    });
    button->click();
    EXPECT_EQ(offered, 24);  // 26 labelled bits, of which 16 and 17 are not a Vimko-1's
    EXPECT_EQ(general.Value("MEASURE"), QString::number((1 << 15) | 1));
    EXPECT_EQ(table->item(row, 1)->text(), general.Value("MEASURE"));

    WhenModalOpens<BitDialog>([](BitDialog* d) {
        d->SetBit(15, false);
        d->reject();
    });
    button->click();
    EXPECT_EQ(general.Value("MEASURE"), QString::number((1 << 15) | 1));  // Cancel keeps it
}

TEST(ConfigurationPage, EditedValuesExportToAFileAndImportBack) {
    WindowFixture f;
    f.Open("[Repozytorium]\nImportuj=1\n");
    MainWindow& w = *f.window;
    ConfigurationPage* config = w.configurationPage();
    config->tabs()->setCurrentIndex(kTabFms);
    QTableWidget* table = config->table(kTabFms);
    table->item(0, 1)->setText("7");  // FMSID, typed into the list
    config->description(kTabFms)->setText("fleet A");
    QTest::keyClick(config->description(kTabFms), Qt::Key_Exclam);
    QString file = QString::fromStdString(f.dir.File("fms"));
    f.prompt.files = {file};
    config->findChild<QPushButton*>("configExport")->click();
    EXPECT_EQ(f.prompt.fileFilters, QStringList{"Extensible Markup Language|*.xml"});
    ASSERT_TRUE(FileExists(f.dir.File("fms")));

    w.deviceCombo()->setCurrentIndex(kVimko2);
    w.deviceCombo()->setCurrentIndex(kVimko3);  // every list back to its defaults
    config->tabs()->setCurrentIndex(kTabFms);
    EXPECT_EQ(table->item(0, 1)->text(), "0");
    f.prompt.files = {file};
    config->findChild<QPushButton*>("configImport")->click();
    // No ".xml" or ".cfg" at the end: refused by name.
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList{"You can not import a file in the format"});
    ASSERT_TRUE(QFile::rename(file, file + ".xml"));
    f.prompt.files = {file + ".xml"};
    config->findChild<QPushButton*>("configImport")->click();
    EXPECT_EQ(f.prompt.TakeWarnings(), QStringList());
    EXPECT_EQ(table->item(0, 1)->text(), "7");
    EXPECT_EQ(config->description(kTabFms)->text(), "fleet A!");
}

TEST(SettingsPage, OnlyRepositoryWriteAndManageOkWriteTheFile) {
    WindowFixture f;
    f.OpenWithoutFile();
    MainWindow& w = *f.window;
    SettingsPage* s = w.settingsPage();
    const std::string ini = f.dir.File("VimkoManager.ini");
    w.deviceCombo()->setCurrentIndex(kVimko1);
    s->findChild<QLineEdit*>("repoAddress")->setText("repo.local:9100");
    ASSERT_FALSE(FileExists(ini));
    EXPECT_EQ(w.context().repo.settings.address, "repo.local:9100");  // in use at once

    s->repositoryWriteButton()->click();
    QSettings written(f.settingsPath(), QSettings::IniFormat);
    EXPECT_EQ(written.value("Repozytorium/Adres").toString(), "repo.local:9100");
    EXPECT_EQ(written.value("Repozytorium/Uzytkownik").toString(), "Quendo");
    EXPECT_FALSE(written.childGroups().contains("Serwer"));

    // Manage: a profile of the current server is added, OK without a
    // selection keeps the fields and writes the "Serwer" section.
    s->findChild<QCheckBox*>("grouping")->setChecked(true);
    WhenModalOpens<ProfilesDialog>([](ProfilesDialog* d) {
        EXPECT_EQ(d->nameField()->text(), "Default");
        EXPECT_FALSE(d->removeButton()->isEnabled());
        d->nameField()->setText("office");
        d->addButton()->click();
        d->accept();
    });
    s->manageButton()->click();
    written.sync();
    EXPECT_EQ(written.value("Serwer/Adres").toString(), "127.0.0.1:9000");
    EXPECT_EQ(written.value("Serwer/Sortowanie").toString(), "1");
    EXPECT_EQ(written.value("Zarzadzanie_1/Nazwa").toString(), "office");

    // Choosing the profile later brings its server back; Cancel changes nothing.
    s->findChild<QLineEdit*>("serverAddress")->setText("elsewhere:1");
    WhenModalOpens<ProfilesDialog>([](ProfilesDialog* d) { d->reject(); });
    s->manageButton()->click();
    EXPECT_EQ(s->Server().address, "elsewhere:1");
    WhenModalOpens<ProfilesDialog>([](ProfilesDialog* d) {
        d->list()->setCurrentRow(0);
        d->accept();
    });
    s->manageButton()->click();
    EXPECT_EQ(s->Server().address, "127.0.0.1:9000");
}

TEST(ProfilesDialog, AddInsertsBeforeTheSelectionAndRemoveRewritesAtOnce) {
    TempDir dir;
    QString path = QString::fromStdString(dir.File("VimkoManager.ini"));
    ProfilesDialog d(path, {"", "h:1", "u", "p"});
    d.nameField()->setText("b");
    d.addButton()->click();
    d.list()->setCurrentRow(0);
    d.nameField()->setText("a");
    d.addButton()->click();
    EXPECT_TRUE(d.list()->selectedItems().isEmpty());  // the selection is cleared
    EXPECT_FALSE(d.removeButton()->isEnabled());
    EXPECT_EQ(LoadProfiles(path).size(), 2);
    EXPECT_EQ(LoadProfiles(path)[0].name, "a");
    d.list()->setCurrentRow(1);
    d.removeButton()->click();
    QList<ServerProfile> left = LoadProfiles(path);
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0], (ServerProfile{"a", "h:1", "u", "p"}));
    d.nameField()->clear();
    EXPECT_FALSE(d.addButton()->isEnabled());
}

TEST(RepositoryDialog, SelectionFillsTheNameAndRemoveAsksTheServer) {
    QStringList removed;
    bool serverAgrees = false;
    RepositoryDialog d({{"a.xml", {"first"}}, {"b.xml", {"second", "line 2"}}}, false,
                       [&](const QString& name) {
                           removed.append(name);
                           return serverAgrees;
                       });
    EXPECT_TRUE(d.nameField()->isReadOnly());
    EXPECT_FALSE(d.okButton()->isEnabled());
    d.list()->setCurrentRow(1);
    EXPECT_EQ(d.Name(), "b.xml");
    EXPECT_TRUE(d.okButton()->isEnabled());
    d.removeButton()->click();  // refused: the entry stays
    EXPECT_EQ(d.list()->count(), 2);
    serverAgrees = true;
    d.removeButton()->click();
    EXPECT_EQ(removed, (QStringList{"b.xml", "b.xml"}));
    EXPECT_EQ(d.list()->count(), 1);
    EXPECT_EQ(d.Name(), "");
    EXPECT_FALSE(d.okButton()->isEnabled());

    RepositoryDialog typed({}, true, {});
    EXPECT_FALSE(typed.nameField()->isReadOnly());
    EXPECT_FALSE(typed.removeButton()->isVisibleTo(&typed));
}

}  // namespace
