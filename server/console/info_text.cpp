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

std::string FormatLogPiece(std::string_view piece) {
    if (!piece.empty() && piece.back() == '\n') piece.remove_suffix(1);
    if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
    std::string out(piece);
    out += "\r\n";
    return out;
}

std::string FormatLogTail(const std::string& log, int maxLog) {
    std::string out;
    StreamLogTail(
        [&](auto&& bytes) {
            bytes(std::string_view(log));
            return true;
        },
        maxLog, [&](const std::string& text) { out += text; });
    return out;
}

std::string FormatSelectHeader(const std::vector<std::string>& columns) {
    std::string out = kRule;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) out += ',';
        out += columns[i];
    }
    out += "\r\n" + kRule;
    return out;
}

std::string FormatSelectRow(const std::vector<std::optional<std::string>>& values) {
    std::string out;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out += ',';
        if (values[i]) out += *values[i];
    }
    out += "\r\n";
    return out;
}

std::string FormatSelectFooter(unsigned long long rowCount) {
    return kRule + StringPrintf("%ld wierszy\r\n", static_cast<long>(rowCount));
}

std::string FormatSelectResult(const SelectResult& result, int maxSelect) {
    std::string out = FormatSelectHeader(result.columns);
    long printed = 0;
    for (const auto& row : result.rows) {
        out += FormatSelectRow(row);
        if (++printed == static_cast<long>(maxSelect) + 1) {
            out += kSelectStopNotice;
            break;
        }
    }
    return out + FormatSelectFooter(result.rows.size());
}
