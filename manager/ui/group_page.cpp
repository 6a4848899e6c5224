#include "manager/ui/group_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "manager/logic/device_list.h"

namespace {
constexpr int kStatusColumn = 3;
}

GroupPage::GroupPage(ManagerContext& context, QWidget* parent)
    : QWidget(parent),
      m_context(context),
      m_grid(new QTableWidget(RemoteConfig::kGroupRows, 4, this)),
      m_add(new QPushButton(QStringLiteral("&Add"), this)) {
    setObjectName(QStringLiteral("groupPage"));
    m_grid->setObjectName(QStringLiteral("groupGrid"));
    m_add->setObjectName(QStringLiteral("groupAdd"));
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_add->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_add);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    layout->addLayout(buttons);
    WriteTitles();
    Reload();
    connect(m_grid, &QTableWidget::cellChanged, this, &GroupPage::OnCellChanged);
    connect(m_add, &QPushButton::clicked, this, [this] { AddUnit(selectedRow); });
    connect(&m_context.remote, &RemoteConfig::groupChanged, this, &GroupPage::Reload);
}

void GroupPage::WriteTitles() {
    m_grid->setHorizontalHeaderLabels({QStringLiteral("Description"), QStringLiteral("Imei"),
                                       QStringLiteral("Mode"), QStringLiteral("Status")});
}

void GroupPage::Reload() {
    m_loading = true;
    QList<GroupRow>& group = m_context.remote.group;
    for (int r = 0; r < RemoteConfig::kGroupRows; ++r) {
        GroupRow row = group.value(r);
        const QString cells[4] = {row.description, row.imei, row.mode, row.status};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == kStatusColumn) item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            m_grid->setItem(r, c, item);
        }
    }
    m_loading = false;
}

void GroupPage::OnCellChanged(int row, int column) {
    if (m_loading) return;
    QList<GroupRow>& group = m_context.remote.group;
    while (group.size() <= row) group.append(GroupRow{});
    QString text = m_grid->item(row, column)->text().trimmed();
    switch (column) {
        case 0:
            group[row].description = text;
            break;
        case 1:
            group[row].imei = text;
            break;
        case 2:
            group[row].mode = text;
            break;
        default:
            break;
    }
}

bool GroupPage::AddUnit(int row) {
    if (row < 0 || row >= m_context.state.deviceList.size()) return false;
    DeviceListEntry unit = DeviceListEntry::FromRow(m_context.state.deviceList[row]);
    QList<GroupRow>& group = m_context.remote.group;
    int free = -1;
    for (int r = 0; r < RemoteConfig::kGroupRows; ++r) {
        GroupRow cell = group.value(r);
        if (cell.imei == unit.imei) return false;
        if (cell.imei.isEmpty() && free < 0) free = r;
    }
    if (free < 0) return false;
    while (group.size() <= free) group.append(GroupRow{});
    group[free] = GroupRow{unit.description, unit.imei, ProtocolName(unit.protocol), QString()};
    Reload();
    return true;
}
