// Rows of the console's "list" answer: fields, protocol names, the two sort
// orders, the tree's remote children and a unit node's status text.

#include "manager/logic/device_list.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

namespace {

const QString kRow = "Truck 12,356000000000001,1,256,10.0.0.5,40001,12:30:00,2026-12-09,1500,320";

TEST(DeviceList, FieldOfCountsCommasFromOne) {
    const struct {
        QString row;
        int n;
        QString field;
    } cases[] = {
        {kRow, 1, "Truck 12"}, {kRow, 2, "356000000000001"},
        {kRow, 10, "320"},     {kRow, 11, ""},
        {"a,,c", 2, ""},       {"a,,c", 3, "c"},
        {"", 1, ""},           {"abc", 2, ""},
        {"abc", 0, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FieldOf(c.row, c.n), c.field) << c.n;
    DeviceListEntry e = DeviceListEntry::FromRow("x,1,three,bits");
    EXPECT_EQ(e.state, 0);
    EXPECT_EQ(e.protocol, 0);
    EXPECT_EQ(e.ip, "");
}

TEST(DeviceList, ProtocolNames) {
    const struct {
        int bit;
        const char* name;
    } cases[] = {{1, "Vimko-1 TCP"},   {2, "Vimko-1 UDP"},    {4, "Vimko-2 TCP"},
                 {8, "Vimko-2 UDP"},   {16, "PicoVimko TCP"}, {32, "PicoVimko UDP"},
                 {64, "Orvan TCP"},    {128, "Pelu TCP"},     {256, "Vimko-3 TCP"},
                 {512, "Vimko-3 UDP"}, {3, "Unknown"},        {0, "Unknown"},
                 {1024, "Unknown"}};
    for (const auto& c : cases) EXPECT_EQ(ProtocolName(c.bit), QLatin1String(c.name)) << c.bit;
}

TEST(DeviceList, SortByDescriptionOrByGroupWordThenFirstWord) {
    const QStringList rows = {
        "van B,5,1,1", "Car a,4,1,1", "truck a,3,1,1", "Solo,2,1,1", "car a,1,1,1",
    };
    QStringList byDescription = rows;
    SortDeviceList(byDescription, false);
    EXPECT_EQ(byDescription, (QStringList{"car a,1,1,1", "Car a,4,1,1", "Solo,2,1,1",
                                          "truck a,3,1,1", "van B,5,1,1"}));
    // Grouping: "@Solo" ahead of the two-word descriptions; "acar" ties go by IMEI.
    QStringList grouped = rows;
    SortDeviceList(grouped, true);
    EXPECT_EQ(grouped, (QStringList{"Solo,2,1,1", "car a,1,1,1", "Car a,4,1,1", "truck a,3,1,1",
                                    "van B,5,1,1"}));
}

TEST(DeviceList, RemoteChildrenShowLoggedUnitsOrAll) {
    const QStringList rows = {"A,1,0,1", "B,2,1,1", "C,3,2,4", "D,4,3,256"};
    QList<TreeNode> logged = RemoteTreeChildren(rows, true);
    ASSERT_EQ(logged.size(), 3);
    EXPECT_EQ(logged[0].text, "Group of devices");
    EXPECT_EQ(logged[0].image, kImageGroup);
    EXPECT_EQ(logged[1].text, "B (2)");
    EXPECT_EQ(logged[1].image, 4);
    EXPECT_EQ(logged[1].row, 1);
    EXPECT_EQ(logged[2].text, "D (4)");
    EXPECT_EQ(logged[2].image, 6);

    QList<TreeNode> all = RemoteTreeChildren(rows, false);
    ASSERT_EQ(all.size(), 5);
    EXPECT_EQ(all[1].image, 3);
    EXPECT_EQ(all[3].image, 5);

    // Only units that are not logged in: the group node, then the empty marker.
    QList<TreeNode> none = RemoteTreeChildren({"A,1,0,1", "C,3,2,4"}, true);
    ASSERT_EQ(none.size(), 2);
    EXPECT_EQ(none[0].image, kImageGroup);
    EXPECT_EQ(none[1].text, "No remote devices");
    EXPECT_EQ(none[1].image, kImageEmpty);
    QList<TreeNode> empty = RemoteTreeChildren({}, false);
    ASSERT_EQ(empty.size(), 1);
    EXPECT_EQ(empty[0].text, "No remote devices");
}

TEST(DeviceList, UnitStatusText) {
    EXPECT_EQ(UnitStatusText(kRow),
              "Desc: Truck 12, Imei: 356000000000001, Mode: Vimko-3 TCP, IP: 10.0.0.5, "
              "Port: 40001, Login: 12:30:00 2026-12-09, R: 1500, S: 320");
    EXPECT_EQ(UnitStatusText("X,9,1,3"),
              "Desc: X, Imei: 9, Mode: Unknown, IP: , Port: , Login:  , R: , S: ");
}

}  // namespace
