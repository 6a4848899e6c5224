#include "server/store/korvalen_sql.h"

#include "common/text_format.h"
#include "server/store/locdata_sql.h"

std::string BuildKorvalenInsert(const std::tm& now, uint32_t unitId, int request) {
    return StringPrintf(
        "insert into korvalen(id,add_date,device_id,request,sent_tries) "
        "values(DEFAULT,'%s',%lu,%d,0)",
        SqlDateTime(now).c_str(), static_cast<unsigned long>(unitId), request);
}

std::string BuildKorvalenStatus(const std::tm& now, uint32_t id, int status, const char* file,
                                uint32_t checksum) {
    unsigned long row = id;
    std::string date = SqlDateTime(now);
    if (status < 0) {
        return StringPrintf("update korvalen set sent_date='%s' where id=%lu", date.c_str(), row);
    }
    if ((status == 1 || status == 2) && file != nullptr) {
        return StringPrintf(
            "update korvalen set status=%d,filename='%s',crcc=%u,update_date='%s' where id=%lu",
            status, file, checksum, date.c_str(), row);
    }
    return StringPrintf("update korvalen set status=%d,update_date='%s' where id=%lu", status,
                        date.c_str(), row);
}

std::string BuildCardBusySelect(uint32_t company) {
    return StringPrintf("select card_busy from companies where id=%lu",
                        static_cast<unsigned long>(company));
}

std::string BuildCardBusyUpdate(uint32_t company, uint32_t value) {
    return StringPrintf("update companies set card_busy=%lu where id=%lu",
                        static_cast<unsigned long>(value), static_cast<unsigned long>(company));
}

std::string BuildKorvalenNextSelect(int maxTries, uint32_t lastUnit) {
    return StringPrintf(
        "select id,device_id,request,sent_tries from korvalen where sent_date is NULL and "
        "sent_tries<%d and device_id>%lu order by device_id,id",
        maxTries, static_cast<unsigned long>(lastUnit));
}

std::string BuildKorvalenSetTries(uint32_t id, int tries) {
    return StringPrintf("update korvalen set sent_tries=%d where id=%lu", tries,
                        static_cast<unsigned long>(id));
}

std::string DownloadRequestFrame(uint32_t id, int request) {
    std::string frame;
    if (request < 256) {
        frame = {static_cast<char>(128), 1, static_cast<char>(request & 0xFF)};
        return frame;
    }
    frame = {static_cast<char>(144), 6};
    for (int i = 0; i < 4; ++i) frame += static_cast<char>((id >> (8 * i)) & 0xFF);
    uint32_t code = static_cast<uint32_t>(request);
    frame += static_cast<char>(code & 0xFF);
    frame += static_cast<char>((code >> 8) & 0xFF);
    return frame;
}
