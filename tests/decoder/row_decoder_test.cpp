#include "decoder/row_decoder.h"

#include <gtest/gtest.h>

#include <memory>

#include "decoder/decoder_sql.h"

namespace {

// The rules of a small configuration file: two rules of configuration 1
// around one of configuration 2.
std::unique_ptr<DecoderRules> Rules() {
    auto rules = std::make_unique<DecoderRules>();
    std::string text =
        "LOG_FILE=l\nSQL_DATABASE=d\nSQL_HOST=h\nSQL_USER=u\nSQL_PASSWD=p\nSQL_PORT=1\n"
        "SQL_REQUESTS=10\nFMS_ITEMS=3\n"
        // speed: bytes 1-2 / 256, kept in slot 1, absolute 0..250 (substitute 0)
        "fms_vehicle_speed 1 1 1 1 2 0 16 1 0 0.00390625 1 0 0 250 0\n"
        // other: byte 20, the first of fmsdataex
        "other 0 2 1 20 1 0 8 0 0 1 0 0 0 0 0\n"
        // fuel used: signed 32 bits at 4, halves, truncated to an integer
        "fms_total_fuel_used 0 1 0 4 4 0 32 0 0 0.5 0 0 0 0 0\n";
    DecoderConfig config;
    EXPECT_TRUE(ParseDecoderConfig(text, config, *rules));
    return rules;
}

DecoderRow Row(uint64_t id, uint32_t unit, int frame, int config, const char* fmsdata,
               const char* fmsdataex = nullptr) {
    std::string idText = std::to_string(id);
    std::string unitText = std::to_string(unit);
    std::string frameText = std::to_string(frame);
    std::string configText = std::to_string(config);
    const char* const columns[kDecoderRowColumns] = {idText.c_str(),    unitText.c_str(),
                                                     frameText.c_str(), configText.c_str(),
                                                     fmsdata,           fmsdataex};
    return ParseDecoderRow(columns);
}

TEST(RowDecoder, ColumnsGiveTheRowAndNullsTheirDefaults) {
    const char* const all[kDecoderRowColumns] = {"4294967295", "17", "2", "5", "00FF10ab", "c0"};
    DecoderRow row = ParseDecoderRow(all);
    EXPECT_EQ(row.id, 4294967295u);
    EXPECT_EQ(row.unit, 17u);
    EXPECT_EQ(row.frame, 2);
    EXPECT_EQ(row.config, 5);
    EXPECT_EQ(row.area[1], 0xFF);
    EXPECT_EQ(row.area[3], 0xAB);
    EXPECT_EQ(row.area[4], 0);  // past the end of the text
    EXPECT_EQ(row.area[20], 0xC0);

    const char* const nulls[kDecoderRowColumns] = {"9",     nullptr, nullptr,
                                                   nullptr, nullptr, nullptr};
    row = ParseDecoderRow(nulls);
    EXPECT_EQ(row.unit, 0u);
    EXPECT_EQ(row.frame, -1);
    EXPECT_EQ(row.config, -1);
    EXPECT_EQ(row.area, FmsArea{});
}

TEST(RowDecoder, HexTextIsReadWithinItsLengthAndTheArea) {
    uint8_t bytes[4];
    const struct {
        const char* text;
        uint8_t expect[4];
    } cases[] = {
        {"0A1b2C3d", {0x0A, 0x1B, 0x2C, 0x3D}},
        {"0A1", {0x0A, 0, 0, 0}},  // half a byte is no byte
        {"zz1b", {0, 0x1B, 0, 0}},
        {"0A1B2C3D4E5F", {0x0A, 0x1B, 0x2C, 0x3D}},  // longer than the area
        {"", {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        HexToBytes(c.text, bytes, sizeof bytes);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(bytes[i], c.expect[i]) << c.text << " " << i;
    }
}

TEST(RowDecoder, UpdateWritesEachRuleOfTheRowsConfigurationInItsForm) {
    auto rules = Rules();
    DecoderDeviceTable devices;
    // speed 0x3200 / 256 = 50; fuel used 0xFFFFFFF9 = -7, halves: -3.5, written -3
    RowDecode d = DecodeRow(Row(12, 5, 0, 1, "00003200F9FFFFFF"), *rules, devices);
    EXPECT_EQ(d.statement,
              "update locdata set `fms_vehicle_speed`=50.000000,`fms_total_fuel_used`=-3 "
              "where id=12");
    EXPECT_EQ(d.log, std::vector<std::string>{"Adding new device: 5,1\n"});
    ASSERT_EQ(d.device, 0);
    EXPECT_DOUBLE_EQ(d.memory.kept[0], 50);
    // The table keeps the old memory until the caller stores the new one.
    EXPECT_FALSE(KeptIsSet(devices.entry(0).kept[0]));
    EXPECT_EQ(devices.used(), 1);

    // A known unit is not added again; bytes 20..31 of a NULL fmsdataex are zero.
    d = DecodeRow(Row(13, 5, 0, 2, "FF"), *rules, devices);
    EXPECT_EQ(d.statement, "update locdata set `other`=0 where id=13");
    EXPECT_TRUE(d.log.empty());
    d = DecodeRow(Row(14, 5, 0, 2, "FF", "2A"), *rules, devices);
    EXPECT_EQ(d.statement, "update locdata set `other`=42 where id=14");
}

TEST(RowDecoder, RowsWithoutAnAssignmentGiveNoStatement) {
    auto rules = Rules();
    DecoderDeviceTable devices;
    // No fmsconfig: not decoded, and the unit is not taken into the table.
    RowDecode d = DecodeRow(Row(1, 5, 0, -1, "003200"), *rules, devices);
    EXPECT_EQ(d.statement, "");
    EXPECT_EQ(d.device, -1);
    EXPECT_EQ(devices.used(), 0);
    // A configuration without rules: the unit is taken, nothing written.
    d = DecodeRow(Row(2, 5, 0, 7, "003200"), *rules, devices);
    EXPECT_EQ(d.statement, "");
    EXPECT_EQ(d.log, std::vector<std::string>{"Adding new device: 5,7\n"});
    EXPECT_EQ(devices.used(), 1);
    // Every rule's bytes not available and nothing kept yet.
    d = DecodeRow(Row(3, 6, 0, 1, "00FFFF00FFFFFFFF"), *rules, devices);
    EXPECT_EQ(d.statement, "");
}

TEST(RowDecoder, FullTableLeavesFurtherUnitsAlone) {
    auto rules = Rules();
    auto devices = std::make_unique<DecoderDeviceTable>();
    bool added = false;
    for (uint32_t unit = 1; unit <= kDecoderDevices; ++unit) {
        ASSERT_EQ(devices->Find(unit, added), static_cast<int>(unit - 1));
        ASSERT_TRUE(added);
    }
    RowDecode d = DecodeRow(Row(9, 4294967295u, 0, 1, "003200"), *rules, *devices);
    EXPECT_EQ(d.statement, "");
    EXPECT_EQ(d.device, -1);
    EXPECT_EQ(d.log, std::vector<std::string>{"Can't add new device: 4294967295,1\n"});
    // Units already in the table are still decoded.
    d = DecodeRow(Row(10, 20000, 0, 1, "003200"), *rules, *devices);
    EXPECT_EQ(d.device, kDecoderDevices - 1);
    EXPECT_NE(d.statement, "");
    EXPECT_EQ(devices->used(), kDecoderDevices);
}

TEST(DecoderSql, ColumnsAreQuotedAsIdentifiersAndIdsAreUnsigned) {
    EXPECT_EQ(AssignmentSql("fms_x", "1"), "`fms_x`=1");
    EXPECT_EQ(AssignmentSql("a`=1,b", "2"), "`a``=1,b`=2");
    EXPECT_EQ(RowUpdateSql("`a`=1", 4294967296u), "update locdata set `a`=1 where id=4294967296");
    EXPECT_EQ(BatchSelectSql(4294967296u, 50),
              "select id,device_id,frame,fmsconfig,fmsdata,fmsdataex from locdata where "
              "id>=4294967296 order by id limit 50");
    EXPECT_EQ(ProgressUpdateSql(77), "update decoder set record_no=77");
}

}  // namespace
