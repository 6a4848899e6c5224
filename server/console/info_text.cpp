#include "server/console/info_text.h"

#include "common/text_format.h"

namespace {

const char* const kDeviceBorder =
    "+-----+----------+------------------+-----------------------+------------+\r\n";
const char* const kDeviceSpacer =
    "|     |          |                  |                       |            |\r\n";
const char* const kConsoleBorder =
    "+-----+---------------------------------+-----------------------+------+\r\n";

const std::string kRule = std::string(79, '-') + "\r\n";

}  // namespace

std::string FormatListText(const std::vector<DeviceListRow>& devices,
                           const std::vector<ConsoleListRow>& sessions) {
    std::string out = "devices:\r\n";
    out += kDeviceBorder;
    out += "| id  | protocol | devid            | ip:port               | receive    |\r\n";
    out += "|     |          | description      | login time            | send       |\r\n";
    out += kDeviceBorder;
    bool first = true;
    for (const DeviceListRow& d : devices) {
        if (d.state != 2) continue;
        if (!first) out += kDeviceSpacer;
        first = false;
        StringAppendF(out, "| %-3d | %-8s | %-16s | %-15s:%-5d | %-10lu |\r\n", d.index,
                      d.protocol.c_str(), d.devId.c_str(), d.address.c_str(), d.port, d.received);
        StringAppendF(out, "|     | %-8s | %-16s | %02d:%02d:%02d %04d-%02d-%02d   | %-10lu |\r\n",
                      d.tcp ? "TCP" : "UDP", d.description.c_str(), d.loginTime.tm_hour,
                      d.loginTime.tm_min, d.loginTime.tm_sec, d.loginTime.tm_year + 1900,
                      d.loginTime.tm_mon + 1, d.loginTime.tm_mday, d.sent);
    }
    out += kDeviceBorder;
    out += "configs:\r\n";
    out += kConsoleBorder;
    out += "| id  | user                            | ip:port               | mode |\r\n";
    out += kConsoleBorder;
    for (const ConsoleListRow& s : sessions) {
        StringAppendF(out, "| %-3d | %-31s | %-15s:%-5d | %-4s |\r\n", s.index, s.user.c_str(),
                      s.address.c_str(), s.port, s.binary ? "BIN" : "TXT");
    }
    out += kConsoleBorder;
    return out;
}

std::string FormatListBinary(const std::vector<DeviceListRow>& devices) {
    std::string out;
    for (const DeviceListRow& d : devices) {
        if (d.state == 0) continue;
        int state = d.state - 1 + (d.offlineStatus >= 1 && d.offlineStatus <= 4 ? 2 : 0);
        StringAppendF(out, "answer %s,%s,%d,%d,%s,%d,%02d:%02d:%02d,%04d-%02d-%02d,%lu,%lu\r\n",
                      d.description.c_str(), d.devId.c_str(), state, d.typeCode, d.address.c_str(),
                      d.port, d.loginTime.tm_hour, d.loginTime.tm_min, d.loginTime.tm_sec,
                      d.loginTime.tm_year + 1900, d.loginTime.tm_mon + 1, d.loginTime.tm_mday,
                      d.received, d.sent);
    }
    out += "done\r\n";
    return out;
}

std::string FormatLogTail(const std::string& log, int maxLog) {
    // The pieces a line-by-line reader with a 4096-byte buffer gets.
    std::vector<std::string> pieces;
    size_t at = 0;
    while (at < log.size()) {
        size_t end = log.find('\n', at);
        size_t stop = end == std::string::npos ? log.size() : end + 1;
        if (stop - at > 4095) stop = at + 4095;
        pieces.push_back(log.substr(at, stop - at));
        at = stop;
    }
    std::string out;
    size_t skip = 0;
    if (maxLog < 0) maxLog = 0;
    if (pieces.size() > static_cast<size_t>(maxLog)) {
        out += "Pominieto pierwsze linie pliku\r\n";
        skip = pieces.size() - static_cast<size_t>(maxLog);
    }
    for (size_t i = skip; i < pieces.size(); ++i) {
        std::string line = pieces[i];
        if (!line.empty() && line.back() == '\n') line.pop_back();
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out += line + "\r\n";
    }
    return out;
}

std::string FormatSelectResult(const SelectResult& result, int maxSelect) {
    std::string out = kRule;
    for (size_t i = 0; i < result.columns.size(); ++i) {
        if (i > 0) out += ',';
        out += result.columns[i];
    }
    out += "\r\n" + kRule;
    long printed = 0;
    for (const auto& row : result.rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            if (i > 0) out += ',';
            if (row[i]) out += *row[i];
        }
        out += "\r\n";
        if (++printed == static_cast<long>(maxSelect) + 1) {
            out += "Zatrzymano dalsze wyswietlanie\r\n";
            break;
        }
    }
    out += kRule;
    StringAppendF(out, "%ld wierszy\r\n", static_cast<long>(result.rows.size()));
    return out;
}
