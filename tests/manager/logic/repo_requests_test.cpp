// Repository requests: URLs with their query keys and encoding, the
// password proof, the answer documents and the day's access code.

#include "manager/logic/repo_requests.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include <QUrlQuery>

#include "manager/logic/access_code.h"

namespace {

RepoSettings Settings() {
    RepoSettings s;
    s.address = "repo.example:8080";
    s.user = "Quendo";
    s.password = "tavrel";
    return s;
}

TEST(RepoRequests, UrlsCarryTheirKeysInOrder) {
    const QString p = "p=7F4D825C457B5D687FE9C94540AEA5BB";
    const struct {
        QUrl url;
        const char* path;
        QString query;
    } cases[] = {
        {FirmListUrl(Settings(), 3, 1), "/services/firm_list.aspx",
         "u=Quendo&" + p + "&device=3&type=1"},
        {FirmGetUrl(Settings(), 1, 2, "v1.xml"), "/services/firm_get.aspx",
         "u=Quendo&" + p + "&device=1&type=2&name=v1.xml"},
        {ConfigListUrl(Settings(), 2, 9), "/services/config_list.aspx",
         "u=Quendo&" + p + "&device=2&type=9"},
        {ConfigGetUrl(Settings(), 2, 4, "a.xml"), "/services/config_get.aspx",
         "u=Quendo&" + p + "&device=2&type=4&name=a.xml"},
        {ConfigUploadUrl(Settings(), "a.xml"), "/services/config_upload.aspx",
         "u=Quendo&" + p + "&name=a.xml"},
        {ConfigDelUrl(Settings(), 3, 7, "a.xml"), "/services/config_del.aspx",
         "u=Quendo&" + p + "&device=3&type=7&name=a.xml"},
        {EventLogUrl(Settings(), 2, "356000000000001"), "/services/event_log.aspx",
         "u=Quendo&" + p + "&t=2&imei=356000000000001"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.url.scheme(), "http");
        EXPECT_EQ(c.url.host(), "repo.example");
        EXPECT_EQ(c.url.port(), 8080);
        EXPECT_EQ(c.url.path(), QLatin1String(c.path));
        EXPECT_EQ(c.url.query(QUrl::FullyEncoded), c.query) << c.path;
    }
    RepoSettings plain = Settings();
    plain.address = "127.0.0.1";
    EXPECT_EQ(ConfigListUrl(plain, 1, 1).port(), -1);
}

TEST(RepoRequests, ValuesAreEncodedSoTheyCannotAddKeys) {
    RepoSettings s = Settings();
    s.user = "a b&c=d";
    QUrl url = ConfigGetUrl(s, 1, 1, QString::fromUtf8("x+y&name=z ż.xml"));
    QString encoded = url.toString(QUrl::FullyEncoded);
    EXPECT_TRUE(encoded.contains("u=a%20b%26c%3Dd")) << encoded.toStdString();
    EXPECT_TRUE(encoded.contains("name=x%2By%26name%3Dz%20%C5%BC.xml")) << encoded.toStdString();
    QUrlQuery query(url);
    EXPECT_EQ(query.allQueryItemValues("name").size(), 1);
    EXPECT_EQ(query.queryItemValue("u", QUrl::FullyDecoded), "a b&c=d");
}

TEST(RepoRequests, AnswerDocuments) {
    QList<RepoListEntry> list = ParseListDocument(
        "<vimko><config name=\"a.xml\"><description>one\r\ntwo</description></config>"
        "<firmware name=\"f.xml\"/><other name=\"x\"/></vimko>");
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].name, "a.xml");
    EXPECT_EQ(list[0].description, (QStringList{"one", "two"}));
    EXPECT_EQ(list[1].name, "f.xml");
    EXPECT_TRUE(ParseListDocument("<html/>").isEmpty());

    RepoResult ok = ParseResultDocument("<vimko><result errcode=\"0\" msg=\"ok\"/></vimko>");
    EXPECT_TRUE(ok.present);
    EXPECT_EQ(ok.errcode, 0);
    RepoResult failed = ParseResultDocument("<vimko><result errcode=\"12\" msg=\"full\"/></vimko>");
    EXPECT_EQ(failed.errcode, 12);
    EXPECT_EQ(failed.msg, "full");
    // An errcode that is not a number must not pass for success.
    EXPECT_NE(ParseResultDocument("<vimko><result msg=\"?\"/></vimko>").errcode, 0);
    EXPECT_FALSE(ParseResultDocument("<vimko/>").present);
    EXPECT_FALSE(ParseResultDocument("").present);

    EXPECT_EQ(WithXmlExtension("car.cfg"), "car.xml");
    EXPECT_EQ(WithXmlExtension("car"), "car.xml");
    EXPECT_EQ(WithXmlExtension("fleet.v2.txt"), "fleet.v2.xml");
}

TEST(AccessCode, OneUpperCaseHexCodePerDay) {
    QString today = AccessCodeFor(QDate(2026, 12, 9));
    EXPECT_EQ(today.size(), 32);
    for (QChar c : today) EXPECT_TRUE(c.isDigit() || (c >= 'A' && c <= 'F')) << today.toStdString();
    EXPECT_EQ(AccessCodeFor(QDate(2026, 12, 9)), today);
    EXPECT_NE(AccessCodeFor(QDate(2026, 12, 10)), today);
    EXPECT_NE(AccessCodeFor(QDate(2027, 12, 9)), today);
    // The derivation the operators' notes give (manager/README.md).
    EXPECT_EQ(today, "6C3E5D473E30773461A1063B9A02FCCA");
    EXPECT_EQ(Md5Hex("tavrel"), "7F4D825C457B5D687FE9C94540AEA5BB");
}

}  // namespace
