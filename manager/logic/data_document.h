#pragma once
// The "Long DALLAS list" data a unit takes after its firmware: the data XML
// document, the ".bin" rule, the data type check and the cutting into
// 256-byte blocks. Pure. The parsed data (type, closing value, bytes) is
// what both uploads take: the remote one through the console ("wrfirmex")
// and the local one over the serial link.
//
//   <vimko>
//     <data type="2" crcc="12">
//       <text>characters taken as bytes</text>
//       <binary>0A1B2C</binary>           two hexadecimal digits per byte
//     </data>
//   </vimko>
//
// "text" and "binary" pieces are concatenated in document order.

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <optional>

inline constexpr int kDataBlockSize = 256;
inline constexpr int kDataEntrySize = 16;  // one entry of a ".bin" list

struct DataUpload {
    int type = 0;          // 1..3; closes the upload with command 66 + type / flag 2 × type + 1
    uint32_t closing = 0;  // the closing value the unit checks the data against
    QByteArray bytes;
};

// A data XML document: type and closing value from the first "data"
// element's "type" and "crcc" (decimal numbers), its pieces as the bytes.
// Nothing when it is not one, a number is missing or not a number, or there
// are no bytes; the type is not checked here.
std::optional<DataUpload> ParseDataDocument(const QByteArray& document);

// A ".bin" list: type 2, closing value the number of 16-byte entries.
// Nothing when it is empty or its size is not a multiple of 16.
std::optional<DataUpload> DataFromBin(const QByteArray& bytes);

// The data type check of both uploads: 1 to 3.
bool DataTypeFits(int type);

// The bytes cut into (size - 1) / 256 + 1 blocks of 256 (the last one may
// be shorter); no block for no bytes.
QList<QByteArray> DataBlocks(const QByteArray& bytes);
