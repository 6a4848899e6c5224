#include "common/param_blocks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

struct SchemaCase {
    ParamBlock block;
    const char* label;
    size_t rows;
    int textRows;
    int binaryLength;
    const char* first;
    const char* last;
};

const SchemaCase kSchemaCases[] = {
    {ParamBlock::kGeneral, "general", 37, 29, 212, "MYID", "MODE4"},
    {ParamBlock::kCalibration, "calibration", 19, 0, 68, "VMIN", "SPN250LEN"},
    {ParamBlock::kPico, "pico", 17, 17, 0, "MYID", "GPRSTIME"},
    {ParamBlock::kFms, "fms", 65, 41, 98, "FMSID", "SPN31"},
    {ParamBlock::kCan, "can", 149, 95, 216, "CANID", "I"},
    {ParamBlock::kCan2, "can2", 145, 0, 212, "ENABLE", "I"},
    {ParamBlock::kCanEvent, "can events", 30, 15, 92, "OFFSET0", "MAXVAL9"},
    {ParamBlock::kMask, "masks", 16, 16, 0, "MASK00", "MASK15"},
    {ParamBlock::kStatus, "statuses", 16, 10, 363, "STATUS0", "STATDRV5"},
    {ParamBlock::kNetwork, "networks", 60, 25, 244, "NETWORK00", "NETWORK59"},
    {ParamBlock::kDallas, "keys", 60, 0, 481, "DALLAS00", "DALLAS59"},
};

TEST(ParamBlocks, EveryTableHasItsRowCountLayoutSizesAndEnds) {
    for (const SchemaCase& c : kSchemaCases) {
        SCOPED_TRACE(c.label);
        const ParamSchema& schema = ParamSchemaOf(c.block);
        ASSERT_EQ(schema.rows.size(), c.rows);
        EXPECT_EQ(schema.textRows, c.textRows);
        EXPECT_EQ(schema.binaryLength, c.binaryLength);
        EXPECT_STREQ(schema.rows.front().name, c.first);
        EXPECT_STREQ(schema.rows.back().name, c.last);
    }
}

// Row `index` of a table with every number as the unit's layouts give it.
struct RowCase {
    ParamBlock block;
    int index;
    ParamDescriptor row;
};

const RowCase kRowCases[] = {
    {ParamBlock::kGeneral, 5, {"IP", 84, 15, kParamText, 90, 15}},
    {ParamBlock::kGeneral, 6, {"PORT", 99, 5, kParamNumber, 106, 2}},
    {ParamBlock::kGeneral, 12, {"AUTHPIN", 138, 4, kParamText, 134, 4}},
    {ParamBlock::kGeneral, 20, {"DIN3CONF", 197, 5, kParamNumber, 166, 2}},
    {ParamBlock::kGeneral, 24, {"DIN7CONF", 217, 5, kParamNumber, 174, 2}},
    {ParamBlock::kGeneral, 26, {"MINTIME2", 238, 5, kParamNumber, 110, 2}},
    {ParamBlock::kGeneral, 28, {"GPRSTIME", 253, 3, kParamNumber, 193, 1}},
    {ParamBlock::kGeneral, 29, {"MODE3", 0, 0, kParamNumber, 196, 4}},
    {ParamBlock::kGeneral, 35, {"DETCORNER", 0, 0, kParamNumber, 207, 1}},
    {ParamBlock::kCalibration, 4, {"ACCX", 0, 0, kParamNumber, 44, 2}},
    {ParamBlock::kCalibration, 13, {"SPN84OFF", 0, 0, kParamNumber, 62, 1}},
    {ParamBlock::kPico, 9, {"SMSNO", 114, 16, kParamText, 0, 0}},
    {ParamBlock::kPico, 14, {"MAXDIST", 164, 5, kParamText, 0, 0}},
    {ParamBlock::kFms, 1, {"PGN00", 3, 5, kParamNumber, 2, 2}},
    {ParamBlock::kFms, 2, {"SPN00", 8, 3, kParamNumber, 66, 1}},
    {ParamBlock::kFms, 39, {"PGN19", 155, 5, kParamNumber, 40, 2}},
    {ParamBlock::kFms, 40, {"SPN19", 160, 3, kParamNumber, 85, 1}},
    {ParamBlock::kFms, 41, {"PGN20", 0, 0, kParamNumber, 42, 2}},
    {ParamBlock::kCan, 2, {"CANA", 4, 3, kParamNumber, 3, 1}},
    {ParamBlock::kCan, 5, {"CAN00A", 13, 5, kParamNumber, 8, 4}},
    {ParamBlock::kCan, 6, {"B", 18, 2, kParamNumber, 72, 1}},
    {ParamBlock::kCan, 8, {"D", 22, 5, kParamNumber, 104, 2}},
    {ParamBlock::kCan, 86, {"CAN09A", 229, 5, kParamNumber, 44, 4}},
    {ParamBlock::kCan, 94, {"I", 251, 2, kParamNumber, 209, 1}},
    {ParamBlock::kCan, 95, {"CAN10A", 0, 0, kParamNumber, 48, 4}},
    {ParamBlock::kCan, 148, {"I", 0, 0, kParamNumber, 215, 1}},
    {ParamBlock::kCan2, 0, {"ENABLE", 0, 0, kParamNumber, 1, 1}},
    {ParamBlock::kCan2, 1, {"CAN16A", 0, 0, kParamNumber, 4, 4}},
    {ParamBlock::kCan2, 139, {"D", 0, 0, kParamNumber, 130, 2}},
    {ParamBlock::kCan2, 144, {"I", 0, 0, kParamNumber, 211, 1}},
    {ParamBlock::kCanEvent, 14, {"MAXVAL4", 105, 10, kParamNumber, 68, 4}},
    {ParamBlock::kCanEvent, 15, {"OFFSET5", 0, 0, kParamNumber, 6, 1}},
    {ParamBlock::kMask, 15, {"MASK15", 240, 16, kParamText, 0, 0}},
    {ParamBlock::kStatus, 9, {"STATUS9", 225, 25, kParamText, 235, 25}},
    {ParamBlock::kStatus, 10, {"STATDRV0", 0, 0, kParamText, 261, 16}},
    {ParamBlock::kStatus, 15, {"STATDRV5", 0, 0, kParamText, 346, 16}},
    {ParamBlock::kNetwork, 24, {"NETWORK24", 240, 10, kParamNumber, 100, 4}},
    {ParamBlock::kNetwork, 25, {"NETWORK25", 0, 0, kParamNumber, 104, 4}},
    {ParamBlock::kDallas, 59, {"DALLAS59", 0, 0, kParamHex, 473, 8}},
};

TEST(ParamBlocks, SpotRowsCarryTheirNamesPlacesAndKinds) {
    for (const RowCase& c : kRowCases) {
        SCOPED_TRACE(c.row.name);
        const ParamDescriptor& row = ParamSchemaOf(c.block).rows[c.index];
        EXPECT_STREQ(row.name, c.row.name);
        EXPECT_EQ(row.textOffset, c.row.textOffset);
        EXPECT_EQ(row.textLength, c.row.textLength);
        EXPECT_EQ(row.kind, c.row.kind);
        EXPECT_EQ(row.binaryOffset, c.row.binaryOffset);
        EXPECT_EQ(row.binarySize, c.row.binarySize);
    }
}

TEST(ParamBlocks, CanGroupsStartWithTheirNumberAndNameTheRestByLetter) {
    const ParamSchema& can = ParamSchemaOf(ParamBlock::kCan);
    const ParamSchema& can2 = ParamSchemaOf(ParamBlock::kCan2);
    for (int n = 0; n < 16; ++n) {
        char name[8];
        std::snprintf(name, sizeof name, "CAN%02dA", n);
        EXPECT_STREQ(can.rows[5 + 9 * n].name, name);
        std::snprintf(name, sizeof name, "CAN%02dA", n + 16);
        EXPECT_STREQ(can2.rows[1 + 9 * n].name, name);
        for (int letter = 1; letter < 9; ++letter) {
            const char expected[2] = {static_cast<char>('A' + letter), '\0'};
            EXPECT_STREQ(can.rows[5 + 9 * n + letter].name, expected);
            EXPECT_STREQ(can2.rows[1 + 9 * n + letter].name, expected);
        }
    }
}

// Checks that the fields of one layout stay inside the block and never
// share a byte.
void ExpectDisjointFields(const std::vector<std::pair<int, int>>& fields, int blockSize,
                          int firstByte) {
    std::vector<int> owner(static_cast<size_t>(blockSize), -1);
    for (size_t i = 0; i < fields.size(); ++i) {
        auto [offset, size] = fields[i];
        ASSERT_GE(offset, firstByte) << "field " << i;
        ASSERT_LE(offset + size, blockSize) << "field " << i;
        for (int b = offset; b < offset + size; ++b) {
            EXPECT_EQ(owner[static_cast<size_t>(b)], -1)
                << "byte " << b << " of field " << i << " also in field " << owner[b];
            owner[static_cast<size_t>(b)] = static_cast<int>(i);
        }
    }
}

TEST(ParamBlocks, FieldsOfEachLayoutFitTheBlockWithoutOverlapping) {
    for (const SchemaCase& c : kSchemaCases) {
        SCOPED_TRACE(c.label);
        const ParamSchema& schema = ParamSchemaOf(c.block);
        std::vector<std::pair<int, int>> text, binary;
        for (size_t i = 0; i < schema.rows.size(); ++i) {
            const ParamDescriptor& row = schema.rows[i];
            // The text rows are the leading ones: a text printer and writer
            // take exactly the first textRows rows.
            EXPECT_EQ(row.textLength > 0, static_cast<int>(i) < schema.textRows) << row.name;
            EXPECT_EQ(row.binarySize > 0, schema.binaryLength > 0) << row.name;
            EXPECT_TRUE(row.kind == kParamText || row.kind == kParamNumber ||
                        row.kind == kParamHex);
            if (row.kind == kParamNumber && row.binarySize > 0) {
                EXPECT_LE(row.binarySize, 4);
            }
            if (row.textLength > 0) text.emplace_back(row.textOffset, row.textLength);
            if (row.binarySize > 0) binary.emplace_back(row.binaryOffset, row.binarySize);
        }
        ExpectDisjointFields(text, kTextBlockSize, 0);
        // Byte 0 of a binary block is never a parameter (a marker in some).
        if (schema.binaryLength > 0) ExpectDisjointFields(binary, schema.binaryLength, 1);
    }
}

TEST(ParamBlocks, NamesAreUniqueApartFromTheCanLetterRows) {
    for (const SchemaCase& c : kSchemaCases) {
        SCOPED_TRACE(c.label);
        std::set<std::string> seen;
        for (const ParamDescriptor& row : ParamSchemaOf(c.block).rows) {
            if (std::strlen(row.name) == 1) continue;
            EXPECT_TRUE(seen.insert(row.name).second) << row.name;
        }
    }
}

}  // namespace
