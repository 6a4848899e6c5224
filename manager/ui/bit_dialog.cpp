#include "manager/ui/bit_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

BitDialog::BitDialog(int editor, int deviceType, const QString& value, QWidget* parent)
    : QDialog(parent), m_editor(editor), m_deviceType(deviceType), m_table(new QTableWidget(this)) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("Binary parameter"));
    QList<OfferedBit> bits = BitsForValue(editor, deviceType, value);
    m_table->setColumnCount(2);
    m_table->setRowCount(static_cast<int>(bits.size()));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int i = 0; i < bits.size(); ++i) {
        auto* label = new QTableWidgetItem(bits[i].label);
        m_table->setItem(i, 0, label);
        auto* pick = new QComboBox(m_table);
        pick->addItems({QStringLiteral("0"), QStringLiteral("1")});
        pick->setCurrentIndex(bits[i].set ? 1 : 0);
        m_table->setCellWidget(i, 1, pick);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(460, 520);
}

int BitDialog::rowCount() const {
    return m_table->rowCount();
}

void BitDialog::SetBit(int index, bool set) {
    if (auto* pick = qobject_cast<QComboBox*>(m_table->cellWidget(index, 1))) {
        pick->setCurrentIndex(set ? 1 : 0);
    }
}

QString BitDialog::Value() const {
    QStringList values;
    for (int i = 0; i < m_table->rowCount(); ++i) {
        auto* pick = qobject_cast<QComboBox*>(m_table->cellWidget(i, 1));
        values.append(pick ? pick->currentText() : QStringLiteral("0"));
    }
    return RebuildBitValue(m_editor, m_deviceType, values);
}

QString EditBits(int editor, int deviceType, const QString& value, QWidget* parent) {
    BitDialog dialog(editor, deviceType, value, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Value() : value;
}
