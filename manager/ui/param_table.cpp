#include "manager/ui/param_table.h"

#include <QHash>
#include <QHeaderView>
#include <QToolButton>

#include "manager/logic/manager_state.h"
#include "manager/logic/param_schema.h"
#include "manager/ui/bit_dialog.h"

namespace {
constexpr int kKeyColumn = 0;
constexpr int kValueColumn = 1;
constexpr int kBitColumn = 2;
}  // namespace

ParamTable::ParamTable(ParamList& list, int tab, QWidget* parent)
    : QTableWidget(parent), m_list(list), m_tab(tab) {
    setColumnCount(3);
    setHorizontalHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value"), QString()});
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionResizeMode(kKeyColumn, QHeaderView::Interactive);
    horizontalHeader()->setSectionResizeMode(kValueColumn, QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(kBitColumn, QHeaderView::Fixed);
    setColumnWidth(kKeyColumn, 300);
    setColumnWidth(kBitColumn, 26);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTableWidget::itemChanged, this, &ParamTable::OnItemChanged);
}

void ParamTable::Reload(int deviceType) {
    m_deviceType = deviceType;
    m_loading = true;
    QHash<QString, int> bitEditors;
    if (m_tab == kTabGeneral) {
        for (const ParamEntry& e : ParamEntriesFor(m_tab, deviceType)) {
            if (e.bitEditor) bitEditors.insert(e.key, e.bitEditor);
        }
    }
    clearContents();
    setRowCount(static_cast<int>(m_list.rows.size()));
    for (int r = 0; r < m_list.rows.size(); ++r) {
        const ListRow& row = m_list.rows[r];
        auto* key = new QTableWidgetItem(DisplayKey(m_tab, deviceType, row.key));
        key->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        key->setBackground(palette().button());
        setItem(r, kKeyColumn, key);
        setItem(r, kValueColumn, new QTableWidgetItem(row.value));
        if (int editor = bitEditors.value(row.key)) {
            auto* button = new QToolButton(this);
            button->setText(QStringLiteral("..."));
            connect(button, &QToolButton::clicked, this, [this, r] { EditRowBits(r); });
            setCellWidget(r, kBitColumn, button);
            button->setProperty("bitEditor", editor);
        }
    }
    m_loading = false;
}

QWidget* ParamTable::bitButton(int row) const {
    return cellWidget(row, kBitColumn);
}

void ParamTable::OnItemChanged(QTableWidgetItem* item) {
    if (m_loading || item->column() != kValueColumn) return;
    if (item->row() < m_list.rows.size()) m_list.rows[item->row()].value = item->text();
}

void ParamTable::EditRowBits(int row) {
    QWidget* button = bitButton(row);
    if (!button || row >= m_list.rows.size()) return;
    int editor = button->property("bitEditor").toInt();
    QString value = EditBits(editor, m_deviceType, m_list.rows[row].value, this);
    m_list.rows[row].value = value;
    item(row, kValueColumn)->setText(value);
}
