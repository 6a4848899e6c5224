#include "server/store/locdata_sql.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const std::tm kNow = [] {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_hour = 6;
    t.tm_min = 5;
    t.tm_sec = 4;
    return t;
}();

std::string Quote(std::string_view text) {
    return std::string(text);
}

std::string Sql(const LocationRecord& rec, const DecodeTable& table = DecodeTable{}) {
    return BuildLocdataInsert(rec, 42, kNow, table, Quote).sql;
}

const std::string kHead = "insert into locdata(id,device_id,locdatetime";
const std::string kValues = ") values(DEFAULT,42,'2026-12-09 06:05:04'";

DecodeRule Rule(const char* column, int config, int realValue, int method, int first, int count,
                int bits, float factor) {
    DecodeRule rule;
    rule.used = true;
    std::strcpy(rule.column, column);
    rule.fms_config = config;
    rule.real_value = realValue;
    rule.method = method;
    rule.first_byte = first;
    rule.byte_count = count;
    rule.bit_count = bits;
    rule.factor = factor;
    return rule;
}

TEST(LocdataSql, PositionGroupByFixAndDate) {
    LocationRecord rec{};
    rec.present = 1;
    rec.satuse = 4;
    rec.distance = 900;
    rec.antstat = 1;
    rec.latituded = 52;  // not written without a fix
    EXPECT_EQ(Sql(rec), kHead + ",fixstat,satuse,distance,antstat" + kValues + ",0,4,900,1)");

    rec.year = 2024;
    rec.month = 3;
    rec.day = 7;
    rec.time = 12345678;
    EXPECT_EQ(Sql(rec), kHead + ",fixstat,satuse,distance,gpsdatetime,antstat" + kValues +
                            ",0,4,900,'2024-03-07 12:34:56',1)");

    rec.fixstat = 2;
    rec.latitudem = 12.5f;
    rec.longituded = -3;
    rec.longitudem = -0.25f;
    rec.kph = 88.76f;
    EXPECT_EQ(Sql(rec),
              kHead +
                  ",fixstat,satuse,latituded,latitudem,longituded,longitudem,altitude,altref,cogt,"
                  "kph,distance,gpsdatetime,antstat" +
                  kValues +
                  ",2,4,52,12.500000,-3,-0.250000,0.000000,0.000000,0.000000,88.760002,900,"
                  "'2024-03-07 12:34:56',1)");

    rec.year = 0;
    EXPECT_EQ(Sql(rec),
              kHead +
                  ",fixstat,satuse,latituded,latitudem,longituded,longitudem,altitude,altref,"
                  "cogt,kph,distance,antstat" +
                  kValues +
                  ",2,4,52,12.500000,-3,-0.250000,0.000000,0.000000,0.000000,88.760002,900,1)");
}

TEST(LocdataSql, OptionalPartsOfGroupsAndSignedBytes) {
    LocationRecord rec{};
    rec.present = (1u << 4) | (1u << 6) | (1u << 8) | (1u << 11) | (1u << 21) | (1u << 24);
    std::strcpy(rec.tagid, "00AB");
    rec.frame = -3;
    rec.event = -128;
    rec.fixstatd = 0;
    rec.tstat = 0;
    rec.bat = 3.7f;
    EXPECT_EQ(Sql(rec), kHead + ",valid,seqno,mem,frame,fixstatd,tstat,valid2,event" + kValues +
                            ",0,0,0,-3,0,0,0,-128)");
    rec.valid = 1;
    rec.tstat = 1;
    rec.valid2 = 3;
    std::strcpy(rec.tagid2, "X?Y");
    EXPECT_EQ(Sql(rec), kHead +
                            ",valid,tagid,seqno,mem,frame,fixstatd,tstat,bat,pwr,remrssi,locrssi,"
                            "valid2,tagid2,event" +
                            kValues + ",1,'00AB',0,0,-3,0,1,3.700000,0.000000,0,0,3,'X?Y',-128)");
}

TEST(LocdataSql, SensorPairsFollowTheirStatusBits) {
    LocationRecord rec{};
    rec.present = 1u << 15;
    rec.s300stat = 0x5;  // sensors 1 and 3
    rec.temp1 = -4.5f;
    rec.higro1 = 80;
    rec.temp3 = 21.0f;
    rec.higro3 = 40;
    EXPECT_EQ(Sql(rec), kHead + ",s300stat,temp1,higro1,temp3,higro3" + kValues +
                            ",5,-4.500000,80,21.000000,40)");
}

TEST(LocdataSql, FmsColumnsComeBetweenTheRawBytesAndTheExtension) {
    DecodeTable table{};
    table[0] = Rule("fms_speed", 1, 1, 1, 0, 2, 16, 0.5f);
    table[1] = Rule("fms_other_config", 2, 1, 1, 0, 1, 8, 1);
    table[2] = Rule("fms_level", 1, 0, 1, 2, 1, 8, 0.4f);
    table[3] = Rule("fms_absent", 1, 0, 1, 3, 2, 16, 1);  // bytes FF FF
    table[4] = Rule("fms_signed", 1, 0, 0, 5, 1, 8, 0.1f);
    LocationRecord rec{};
    rec.present = (1u << 17) | (1u << 18);
    rec.fmsconfig = 1;
    rec.fmsstatus = 7;
    std::memset(rec.fmsdata, 0xFF, sizeof rec.fmsdata);
    rec.fmsdata[0] = 0x10;
    rec.fmsdata[1] = 0x00;
    rec.fmsdata[2] = 0x20;  // 32 * 0.4 = 12.8 -> 12
    rec.fmsdata[5] = 0x81;  // -127 * 0.1 = -12.7 -> -12
    std::memset(rec.fmsdataex, 0xAB, sizeof rec.fmsdataex);

    LocdataStatement st = BuildLocdataInsert(rec, 42, kNow, table, Quote);
    EXPECT_EQ(st.sql,
              kHead + ",fmsstatus,fmsconfig,fmsdata,fms_speed,fms_level,fms_signed,fmsdataex" +
                  kValues + ",7,1,'100020FFFF81FFFFFFFFFFFFFFFFFFFFFFFFFFFF',8.000000,12,-12," +
                  "'ABABABABABABABABABABABAB')");
    const std::vector<std::string> log = {
        "DecodeCount(1) = 4\n",           "DecodeName(0,1) = fms_speed\n",
        "DecodeName(1,1) = fms_level\n",  "DecodeName(3,1) = fms_signed\n",
        "DecodeCount(1) = 4\n",           "DecodeValue(0) = 1,8.000000\n",
        "DecodeValue(1) = 1,12.800000\n", "DecodeValue(3) = 1,-12.700000\n",
    };
    EXPECT_EQ(st.decodeLog, log);
}

TEST(LocdataSql, ManyLongFmsColumnsAreNeverCut) {
    DecodeTable table{};
    for (int i = 0; i < 200; ++i) {
        std::string name =
            "fms_value_with_a_really_long_descriptive_column_name_" + std::to_string(i);
        table[static_cast<size_t>(i)] = Rule(name.c_str(), 1, 1, 1, 0, 1, 8, 1);
    }
    LocationRecord rec{};
    rec.present = 1u << 18;
    rec.fmsconfig = 1;
    rec.fmsdata[0] = 9;
    std::string sql = Sql(rec, table);
    EXPECT_GT(sql.size(), 4096u);
    EXPECT_NE(sql.find("_name_199) values("), std::string::npos);
    EXPECT_EQ(sql.substr(sql.size() - 10), ",9.000000)");
}

TEST(LocdataSql, TextValuesGoThroughTheEscaper) {
    LocationRecord rec{};
    rec.present = (1u << 4) | (1u << 23);
    rec.valid = 1;
    std::strcpy(rec.tagid, "AB");
    std::strcpy(rec.pressures, "01");
    auto marking = [](std::string_view text) { return "<" + std::string(text) + ">"; };
    std::string sql = BuildLocdataInsert(rec, 1, kNow, DecodeTable{}, marking).sql;
    EXPECT_NE(sql.find("'<AB>'"), std::string::npos) << sql;
    EXPECT_NE(sql.find("'<01>','<>','<>','<>','<>'"), std::string::npos) << sql;
}

}  // namespace
