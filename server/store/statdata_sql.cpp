#include "server/store/statdata_sql.h"

#include "common/text_format.h"

std::string BuildStatusEventSql(const std::tm& utc, const char* sn, int event, long param1,
                                long param2) {
    std::string sql = "insert into statdata(id,add_date,event";
    if (sn != nullptr) sql += ",sn";
    if (param1 != -1) sql += ",param1";
    if (param2 != -1) sql += ",param2";
    StringAppendF(sql, ") values(DEFAULT,'%04d-%02d-%02d %02d:%02d:%02d',%d", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, event);
    if (sn != nullptr) StringAppendF(sql, ",'%s'", sn);
    if (param1 != -1) StringAppendF(sql, ",%ld", param1);
    if (param2 != -1) StringAppendF(sql, ",%ld", param2);
    sql += ")";
    return sql;
}
