#include "server/store/message_sql.h"

#include "common/text_format.h"
#include "server/store/locdata_sql.h"

namespace {

constexpr int kInboxStatus = 2;  // every message the server stores

}  // namespace

std::string BuildInboxInsert(const std::tm& now, uint32_t unitId, const std::string& addr,
                             const std::string& msg, const MessagePosition* p) {
    std::string head = StringPrintf("values(DEFAULT,'%s',%lu,'%s','%s'", SqlDateTime(now).c_str(),
                                    static_cast<unsigned long>(unitId), addr.c_str(), msg.c_str());
    if (p == nullptr) {
        return "insert into inbox(id,add_date,device_id,addr,msg,status) " + head +
               StringPrintf(",%d)", kInboxStatus);
    }
    std::string gps = SqlGpsDateTime(p->year, p->month, p->day, p->time);
    if (p->fixstat != 0 && p->year == 0) {
        // A fix whose GPS date failed its check (the parser cleared the year):
        // the position is stored without a date. Writing the date anyway
        // gives a value the database refuses, and the driver's message would
        // then never be stored or acknowledged.
        return "insert into inbox(id,add_date,device_id,addr,msg,fixstat,latituded,latitudem,"
               "longituded,longitudem,status) " +
               head +
               StringPrintf(",%d,%d,%f,%d,%f,%d)", p->fixstat, p->latituded,
                            static_cast<double>(p->latitudem), p->longituded,
                            static_cast<double>(p->longitudem), kInboxStatus);
    }
    if (p->fixstat != 0) {
        return "insert into inbox(id,add_date,device_id,addr,msg,fixstat,gps_date,latituded,"
               "latitudem,longituded,longitudem,status) " +
               head +
               StringPrintf(",%d,'%s',%d,%f,%d,%f,%d)", p->fixstat, gps.c_str(), p->latituded,
                            static_cast<double>(p->latitudem), p->longituded,
                            static_cast<double>(p->longitudem), kInboxStatus);
    }
    if (p->year != 0) {
        return "insert into inbox(id,add_date,device_id,addr,msg,fixstat,gps_date,status) " + head +
               StringPrintf(",%d,'%s',%d)", 0, gps.c_str(), kInboxStatus);
    }
    return "insert into inbox(id,add_date,device_id,addr,msg,fixstat,status) " + head +
           StringPrintf(",%d,%d)", 0, kInboxStatus);
}

std::string BuildOutboxInsert(const std::tm& now, uint32_t unitId, const std::string& addr,
                              const std::string& msg) {
    return StringPrintf(
        "insert into outbox(id,add_date,device_id,addr,msg,status,sent_tries) "
        "values(DEFAULT,'%s',%lu,'%s','%s',%d,0)",
        SqlDateTime(now).c_str(), static_cast<unsigned long>(unitId), addr.c_str(), msg.c_str(), 0);
}

std::string BuildAckMessages(const std::tm& now, uint32_t id) {
    return StringPrintf("update outbox set status=1,sent_date='%s' where id=%lu",
                        SqlDateTime(now).c_str(), static_cast<unsigned long>(id));
}

std::string BuildOutboxNextSelect(int maxTries, uint32_t lastUnit) {
    return StringPrintf(
        "select id,device_id,addr,msg,sent_tries from outbox where status=0 and sent_tries<%d "
        "and device_id>%lu order by device_id,id",
        maxTries, static_cast<unsigned long>(lastUnit));
}

std::string BuildOutboxSetTries(uint32_t id, int tries) {
    return StringPrintf("update outbox set sent_tries=%d where id=%lu", tries,
                        static_cast<unsigned long>(id));
}
