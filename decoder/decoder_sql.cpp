#include "decoder/decoder_sql.h"

#include <cinttypes>

#include "common/text_format.h"

std::string ProgressSelectSql() {
    return "select record_no from decoder";
}

std::string ProgressUpdateSql(uint64_t recordNo) {
    return StringPrintf("update decoder set record_no=%" PRIu64, recordNo);
}

std::string ProgressInsertSql(uint64_t recordNo) {
    return StringPrintf("insert into decoder(record_no) values(%" PRIu64 ")", recordNo);
}

std::string BatchSelectSql(uint64_t recordNo, int limit) {
    return StringPrintf(
        "select id,device_id,frame,fmsconfig,fmsdata,fmsdataex from locdata where id>=%" PRIu64
        " order by id limit %d",
        recordNo, limit);
}

std::string AssignmentSql(const char* column, const std::string& value) {
    std::string out = "`";
    for (const char* c = column; *c != '\0'; ++c) {
        if (*c == '`') out += '`';  // a back-tick inside is doubled
        out += *c;
    }
    out += "`=";
    out += value;
    return out;
}

std::string RowUpdateSql(const std::string& assignments, uint64_t id) {
    return "update locdata set " + assignments + StringPrintf(" where id=%" PRIu64, id);
}
