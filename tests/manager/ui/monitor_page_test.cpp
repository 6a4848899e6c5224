// The Monitoring page: the grid per generation, the poll cycle driven by
// "&Refresh", "&Automatic" and the timer, moving rows, the icon marker.

#include "manager/ui/monitor_page.h"

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QImage>
#include <QTableWidget>

#include "manager/ui/monitor_grid_delegate.h"
#include "tests/manager/ui/pages_fixture.h"

namespace {

QString Cell(PagesFixture& m, int row, int column) {
    QTableWidgetItem* item = m.monitor.grid()->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
}

TEST(MonitorPage, GridLayoutPerGeneration) {
    struct Layout {
        int type;
        int rows;
        QString row14, row16, last;
    };
    const Layout layouts[] = {
        {kVimko1, 17, "Data from compass:", "Additional MEMS data:", "Additional MEMS data:"},
        {kVimko2, 17, "Data from MEMS:", "Additional MEMS data:", "Additional MEMS data:"},
        {kVimko3, 23, "Data from MEMS:", "Data from RFID:", "CAN extra:"},
    };
    PagesFixture m;
    QTableWidget* grid = m.monitor.grid();
    EXPECT_EQ(grid->columnCount(), 2);
    EXPECT_EQ(grid->columnWidth(0), 150);
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.type);
        m.SetDeviceType(l.type);
        ASSERT_EQ(grid->rowCount(), l.rows);
        EXPECT_EQ(Cell(m, 0, 0), "Module information:");
        EXPECT_EQ(Cell(m, 4, 0), "Impulse imputs:");
        EXPECT_EQ(Cell(m, 13, 0), "Server time:");
        EXPECT_EQ(Cell(m, 14, 0), l.row14);
        EXPECT_EQ(Cell(m, 16, 0), l.row16);
        EXPECT_EQ(Cell(m, l.rows - 1, 0), l.last);
        for (int row = 0; row < l.rows; ++row) {
            EXPECT_EQ(grid->rowHeight(row), 48);
            EXPECT_EQ(Cell(m, row, 1), "");
        }
    }
}

// "&Refresh" starts one cycle and comes back when it ends. (The link is
// taken as open with nothing on the cable: the unit stays silent.)
TEST(MonitorPage, RefreshRunsOneCycleOfASilentUnit) {
    PagesFixture m;
    m.SetDeviceType(kVimko2);
    m.LocalControls(true);
    m.state.localLinkOpen = true;
    QAbstractButton* refresh = Control(m.monitor, "monitorRefresh");
    refresh->click();
    EXPECT_FALSE(refresh->isEnabled());
    EXPECT_EQ(m.state.monitorStep, 1);
    int steps = 0;
    while (m.state.monitorStep != 0 && steps < 100) {
        m.monitor.TimerStep();
        ++steps;
    }
    EXPECT_EQ(steps, 18);  // 17 requests and the closing step
    EXPECT_TRUE(refresh->isEnabled());
    for (int row = 0; row < 17; ++row) EXPECT_EQ(Cell(m, row, 1), "");
}

TEST(MonitorPage, AutomaticRestartsTheCycleUntilUnchecked) {
    PagesFixture m;
    m.SetDeviceType(kVimko3);
    m.LocalControls(true);
    m.state.localLinkOpen = true;
    QAbstractButton* refresh = Control(m.monitor, "monitorRefresh");
    QAbstractButton* automatic = Control(m.monitor, "monitorAutomatic");
    automatic->click();
    EXPECT_TRUE(automatic->isChecked());
    EXPECT_FALSE(refresh->isEnabled());
    EXPECT_EQ(m.state.monitorStep, 1);
    for (int i = 0; i < 24; ++i) m.monitor.TimerStep();  // 23 requests and the end
    EXPECT_EQ(m.state.monitorStep, 1);
    EXPECT_FALSE(refresh->isEnabled());
    m.monitor.TimerStep();
    automatic->click();
    EXPECT_FALSE(automatic->isChecked());
    EXPECT_EQ(m.state.monitorStep, 2);  // the running cycle is finished
    for (int i = 0; i < 23; ++i) m.monitor.TimerStep();
    EXPECT_EQ(m.state.monitorStep, 0);
    EXPECT_TRUE(refresh->isEnabled());
}

// Moving a row moves its heading, and the item's later answers land in the
// row it was moved to (rowOf).
TEST(MonitorPage, MovedRowsTakeTheirLaterAnswers) {
    PagesFixture m;
    m.SetDeviceType(kVimko3);
    m.LocalControls(true);
    QTableWidget* grid = m.monitor.grid();
    grid->selectRow(1);
    Control(m.monitor, "monitorUp")->click();
    EXPECT_EQ(Cell(m, 0, 0), "GPS Data:");
    EXPECT_EQ(Cell(m, 1, 0), "Module information:");
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(m.monitorController.board().RowOf(1), 0);
    EXPECT_EQ(m.monitorController.board().RowOf(0), 1);
    Control(m.monitor, "monitorUp")->click();  // already at the top
    EXPECT_EQ(Cell(m, 0, 0), "GPS Data:");

    grid->selectRow(22);
    Control(m.monitor, "monitorDown")->click();  // already at the bottom
    EXPECT_EQ(Cell(m, 22, 0), "CAN extra:");
    Control(m.monitor, "monitorUp")->click();
    EXPECT_EQ(Cell(m, 21, 0), "CAN extra:");
    EXPECT_EQ(Cell(m, 22, 0), "MDAS20:");

    // Each generation keeps its own order.
    m.SetDeviceType(kVimko2);
    EXPECT_EQ(Cell(m, 0, 0), "Module information:");
    m.SetDeviceType(kVimko3);
    EXPECT_EQ(Cell(m, 0, 0), "GPS Data:");
    EXPECT_EQ(Cell(m, 21, 0), "CAN extra:");
}

TEST(MonitorGridDelegate, IconMarkerIsSplitOffTheText) {
    struct Split {
        QString value, text;
        int icon;
    };
    const Split splits[] = {
        {"Sig:20\nNework:1\nIcon=0", "Sig:20\nNework:1", 0},
        {"Alarmcode:8\nIcon=2", "Alarmcode:8", 2},
        {"\nIcon=1", "", 1},
        {"Val0:1\nIcon=3", "Val0:1\nIcon=3", -1},  // no such icon
        {"Val0:1 Icon=1", "Val0:1 Icon=1", -1},    // not on a line of its own
        {"Icon=1", "Icon=1", -1},
        {"Time:12", "Time:12", -1},
        {"", "", -1},
    };
    for (const Split& s : splits) {
        MonitorCell cell = SplitMonitorCell(s.value);
        EXPECT_EQ(cell.text, s.text) << s.value.toStdString();
        EXPECT_EQ(cell.icon, s.icon) << s.value.toStdString();
    }
}

// The delegate draws the icon picked by the marker at the cell's left and
// the text without the marker.
TEST(MonitorGridDelegate, IconIsDrawnAndTheMarkerIsNot) {
    struct Probe : MonitorGridDelegate {
        using MonitorGridDelegate::initStyleOption;
    };
    PagesFixture m;
    m.SetDeviceType(kVimko3);
    m.LocalControls(true);
    QTableWidget* grid = m.monitor.grid();
    auto show = [&](int row, const QString& value) { grid->item(row, 1)->setText(value); };
    show(0, "Imei:354330031234567 Ccid:8948\nVer:396 Stat:1\nIcon=0");
    show(1, "Fixstat:0 Satuse:0\nIcon=2");
    show(2, "Rawdin:00000000");
    m.monitor.show();

    Probe probe;
    for (int row : {0, 1, 2}) {
        QStyleOptionViewItem option;
        probe.initStyleOption(&option, grid->model()->index(row, 1));
        EXPECT_FALSE(option.text.contains("Icon=")) << row;
        EXPECT_EQ(option.features.testFlag(QStyleOptionViewItem::HasDecoration), row != 2);
    }

    const QImage image = grid->viewport()->grab().toImage();
    auto iconPixels = [&](int row, int icon) {
        const QRect cell = grid->visualRect(grid->model()->index(row, 1));
        const QColor want = MonitorGridDelegate::IconColor(icon);
        int found = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x < cell.left() + 2 * MonitorGridDelegate::kIconSize; ++x) {
                if (image.pixelColor(x * image.width() / grid->viewport()->width(),
                                     y * image.height() / grid->viewport()->height()) == want) {
                    ++found;
                }
            }
        }
        return found;
    };
    EXPECT_GT(iconPixels(0, 0), 20);
    EXPECT_EQ(iconPixels(0, 2), 0);
    EXPECT_GT(iconPixels(1, 2), 20);
    EXPECT_EQ(iconPixels(2, 0) + iconPixels(2, 1) + iconPixels(2, 2), 0);
}

}  // namespace
