#pragma once
// The manager's parameter schema: for each configuration tab and device
// type, one ParamRow per value. The block layout (text and binary places,
// kind) comes from the shared parameter block tables that the server uses;
// the manager adds the list key, the default, the label and the bit editor.
//
// A parameter with several values (a PGN,SPN pair, a CAN row of nine) is one
// named row followed by unnamed continuation rows; in the list it is one row
// whose value holds all its values separated by commas.

#include <QList>
#include <QString>

struct ParamRow {
    QString name;  // list key; empty in continuation rows
    QString defaultValue;
    int labelId = 0;  // 0 in continuation rows
    int textOffset = 0, textLength = 0;
    int kind = 0;  // ParamKind: 0 text, 1 decimal number, 2 hexadecimal characters
    int binaryOffset = 0, binarySize = 0;
    int bitEditor = 0;  // 0 none, 1..7 a bit table of the "Binary parameter" editor
};

// The rows of `tab` for `deviceType`, in schema order.
const QList<ParamRow>& ParamSchemaFor(int tab, int deviceType);

// One list row of a tab: a named schema row and its continuation rows.
struct ParamEntry {
    QString key;
    int labelId = 0;
    int firstRow = 0;  // index in ParamSchemaFor
    int valueCount = 1;
    int bitEditor = 0;
};
QList<ParamEntry> ParamEntriesFor(int tab, int deviceType);

// Number of values of a tab's command: the schema rows.
inline int ValueCountFor(int tab, int deviceType) {
    return static_cast<int>(ParamSchemaFor(tab, deviceType).size());
}
