#pragma once
// The console's "list" answer as the manager uses it: the ten fields of a
// row, the protocol names, the two sort orders, which rows the device tree
// shows and the status-line text of a unit node. Pure functions of text.

#include <QList>
#include <QString>
#include <QStringList>

// The characters between the (n-1)-th and the n-th comma of `row`, fields
// numbered from 1; a missing field is empty.
QString FieldOf(const QString& row, int n);

// A decimal number, or 0 when `text` is not one.
int NumberOr0(const QString& text);

// One row of the "list" answer.
struct DeviceListEntry {
    QString description;  // 1
    QString imei;         // 2
    int state = 0;        // 3: 0..3; 1 and 3 logged in, 2 and 3 pending off-line configuration
    int protocol = 0;     // 4: one protocol bit
    QString ip;           // 5
    QString port;         // 6
    QString loginTime;    // 7
    QString loginDate;    // 8
    QString received;     // 9
    QString sent;         // 10

    static DeviceListEntry FromRow(const QString& row);
    bool loggedIn() const { return state == 1 || state == 3; }
};

// "Vimko-1 TCP" ... "Vimko-3 UDP" for the ten protocol bits, else "Unknown".
QString ProtocolName(int bit);

// Sorts the rows by description, or with `grouping` by the second word of
// the description followed by the first ("@" standing in for a missing
// second word); case-insensitive, equal keys by IMEI.
void SortDeviceList(QStringList& rows, bool grouping);

// Image numbers of the device tree's nodes.
enum TreeImage : int {
    kImageLocalRoot = 0,
    kImageRemoteRoot = 1,
    kImageSerialPort = 2,
    kImageUnit = 3,  // 3 + unit state: 3..6
    kImageEmpty = 7,
    kImageRefresh = 8,
    kImageGroup = 9,
};

struct TreeNode {
    QString text;
    int image = kImageEmpty;
    int row = -1;  // index in the device list for unit nodes
};

// The children of "Remote managnent" after a refresh: "Group of devices"
// when the list is not empty, one node per shown row (every row, or only
// logged-in ones with `onlyLogged`), "No remote devices" when no unit node
// was added.
QList<TreeNode> RemoteTreeChildren(const QStringList& rows, bool onlyLogged);

// The status-line text of a unit node: "Desc: ..., Imei: ..., Mode: ...".
QString UnitStatusText(const QString& row);
