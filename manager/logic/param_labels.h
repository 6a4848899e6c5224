#pragma once
// The manager's string table of parameter and bit labels, addressed by
// number. The numbers are stable: the schema and the bit tables refer to
// them, and translations would replace the texts under the same numbers.
//
//   1001-1037  "General" rows, in schema order
//   1100       "Configuration number"        1101-1132  "Parameter 1" to "Parameter 32"
//   1140       "Protocol Type"               1141-1143  "Bus speed 1" to "Bus speed 3"
//   1150       "Additional configuration"
//   1200-1209  "Status text 1" to 10         1220-1225  "Driver status text 1" to 6
//   1300-1329  "Offset in the data k", "Minimum value k", "Maximum value k", k = 1..10
//   1400-1415  "Authorization Tag Mask 1" to 16
//   1500-1559  "DALLAS Authorization Tag Number 1" to 60
//   1600-1659  "GPRS Network Operator Code 1" to 60
//   2000-2223  bit labels: 2000 + 32 × (bit editor - 1) + bit
//   3000-3003, 3022-3036  "Calibration" rows, in schema order

#include <QString>

// The text of label `id`; empty for a number without a text.
QString LabelText(int id);

inline constexpr int kBitLabelBase = 2000;
inline int BitLabelId(int editor, int bit) {
    return kBitLabelBase + 32 * (editor - 1) + bit;
}
