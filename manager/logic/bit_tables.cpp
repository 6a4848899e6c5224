#include "manager/logic/bit_tables.h"

#include "manager/logic/manager_state.h"
#include "manager/logic/param_labels.h"

namespace {

// Availability flags: one bit per device type.
constexpr int kOn1 = 1, kOn2 = 2, kOn3 = 4;
constexpr int kAll = kOn1 | kOn2 | kOn3;

// Device types for which a labelled bit is offered; all three unless listed.
int Availability(int editor, int bit) {
    switch (editor) {
        case 2:  // MEASURE
            if (bit == 13 || bit == 14) return kOn1 | kOn3;
            if (bit == 15) return kOn1 | kOn2;
            if (bit == 16 || bit == 17) return kOn2 | kOn3;
            return kAll;
        case 5:  // MODE2
            if (bit == 14 || bit == 16 || bit == 17 || bit >= 19) return kOn2 | kOn3;
            return kAll;
        case 6:  // MODE3
        case 7:  // MODE4
            return kOn3;
        default:
            return kAll;
    }
}

}  // namespace

bool BitOffered(int editor, int deviceType, int bit) {
    if (editor < 1 || editor > 7 || bit < 0 || bit > 31) return false;
    if (deviceType < 0 || deviceType >= kDeviceTypeCount) return false;
    if (LabelText(BitLabelId(editor, bit)).isEmpty()) return false;
    return (Availability(editor, bit) & (1 << deviceType)) != 0;
}

QList<OfferedBit> BitsForValue(int editor, int deviceType, const QString& value) {
    bool ok = false;
    qulonglong number = value.trimmed().toULongLong(&ok);
    if (!ok) {
        qlonglong negative = value.trimmed().toLongLong(&ok);
        number = ok ? static_cast<qulonglong>(negative) : 0;
    }
    QList<OfferedBit> bits;
    for (int bit = 0; bit < 32; ++bit) {
        if (!BitOffered(editor, deviceType, bit)) continue;
        bits.append({bit, LabelText(BitLabelId(editor, bit)), ((number >> bit) & 1u) != 0});
    }
    return bits;
}

QStringList BitDialogRows(const QList<OfferedBit>& bits) {
    QStringList rows;
    for (const OfferedBit& b : bits) rows.append(b.label + (b.set ? "=1" : "=0"));
    return rows;
}

QString RebuildBitValue(int editor, int deviceType, const QStringList& dialogValues) {
    qulonglong value = 0;
    int index = 0;
    for (int bit = 0; bit < 32; ++bit) {
        if (!BitOffered(editor, deviceType, bit)) continue;
        if (index < dialogValues.size() && dialogValues[index] != QLatin1String("0")) {
            value |= qulonglong{1} << bit;
        }
        ++index;
    }
    return QString::number(value);
}
