#include "server/store/statdata_sql.h"

#include <gtest/gtest.h>

namespace {

std::tm At(int year, int month, int day, int h, int m, int s) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    return t;
}

TEST(StatdataSql, StatementNamesOnlyThePresentColumns) {
    const std::tm t = At(2026, 3, 4, 5, 6, 7);
    struct Case {
        const char* sn;
        int event;
        long p1, p2;
        const char* sql;
    } cases[] = {
        {nullptr, 0, -1, -1,
         "insert into statdata(id,add_date,event) values(DEFAULT,'2026-03-04 05:06:07',0)"},
        {"356000123", 2, 1024, 77,
         "insert into statdata(id,add_date,event,sn,param1,param2) "
         "values(DEFAULT,'2026-03-04 05:06:07',2,'356000123',1024,77)"},
        {"356000123", 1, -1, 3,
         "insert into statdata(id,add_date,event,sn,param2) "
         "values(DEFAULT,'2026-03-04 05:06:07',1,'356000123',3)"},
        {nullptr, 3, 1658, -1,
         "insert into statdata(id,add_date,event,param1) "
         "values(DEFAULT,'2026-03-04 05:06:07',3,1658)"},
        {"", 1, 0, 0,
         "insert into statdata(id,add_date,event,sn,param1,param2) "
         "values(DEFAULT,'2026-03-04 05:06:07',1,'',0,0)"},
        // A real value of -1 is absent as well; other negatives are kept.
        {nullptr, 2, -2, 4294967295L,
         "insert into statdata(id,add_date,event,param1,param2) "
         "values(DEFAULT,'2026-03-04 05:06:07',2,-2,4294967295)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildStatusEventSql(t, c.sn, c.event, c.p1, c.p2), c.sql);
    }
}

TEST(StatdataSql, DatesAreZeroPadded) {
    EXPECT_EQ(BuildStatusEventSql(At(2027, 12, 31, 23, 59, 59), nullptr, 0, -1, -1),
              "insert into statdata(id,add_date,event) values(DEFAULT,'2027-12-31 23:59:59',0)");
    EXPECT_EQ(BuildStatusEventSql(At(2026, 1, 1, 0, 0, 0), nullptr, 0, -1, -1),
              "insert into statdata(id,add_date,event) values(DEFAULT,'2026-01-01 00:00:00',0)");
}

}  // namespace
