// The manager's parameter model: the schema of every tab and device type on
// the shared block tables, the list rows, key display and the bit editor.

#include <gtest/gtest.h>

#include "tests/manager/qt_printers.h"

#include "common/param_blocks.h"
#include "manager/logic/bit_tables.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/param_labels.h"
#include "manager/logic/param_list.h"
#include "manager/logic/param_schema.h"

namespace {

// Values of each tab's console command and its list rows, per device type.
TEST(ParamSchema, ValueAndRowCountsOfEveryTab) {
    const struct {
        int tab;
        int values[3];
        int rows[3];
    } cases[] = {
        {kTabGeneral, {29, 29, 37}, {29, 29, 37}},  {kTabCalibration, {19, 19, 19}, {19, 19, 19}},
        {kTabFms, {41, 41, 65}, {21, 21, 33}},      {kTabCan, {95, 95, 149}, {15, 15, 21}},
        {kTabStatuses, {10, 10, 16}, {10, 10, 16}}, {kTabEvents, {15, 15, 30}, {15, 15, 30}},
        {kTabDallas, {16, 16, 60}, {16, 16, 60}},   {kTabNetwork, {25, 25, 60}, {25, 25, 60}},
        {kTabCan2, {145, 145, 145}, {17, 17, 17}},
    };
    for (const auto& c : cases) {
        for (int type = 0; type < kDeviceTypeCount; ++type) {
            EXPECT_EQ(ValueCountFor(c.tab, type), c.values[type]) << c.tab << "/" << type;
            EXPECT_EQ(ParamEntriesFor(c.tab, type).size(), c.rows[type]) << c.tab << "/" << type;
        }
    }
}

TEST(ParamSchema, KeysLabelsAndLayoutsOfNamedRows) {
    const struct {
        int tab, type;
        const char* key;
        const char* label;
        int textOffset, textLength, kind, binaryOffset, binarySize, bitEditor;
    } cases[] = {
        {kTabGeneral, 0, "MYID", "Description", 0, 16, kParamText, 1, 16, 0},
        {kTabGeneral, 1, "SMS/AUTHPIN", "PIN Code for Configuration", 138, 4, kParamText, 134, 4,
         0},
        {kTabGeneral, 2, "MEASURE", "Measured elements", 152, 10, kParamNumber, 148, 4, 2},
        {kTabGeneral, 2, "DIN7CONF", "Digital Input DIN7", 217, 5, kParamNumber, 174, 2, 4},
        {kTabGeneral, 2, "GPRSTIME", "GPRS Connection Time", 253, 3, kParamNumber, 193, 1, 0},
        {kTabGeneral, 2, "MODE4", "Third Extended Mode", 0, 0, kParamNumber, 208, 4, 7},
        {kTabCalibration, 2, "VMIN", "Minimal speed", 0, 0, kParamNumber, 1, 1, 0},
        {kTabCalibration, 2, "OFFTIME", "Switch-off time", 0, 0, kParamNumber, 50, 2, 0},
        {kTabCalibration, 2, "SPN250LEN", "SPN250 Length", 0, 0, kParamNumber, 67, 1, 0},
        {kTabFms, 1, "PGN07,SPN07", "Parameter 8", 59, 5, kParamNumber, 16, 2, 0},
        {kTabFms, 2, "PGN31,SPN31", "Parameter 32", 0, 0, kParamNumber, 64, 2, 0},
        {kTabCan, 1, "CANT", "Protocol Type", 3, 1, kParamNumber, 2, 1, 0},
        {kTabCan, 1, "CAN09", "Parameter 10", 229, 5, kParamNumber, 44, 4, 0},
        {kTabCan2, 2, "CAN31", "Parameter 16", 0, 0, kParamNumber, 64, 4, 0},
        {kTabStatuses, 2, "STATDRV5", "Driver status text 6", 0, 0, kParamText, 346, 16, 0},
        {kTabEvents, 1, "MAXVAL4", "Maximum value 5", 105, 10, kParamNumber, 68, 4, 0},
        {kTabDallas, 0, "MASK15", "Authorization Tag Mask 16", 240, 16, kParamText, 0, 0, 0},
        {kTabDallas, 2, "DALLAS59", "DALLAS Authorization Tag Number 60", 0, 0, kParamHex, 473, 8,
         0},
        {kTabNetwork, 2, "NETWORK59", "GPRS Network Operator Code 60", 0, 0, kParamNumber, 240, 4,
         0},
    };
    for (const auto& c : cases) {
        const QList<ParamRow>& rows = ParamSchemaFor(c.tab, c.type);
        const ParamRow* found = nullptr;
        for (const ParamRow& r : rows) {
            if (r.name == QLatin1String(c.key)) found = &r;
        }
        ASSERT_NE(found, nullptr) << c.key;
        EXPECT_EQ(LabelText(found->labelId), QLatin1String(c.label)) << c.key;
        EXPECT_EQ(found->textOffset, c.textOffset) << c.key;
        EXPECT_EQ(found->textLength, c.textLength) << c.key;
        EXPECT_EQ(found->kind, c.kind) << c.key;
        EXPECT_EQ(found->binaryOffset, c.binaryOffset) << c.key;
        EXPECT_EQ(found->binarySize, c.binarySize) << c.key;
        EXPECT_EQ(found->bitEditor, c.bitEditor) << c.key;
    }
    // Every named row has a label; continuation rows have neither name nor label.
    for (int tab = 0; tab < kTabCount; ++tab) {
        for (int type = 0; type < kDeviceTypeCount; ++type) {
            for (const ParamRow& r : ParamSchemaFor(tab, type)) {
                EXPECT_EQ(r.name.isEmpty(), r.labelId == 0) << tab << "/" << type;
                if (r.labelId) {
                    EXPECT_FALSE(LabelText(r.labelId).isEmpty()) << r.name.toStdString();
                }
            }
        }
    }
}

TEST(ParamList, DefaultsCommandValuesAndAnswers) {
    ParamList general = DefaultList(kTabGeneral, kVimko1);
    EXPECT_EQ(general.description, "Default configuration");
    EXPECT_EQ(general.Lines().value(0), "MYID=");
    EXPECT_EQ(general.Value("PORT"), "0");
    ParamList can = DefaultList(kTabCan, kVimko2);
    EXPECT_EQ(can.Value("CAN00"), "0,0,0,0,0,0,0,0,0");
    EXPECT_EQ(DefaultList(kTabDallas, kVimko3).Value("DALLAS00"), "0000000000000000");
    EXPECT_EQ(DefaultList(kTabDallas, kVimko2).Value("MASK00"), "");

    // A multi-value row gives its values as consecutive fields; a missing row empty ones.
    ParamList fms = DefaultList(kTabFms, kVimko2);
    fms.SetValue("FMSID", "7");
    fms.SetValue("PGN00,SPN00", "65265,84");
    fms.rows.removeLast();  // PGN19,SPN19
    QStringList values = CommandValues(fms, kTabFms, kVimko2);
    ASSERT_EQ(values.size(), 41);
    EXPECT_EQ(values.mid(0, 3), (QStringList{"7", "65265", "84"}));
    EXPECT_EQ(values.mid(39), (QStringList{"", ""}));

    ApplyAnswer(fms, kTabFms, kVimko2, "9,61444,190,1,2");
    EXPECT_EQ(fms.Value("FMSID"), "9");
    EXPECT_EQ(fms.Value("PGN00,SPN00"), "61444,190");
    EXPECT_EQ(fms.Value("PGN01,SPN01"), "1,2");
    EXPECT_EQ(fms.Value("PGN02,SPN02"), ",");
    EXPECT_EQ(fms.Value("PGN19,SPN19"), ",");  // the missing row is back
    EXPECT_EQ(fms.rows.size(), 21);

    // A key that is not in the list is appended.
    general.SetValue("EXTRA", "1");
    EXPECT_EQ(general.rows.last().key, "EXTRA");
}

TEST(ParamList, KeyDisplay) {
    EXPECT_EQ(DisplayKey(kTabGeneral, kVimko3, "MYID"), "Description (MYID)");
    EXPECT_EQ(DisplayKey(kTabFms, kVimko1, "PGN00,SPN00"), "Parameter 1 (PGN00,SPN00)");
    EXPECT_EQ(DisplayKey(kTabGeneral, kVimko3, "EXTRA"), "EXTRA");
    // MODE3 exists only for Vimko-3/4.
    EXPECT_EQ(DisplayKey(kTabGeneral, kVimko1, "MODE3"), "MODE3");
    // "Dallas" knows the keys of both of its schemas.
    EXPECT_EQ(DisplayKey(kTabDallas, kVimko1, "DALLAS03"),
              "DALLAS Authorization Tag Number 4 (DALLAS03)");
    EXPECT_EQ(DisplayKey(kTabDallas, kVimko3, "MASK03"), "Authorization Tag Mask 4 (MASK03)");
}

TEST(BitEditor, OfferedBitsFollowTheDeviceType) {
    const struct {
        int editor, type;
        int offered;      // number of bits offered
        int first, last;  // first and last offered bit
    } cases[] = {
        {1, kVimko1, 32, 0, 31}, {2, kVimko1, 24, 0, 25}, {2, kVimko2, 24, 0, 25},
        {2, kVimko3, 25, 0, 25}, {3, kVimko2, 20, 0, 19}, {4, kVimko1, 15, 0, 14},
        {5, kVimko1, 16, 0, 18}, {5, kVimko3, 32, 0, 31}, {6, kVimko3, 32, 0, 31},
        {7, kVimko3, 18, 0, 17}, {6, kVimko2, 0, -1, -1}, {7, kVimko1, 0, -1, -1},
    };
    for (const auto& c : cases) {
        QList<OfferedBit> bits = BitsForValue(c.editor, c.type, "0");
        EXPECT_EQ(bits.size(), c.offered) << c.editor << "/" << c.type;
        EXPECT_EQ(bits.isEmpty() ? -1 : bits.first().bit, c.first) << c.editor;
        EXPECT_EQ(bits.isEmpty() ? -1 : bits.last().bit, c.last) << c.editor;
    }
    // MEASURE on Vimko-1 offers bit 15 but none of 16 and 17; bit 18 on.
    EXPECT_TRUE(BitOffered(2, kVimko1, 15));
    EXPECT_FALSE(BitOffered(2, kVimko1, 16));
    EXPECT_FALSE(BitOffered(2, kVimko1, 17));
    EXPECT_FALSE(BitOffered(2, kVimko2, 13));
    EXPECT_FALSE(BitOffered(2, kVimko3, 26));  // no label
}

TEST(BitEditor, RebuildStartsFromZeroSoHiddenBitsAreCleared) {
    // MEASURE = bits 0, 15, 16, 17 on a Vimko-1: 16 and 17 are not offered.
    const QString value = QString::number((1u << 0) | (1u << 15) | (1u << 16) | (1u << 17));
    QList<OfferedBit> bits = BitsForValue(2, kVimko1, value);
    QStringList rows = BitDialogRows(bits);
    EXPECT_EQ(rows.first(), "GPS information=1");
    EXPECT_TRUE(rows.contains("Thermo-hygrometers S300 data=1"));
    EXPECT_TRUE(rows.contains("Digital Inputs=0"));
    QStringList dialogValues;
    for (const OfferedBit& b : bits) dialogValues.append(b.set ? "1" : "0");
    EXPECT_EQ(RebuildBitValue(2, kVimko1, dialogValues), QString::number((1u << 0) | (1u << 15)));
    // Any value other than "0" sets the bit; a missing one leaves it clear.
    dialogValues[1] = "yes";
    EXPECT_EQ(RebuildBitValue(2, kVimko1, dialogValues),
              QString::number((1u << 0) | (1u << 1) | (1u << 15)));
    // Not a number reads as 0; bit 31 of MODE survives as an unsigned value.
    EXPECT_TRUE(BitDialogRows(BitsForValue(1, kVimko3, "abc")).first().endsWith("=0"));
    QList<OfferedBit> mode = BitsForValue(1, kVimko3, "2147483648");
    EXPECT_TRUE(mode.last().set);
    QStringList all(32, "0");
    all[31] = "1";
    EXPECT_EQ(RebuildBitValue(1, kVimko3, all), "2147483648");
}

}  // namespace
