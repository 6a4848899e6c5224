#include "manager/logic/device_list.h"

#include <algorithm>

QString FieldOf(const QString& row, int n) {
    if (n < 1) return QString();
    qsizetype start = 0;
    for (int i = 1; i < n; ++i) {
        qsizetype comma = row.indexOf(QLatin1Char(','), start);
        if (comma < 0) return QString();
        start = comma + 1;
    }
    qsizetype end = row.indexOf(QLatin1Char(','), start);
    return end < 0 ? row.mid(start) : row.mid(start, end - start);
}

int NumberOr0(const QString& text) {
    bool ok = false;
    int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

DeviceListEntry DeviceListEntry::FromRow(const QString& row) {
    DeviceListEntry e;
    e.description = FieldOf(row, 1);
    e.imei = FieldOf(row, 2);
    e.state = NumberOr0(FieldOf(row, 3));
    e.protocol = NumberOr0(FieldOf(row, 4));
    e.ip = FieldOf(row, 5);
    e.port = FieldOf(row, 6);
    e.loginTime = FieldOf(row, 7);
    e.loginDate = FieldOf(row, 8);
    e.received = FieldOf(row, 9);
    e.sent = FieldOf(row, 10);
    return e;
}

QString ProtocolName(int bit) {
    switch (bit) {
        case 1:
            return QStringLiteral("Vimko-1 TCP");
        case 2:
            return QStringLiteral("Vimko-1 UDP");
        case 4:
            return QStringLiteral("Vimko-2 TCP");
        case 8:
            return QStringLiteral("Vimko-2 UDP");
        case 16:
            return QStringLiteral("PicoVimko TCP");
        case 32:
            return QStringLiteral("PicoVimko UDP");
        case 64:
            return QStringLiteral("Orvan TCP");
        case 128:
            return QStringLiteral("Pelu TCP");
        case 256:
            return QStringLiteral("Vimko-3 TCP");
        case 512:
            return QStringLiteral("Vimko-3 UDP");
        default:
            return QStringLiteral("Unknown");
    }
}

namespace {

QString SortKey(const QString& row, bool grouping) {
    QString description = FieldOf(row, 1);
    if (!grouping) return description;
    QStringList words = description.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString first = words.value(0);
    QString second = words.size() > 1 ? words[1] : QStringLiteral("@");
    return second + first;
}

}  // namespace

void SortDeviceList(QStringList& rows, bool grouping) {
    std::stable_sort(rows.begin(), rows.end(), [grouping](const QString& a, const QString& b) {
        int c = QString::compare(SortKey(a, grouping), SortKey(b, grouping), Qt::CaseInsensitive);
        if (c != 0) return c < 0;
        return QString::compare(FieldOf(a, 2), FieldOf(b, 2), Qt::CaseInsensitive) < 0;
    });
}

QList<TreeNode> RemoteTreeChildren(const QStringList& rows, bool onlyLogged) {
    QList<TreeNode> nodes;
    if (!rows.isEmpty()) nodes.append({QStringLiteral("Group of devices"), kImageGroup, -1});
    bool unitAdded = false;
    for (int i = 0; i < rows.size(); ++i) {
        DeviceListEntry e = DeviceListEntry::FromRow(rows[i]);
        if (onlyLogged && !e.loggedIn()) continue;
        nodes.append({e.description + QStringLiteral(" (") + e.imei + QStringLiteral(")"),
                      kImageUnit + std::clamp(e.state, 0, 3), i});
        unitAdded = true;
    }
    if (!unitAdded) nodes.append({QStringLiteral("No remote devices"), kImageEmpty, -1});
    return nodes;
}

QString UnitStatusText(const QString& row) {
    DeviceListEntry e = DeviceListEntry::FromRow(row);
    return QStringLiteral("Desc: ") + e.description + QStringLiteral(", Imei: ") + e.imei +
           QStringLiteral(", Mode: ") + ProtocolName(e.protocol) + QStringLiteral(", IP: ") + e.ip +
           QStringLiteral(", Port: ") + e.port + QStringLiteral(", Login: ") + e.loginTime +
           QStringLiteral(" ") + e.loginDate + QStringLiteral(", R: ") + e.received +
           QStringLiteral(", S: ") + e.sent;
}
