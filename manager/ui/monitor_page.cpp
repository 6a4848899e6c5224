#include "manager/ui/monitor_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "manager/ui/monitor_grid_delegate.h"

MonitorPage::MonitorPage(ManagerContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    BuildLayout();
    m_board.Reset(m_context.state.deviceType);
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

    connect(m_refresh, &QPushButton::clicked, this, &MonitorPage::OnRefresh);
    connect(m_automatic, &QCheckBox::toggled, this, &MonitorPage::OnAutomatic);
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
    m_board.Reset(m_context.state.deviceType);
    SyncStep();
    ShowBoard();
    if (m_context.state.localControlsOn) ApplyLocalControls(true);
}

// ---------------------------------------------------------------------------
// The grid shows the board row by row.

void MonitorPage::ShowBoard() {
    m_grid->setRowCount(m_board.RowCount());
    for (int row = 0; row < m_board.RowCount(); ++row) ShowRow(row);
}

void MonitorPage::ShowRow(int row) {
    for (int column = 0; column < 2; ++column) {
        const std::string& text = column == 0 ? m_board.Heading(row) : m_board.Value(row);
        QTableWidgetItem* cell = m_grid->item(row, column);
        if (cell == nullptr) {
            cell = new QTableWidgetItem;
            m_grid->setItem(row, column, cell);
        }
        cell->setText(QString::fromStdString(text));
    }
}

void MonitorPage::SyncStep() {
    m_context.state.monitorStep = m_board.MonitorStep();
}

// ---------------------------------------------------------------------------
// Poll cycle

void MonitorPage::TimerStep() {
    const MonitorBoard::Step step = m_board.PollStep();
    SyncStep();
    if (step.emptyRow >= 0) ShowRow(step.emptyRow);
    if (step.ended && m_context.state.monitorStep == 0) {
        m_refresh->setEnabled(m_context.state.localControlsOn);
    }
}

void MonitorPage::ShowAnswer(int item, const QString& text) {
    m_board.Fill(item, text.toStdString());
    if (item >= 0 && item < m_board.RowCount()) ShowRow(m_board.RowOf(item));
}

void MonitorPage::OnRefresh() {
    if (m_board.Start()) m_refresh->setEnabled(false);
    SyncStep();
}

void MonitorPage::OnAutomatic(bool checked) {
    m_board.SetAutomatic(checked);
    if (checked) OnRefresh();
}

void MonitorPage::OnMove(int direction) {
    const int row = m_grid->currentRow();
    if (!m_board.Move(row, direction)) return;
    ShowRow(row);
    ShowRow(row + direction);
    m_grid->selectRow(row + direction);
}
