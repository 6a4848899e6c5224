#pragma once
// "Binary parameter" (TForm2): one row per bit that the device type offers
// for a "General" bit-field value, each with the pick list "0"/"1".

#include <QDialog>
#include <QList>
#include <QString>

#include "manager/logic/bit_tables.h"

class QTableWidget;

class BitDialog : public QDialog {
  public:
    BitDialog(int editor, int deviceType, const QString& value, QWidget* parent = nullptr);
    // The value the dialog's rows give: bits not offered come out cleared.
    QString Value() const;
    // Sets row `index` (in the order of BitsForValue) to "0" or "1".
    void SetBit(int index, bool set);
    int rowCount() const;

  private:
    int m_editor;
    int m_deviceType;
    QTableWidget* m_table;
};

// Opens the dialog for `value`; the new value after OK, `value` unchanged
// after Cancel.
QString EditBits(int editor, int deviceType, const QString& value, QWidget* parent);
