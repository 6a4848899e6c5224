#pragma once
// The "Binary parameter" editor of the "General" rows that hold bit fields
// (MODE, MEASURE, AUTOSMS, DIN0CONF..DIN7CONF, MODE2, MODE3, MODE4). Each of
// the seven bit tables has 32 entries; a bit is offered only when it has a
// label and is available for the device type. Rebuilding a value starts from
// zero, so bits that are not offered come out cleared.

#include <QList>
#include <QString>
#include <QStringList>

// Whether bit `bit` of table `editor` (1..7) is offered for `deviceType`.
bool BitOffered(int editor, int deviceType, int bit);

struct OfferedBit {
    int bit = 0;
    QString label;
    bool set = false;
};

// The dialog's rows for a value, in bit order. `value` is read as a 64-bit
// integer; anything that is not a number reads as 0.
QList<OfferedBit> BitsForValue(int editor, int deviceType, const QString& value);

// The dialog rows as the list shows them: "label=0" or "label=1".
QStringList BitDialogRows(const QList<OfferedBit>& bits);

// The value after OK: from zero, each offered bit whose dialog value (in the
// order of BitsForValue) is not "0" set; a decimal number.
QString RebuildBitValue(int editor, int deviceType, const QStringList& dialogValues);
