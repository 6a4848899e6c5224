#pragma once
// The firmware XML document, as the repository serves it and as files hold
// it. Pure: document bytes in, the image taken out.
//
//   <vimko>
//     <firmware device="3" type="1" cpu="3" release="2026-11-02" ver="4.17">
//       <record>0A1B2C...</record>        two hexadecimal digits per byte
//       <description>text</description>
//     </firmware>
//   </vimko>
//
// device is DeviceType + 1, type the firmware kind + 1, cpu 1, 2 or 3.

#include <QByteArray>
#include <optional>

#include "manager/logic/firmware_image.h"

// Takes the first "firmware" element of `deviceType` and `kind`: its records
// concatenated (padded with 0xFF unless Korvalen), the kind bit and the CPU
// bit of its "cpu", and the pane: "Version: <ver> Date: <release>" in bold,
// then each description. Nothing when no element fits, when it has no
// record, or when it cannot be a sound image: an unknown "cpu", a record
// that is not whole hexadecimal pairs, or more bytes than the padded size
// (for Korvalen: than the server's upload buffer).
std::optional<FirmwareTaken> TakeFirmwareDocument(const QByteArray& document, int deviceType,
                                                  int kind);

// "0A1b 2C" -> the bytes; whitespace between pairs is allowed. Nothing when
// a character is not hexadecimal or a digit is left over.
std::optional<QByteArray> HexPairs(const QString& text);
