#include "manager/ui/monitor_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "manager/logic/monitor_controller.h"
#include "manager/ui/monitor_grid_delegate.h"

MonitorPage::MonitorPage(ManagerContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    BuildLayout();
    if (MonitorController* monitor = m_context.monitor) {
        connect(monitor, &MonitorController::rowsChanged, this, &MonitorPage::ShowBoard);
        connect(monitor, &MonitorController::refreshStateChanged, this, &MonitorPage::ShowRefresh);
        connect(m_refresh, &QPushButton::clicked, monitor, &MonitorController::RefreshButton);
        connect(m_automatic, &QCheckBox::toggled, monitor, &MonitorController::SetAutomatic);
    }
    ShowBoard();
    ApplyLocalControls(false);
}

void MonitorPage::BuildLayout() {
    m_grid = new QTableWidget(0, 2, this);
    m_grid->setObjectName(QStringLiteral("monitorGrid"));
    m_grid->setItemDelegate(new MonitorGridDelegate(m_grid));
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    m_grid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_grid->setColumnWidth(0, kHeadingWidth);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);

    m_refresh = new QPushButton(QStringLiteral("&Refresh"), this);
    m_refresh->setObjectName(QStringLiteral("monitorRefresh"));
    m_automatic = new QCheckBox(QStringLiteral("&Automatic"), this);
    m_automatic->setObjectName(QStringLiteral("monitorAutomatic"));
    m_up = new QPushButton(QStringLiteral("Move &up"), this);
    m_up->setObjectName(QStringLiteral("monitorUp"));
    m_down = new QPushButton(QStringLiteral("Move &down"), this);
    m_down->setObjectName(QStringLiteral("monitorDown"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_refresh);
    buttons->addWidget(m_automatic);
    buttons->addStretch(1);
    buttons->addWidget(m_up);
    buttons->addWidget(m_down);
    auto* page = new QVBoxLayout(this);
    page->addWidget(m_grid, 1);
    page->addLayout(buttons);

    connect(m_up, &QPushButton::clicked, this, [this] { OnMove(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { OnMove(+1); });
}

// ---------------------------------------------------------------------------
// Control sets: the page belongs to the local view only.

void MonitorPage::ApplyLocalControls(bool on) {
    m_automatic->setEnabled(on);
    m_refresh->setEnabled(on && m_context.state.monitorStep == 0);
    m_up->setEnabled(on);
    m_down->setEnabled(on);
}

void MonitorPage::ApplyRemoteControls(bool) {}

void MonitorPage::ShowLocalView() {}

void MonitorPage::ShowRemoteView() {}

void MonitorPage::DeviceTypeChanged() {
    if (m_context.monitor) m_context.monitor->Reset(m_context.state.deviceType);
    ShowRefresh();
}

void MonitorPage::TimerStep() {
    if (m_context.monitor) m_context.monitor->PollStep();
}

// ---------------------------------------------------------------------------
// The grid shows the board row by row: the heading, and the value with its
// icon marker, which the delegate draws as the icon.

void MonitorPage::ShowBoard() {
    if (!m_context.monitor) return;
    const MonitorBoard& board = m_context.monitor->board();
    m_grid->setRowCount(board.RowCount());
    for (int row = 0; row < board.RowCount(); ++row) {
        for (int column = 0; column < 2; ++column) {
            const std::string& text = column == 0 ? board.Heading(row) : board.Value(row);
            QTableWidgetItem* cell = m_grid->item(row, column);
            if (cell == nullptr) {
                cell = new QTableWidgetItem;
                m_grid->setItem(row, column, cell);
            }
            cell->setText(QString::fromStdString(text));
        }
    }
}

void MonitorPage::ShowRefresh() {
    m_refresh->setEnabled(m_context.state.localControlsOn && m_context.state.monitorStep == 0);
}

void MonitorPage::OnMove(int direction) {
    if (!m_context.monitor) return;
    const int row = m_grid->currentRow();
    const int moved =
        direction < 0 ? m_context.monitor->MoveUp(row) : m_context.monitor->MoveDown(row);
    if (moved != row) m_grid->selectRow(moved);
}
