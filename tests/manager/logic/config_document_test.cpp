// The configuration documents: XML export and import of a tab, and the
// older ".cfg" files with their key maps.

#include "manager/logic/config_document.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include <QDomDocument>

#include "manager/logic/manager_state.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(ConfigDocument, ExportedDocumentImportsIntoTheSameTabAndTypeOnly) {
    ParamList list = DefaultList(kTabGeneral, kVimko3);
    list.SetValue("MYID", QString::fromUtf8("Łódź <1> & \"2\""));
    list.SetValue("APN", "fleet.apn");
    list.description = "Fleet default";
    QByteArray xml = ExportConfig(kTabGeneral, kVimko3, list);
    EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vimko"));
    EXPECT_TRUE(xml.contains("\n  <config")) << xml.constData();  // indented
    EXPECT_TRUE(xml.contains(QString::fromUtf8("Łódź").toUtf8()));

    QDomDocument doc;
    ASSERT_TRUE(doc.setContent(xml));
    QDomElement config = doc.documentElement().firstChildElement("config");
    EXPECT_EQ(doc.documentElement().attribute("ver"), "1");
    EXPECT_EQ(config.attribute("device"), "3");
    EXPECT_EQ(config.attribute("type"), "1");
    EXPECT_EQ(config.elementsByTagName("record").size(), 37);
    EXPECT_EQ(config.lastChildElement().tagName(), "description");

    ParamList back = DefaultList(kTabGeneral, kVimko3);
    EXPECT_EQ(ImportConfig(kTabGeneral, kVimko3, back, xml), 37);
    EXPECT_EQ(back.Lines(), list.Lines());
    EXPECT_EQ(back.description, "Fleet default");

    // Another device type, another tab, not XML: nothing applied.
    ParamList other = DefaultList(kTabGeneral, kVimko2);
    EXPECT_EQ(ImportConfig(kTabGeneral, kVimko2, other, xml), 0);
    EXPECT_EQ(other.description, "");
    EXPECT_EQ(other.Value("MYID"), "");
    ParamList fms = DefaultList(kTabFms, kVimko3);
    EXPECT_EQ(ImportConfig(kTabFms, kVimko3, fms, xml), 0);
    EXPECT_EQ(ImportConfig(kTabGeneral, kVimko3, back, "not xml"), 0);
}

TEST(ConfigDocument, UnknownKeyIsAppendedAndMultiValueRowsKeepTheirText) {
    const QByteArray xml =
        "<vimko ver=\"1\"><config device=\"2\" type=\"4\">"
        "<record key=\"CAN03\" value=\"1,2,3,4,5,6,7,8,9\"/>"
        "<record key=\"FUTURE\" value=\"x\"/>"
        "<description>from the office</description></config>"
        "<config device=\"2\" type=\"4\"><record key=\"CANID\" value=\"12\"/></config></vimko>";
    ParamList can = DefaultList(kTabCan, kVimko2);
    EXPECT_EQ(ImportConfig(kTabCan, kVimko2, can, xml), 3);
    EXPECT_EQ(can.Value("CAN03"), "1,2,3,4,5,6,7,8,9");
    EXPECT_EQ(can.Value("CANID"), "12");
    EXPECT_EQ(can.rows.last().key, "FUTURE");
    EXPECT_EQ(can.rows.size(), 16);
    EXPECT_EQ(can.description, "from the office");
}

TEST(ConfigDocument, CfgFileKeyMaps) {
    TempDir dir;
    WriteFile(dir.File("unit.cfg"),
              "MYID=Car 7\r\nSMSPIN=1234\r\nDIN3=12\r\nMODE2=5\r\nMODE=3\r\nIP=\r\n"
              "# a comment\r\nXMODE=9\r\nMINTIME2=30\nGPRSTIME=10");
    ParamList general = DefaultList(kTabGeneral, kVimko1);
    EXPECT_EQ(
        ImportCfgFile(kTabGeneral, kVimko1, general, QString::fromStdString(dir.File("unit.cfg"))),
        8);
    EXPECT_EQ(general.Value("MYID"), "Car 7");
    EXPECT_EQ(general.Value("SMS/AUTHPIN"), "1234");
    EXPECT_EQ(general.Value("DIN3CONF"), "12");
    EXPECT_EQ(general.Value("MODE2"), "5");
    EXPECT_EQ(general.Value("MODE"), "3");
    EXPECT_EQ(general.Value("MINTIME2"), "30");
    EXPECT_EQ(general.Value("GPRSTIME"), "10");
    EXPECT_EQ(general.rows.size(), 29);
    EXPECT_EQ(general.description, "Imported from file: unit.cfg Readed: 8");

    WriteFile(dir.File("bus.cfg"), "CONFIGID=4\nFMS00=65265,84\nFMS19=1,2\nFMS20=3,4\n");
    ParamList fms = DefaultList(kTabFms, kVimko2);
    EXPECT_EQ(ImportCfgFile(kTabFms, kVimko2, fms, QString::fromStdString(dir.File("bus.cfg"))), 3);
    EXPECT_EQ(fms.Value("FMSID"), "4");
    EXPECT_EQ(fms.Value("PGN00,SPN00"), "65265,84");
    EXPECT_EQ(fms.Value("PGN19,SPN19"), "1,2");

    WriteFile(dir.File("can.cfg"), "CONFIGID=1\nTYPEID=2\nSPEED3=250\nCAN09=1,2,3,4,5,6,7,8,9\n");
    ParamList can = DefaultList(kTabCan, kVimko2);
    EXPECT_EQ(ImportCfgFile(kTabCan, kVimko2, can, QString::fromStdString(dir.File("can.cfg"))), 4);
    EXPECT_EQ(can.Value("CANT"), "2");
    EXPECT_EQ(can.Value("CANC"), "250");
    EXPECT_EQ(can.Value("CAN09"), "1,2,3,4,5,6,7,8,9");

    // Tabs without a ".cfg" format, files without a matching line, missing files.
    ParamList statuses = DefaultList(kTabStatuses, kVimko2);
    EXPECT_EQ(ImportCfgFile(kTabStatuses, kVimko2, statuses,
                            QString::fromStdString(dir.File("unit.cfg"))),
              0);
    ParamList untouched = DefaultList(kTabCan, kVimko2);
    EXPECT_EQ(
        ImportCfgFile(kTabCan, kVimko2, untouched, QString::fromStdString(dir.File("unit.cfg"))),
        0);
    EXPECT_EQ(untouched.description, "Default configuration");
    EXPECT_EQ(
        ImportCfgFile(kTabGeneral, kVimko1, general, QString::fromStdString(dir.File("none.cfg"))),
        0);
}

TEST(ConfigDocument, CfgLineIsCutAt255Characters) {
    TempDir dir;
    WriteFile(dir.File("long.cfg"), "APN=" + std::string(400, 'a') + "\nIP=1.2.3.4\n");
    ParamList general = DefaultList(kTabGeneral, kVimko2);
    EXPECT_EQ(
        ImportCfgFile(kTabGeneral, kVimko2, general, QString::fromStdString(dir.File("long.cfg"))),
        2);
    EXPECT_EQ(general.Value("APN").size(), 251);
    EXPECT_EQ(general.Value("IP"), "1.2.3.4");
}

}  // namespace
