#include "manager/logic/monitor_text.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "common/base64_writer.h"
#include "common/location_decode.h"
#include "manager/logic/serial_frame.h"

namespace {

using Bytes = std::span<const uint8_t>;

std::string Num(int64_t v) {
    return std::to_string(v);
}

// A stored float shown as the shortest text that reads back as the same
// float: the server's I16/10, U16/100 and x0.0078125 values come out as the
// decimal the unit meant.
std::string Flt(float v) {
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}

uint32_t U(Bytes d, size_t at, int size) {
    return SerialGetLE(d, at, size);
}
int32_t I32(Bytes d, size_t at) {
    return static_cast<int32_t>(U(d, at, 4));
}

std::string Chars(Bytes d, size_t at, size_t count) {
    std::string text;
    for (size_t i = at; i < at + count && i < d.size() && d[i] != 0; ++i)
        text += static_cast<char>(d[i]);
    return text;
}

std::string HexReversed(Bytes d, size_t at, size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = at + count; i-- > at;) {
        uint8_t b = i < d.size() ? d[i] : 0;
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::string Bits(uint32_t v) {
    std::string text;
    for (int bit = 7; bit >= 0; --bit) text += (v >> bit) & 1 ? '1' : '0';
    return text;
}

std::string Icon(int icon) {
    return "\nIcon=" + Num(icon);
}

// Runs the server's element decoder over a payload.
LocationRecord Decode(int element, int length, Bytes payload) {
    Base64Writer writer;
    writer.PutBytes(payload.data(), payload.size());
    std::string text = writer.Finish();
    Base64Reader reader(text.c_str());
    LocationRecord record{};
    DecodeLocationFrame(element, length, reader, record);
    return record;
}

std::string Coordinate(int32_t raw) {
    return MonitorNumber(raw * 1e-7);
}

// The tag of items 65 and 80: text when the frame's L is 24 (valid byte and
// 16 characters), else 8 bytes shown last byte first.
std::string TagText(int length, Bytes d) {
    return length == 24 ? Chars(d, 1, 16) : HexReversed(d, 1, 8);
}

std::string ModuleText(int length, Bytes d) {
    std::string text = "Imei:" + Chars(d, 0, 16) + " Ccid:" + Chars(d, 16, 21) + "\n" +
                       "Ver:" + Num(U(d, 38, 4)) + " Stat:" + Num(U(d, 37, 1));
    const int frameSize = length + kFrameOverhead;
    if (frameSize > 89) text += " Vin:" + Chars(d, 48, 17) + " Vrn:" + Chars(d, 65, 13);
    if (frameSize > 93) text += " Crcc:" + Num(U(d, 78, 4));
    unsigned mode = U(d, 44, 1), link = U(d, 45, 1);
    text += "\nInfo:" + std::string(MonitorGsmState(U(d, 42, 2))) + "," + MonitorMode(mode) + "," +
            MonitorLinkState(link) + "," + Num(U(d, 46, 1)) + "," + Num(U(d, 47, 1));
    return text + Icon(MonitorModuleIcon(mode, link));
}

std::string GpsText(Bytes d) {
    LocationRecord r = Decode(1, static_cast<int>(d.size()), d);
    int icon = r.antstat != 1 ? 2 : r.fixstat != 0 ? 0 : 1;
    // The date is shown as received, even one the server would refuse.
    return "Fixstat:" + Num(r.fixstat) + " Satuse:" + Num(r.satuse) +
           " Latitude:" + Coordinate(I32(d, 2)) + " Longitude:" + Coordinate(I32(d, 6)) + "\n" +
           "Altitude:" + Flt(r.altitude) + " Altref:" + Flt(r.altref) + " Cogt:" + Flt(r.cogt) +
           " Kph:" + Flt(r.kph) + " Distance:" + Num(static_cast<uint32_t>(r.distance)) + "\n" +
           "Time:" + Num(static_cast<uint32_t>(r.time)) + " Date:" + Num(U(d, 26, 1)) + "/" +
           Num(U(d, 27, 1)) + "/" + Num(U(d, 28, 2)) + " Antstat:" + Num(r.antstat) + Icon(icon);
}

std::string ElementText(int code, int length, Bytes d) {
    const int size = static_cast<int>(d.size());
    switch (code) {
        case 61:
            return GpsText(d);
        case 62: {
            LocationRecord r = Decode(2, size, d);
            return "Rawdin:" + Bits(r.rawdin) + "\nHidin:" + Bits(r.hidin) +
                   "\nLowdin:" + Bits(r.lodin);
        }
        case 63: {
            auto v = [&](int k) { return MonitorNumber(U(d, 2 * k, 2) * 0.001); };
            return "Val0:" + v(0) + " Val1:" + v(1) + "\nVal2:" + v(2) + " Val3:" + v(3) +
                   Icon(U(d, 0, 2) > 11499 ? 0 : 1);
        }
        case 64:
            return "Imp0:" + Num(U(d, 0, 4)) + " Imp1:" + Num(U(d, 4, 4)) +
                   "\nImp2:" + MonitorNumber(U(d, 8, 4) * 0.1) +
                   " Imp3:" + MonitorNumber(U(d, 12, 4) * 0.1);
        case 65:
            return "Valid:" + Num(U(d, 0, 1)) + "\nId:" + TagText(length, d);
        case 66: {
            LocationRecord r = Decode(6, size, d);
            int icon = r.sig == 0 || r.sig == 99 ? 2 : r.sig < 10 ? 1 : 0;
            return "Sig:" + Num(r.sig) + "\nNework:" + Num(static_cast<uint32_t>(r.network)) +
                   Icon(icon);
        }
        case 67: {
            LocationRecord r = Decode(7, size, d);
            return "Seqno:" + Num(static_cast<uint32_t>(r.seqno)) + "\nUsemem:" + Num(r.mem) +
                   "\nFrametype:" + Num(U(d, 8, 1)) + Icon(r.mem <= 0 ? 0 : 1);
        }
        case 68: {
            uint32_t alarm = U(d, 0, 1);
            return "Alarmcode:" + Num(alarm) + Icon(alarm & 8 ? 2 : 0);
        }
        case 69: {
            auto c = [&](int k) { return Coordinate(I32(d, 1 + 4 * static_cast<size_t>(k))); };
            return "Fixstat:" + Num(U(d, 0, 1)) + " Latitude0:" + c(0) + " Longitude0:" + c(1) +
                   " \nLatitude1:" + c(2) + " Longitude1:" + c(3) + " Latitude2:" + c(4) +
                   "\nLongitude2:" + c(5) + " Latitude3:" + c(6) + " Longitude3:" + c(7);
        }
        case 70: {
            LocationRecord r = Decode(10, size, d);
            return "Level0:" + Num(r.level0) + "\nLevel1:" + Num(r.level1) +
                   "\nLevel2:" + Num(r.level2);
        }
        case 71: {
            LocationRecord r = Decode(11, size, d);
            return "Lac:" + Num(r.lac) + "\nCi:" + Num(r.ci);
        }
        case 72: {
            LocationRecord r = Decode(12, size, d);
            return "Status:" + Num(r.tstat) + "\nBat:" + Flt(r.bat) + " Pwr:" + Flt(r.pwr) +
                   "\nRemrssi:" + Num(r.remrssi) + " Locrssi:" + Num(r.locrssi);
        }
        case 73:
            return "Time:" + Num(Decode(13, size, d).srvtime);
        case 75: {
            LocationRecord r = Decode(17, size, d);
            // A sensor that reads 0 g on every axis is not working (free
            // fall does not last a poll cycle): icon 1.
            int icon = r.accx == 0 && r.accy == 0 && r.accz == 0 ? 1 : 0;
            return "Temp:" + Flt(r.temp) + "\nAccx:" + Flt(r.accx) + " Accy:" + Flt(r.accy) +
                   " Accz:" + Flt(r.accz) + Icon(icon);
        }
        case 76: {
            LocationRecord r = Decode(19, size, d);
            return "Status:" + Num(r.fmsstatus) + "\nConfig:" + Num(r.fmsconfig) +
                   "\nData:" + HexReversed(d, 2, kFmsDataLength);
        }
        case 77: {
            LocationRecord r = Decode(19, size, d);
            return "Status:" + Num(r.fmsstatus) + " Config:" + Num(r.fmsconfig) +
                   "\nData:" + HexReversed(d, 2, kFmsDataLength) +
                   "\nDataEx:" + HexReversed(d, 2 + kFmsDataLength, kFmsDataExLength);
        }
        case 78: {
            LocationRecord r = Decode(20, size, d);
            return "Status:" + Num(r.rfidstat) + "\nDirection:" + Num(r.direction) +
                   "\nSpeed:" + Flt(r.speed);
        }
        case 79: {
            LocationRecord r = Decode(21, size, d);
            return "Acc2x:" + Flt(r.acc2x) + " Acc2y:" + Flt(r.acc2y) + " Acc2z:" + Flt(r.acc2z) +
                   "\nBrake:" + Num(r.brake) + " Accel:" + Num(r.accel) +
                   " Corner:" + Num(r.corner);
        }
        case 80:
            return "Valid2:" + Num(U(d, 0, 1)) + "\nId2:" + TagText(length, d);
        case 81: {
            LocationRecord r = Decode(23, size, d);
            return "Route:" + Num(r.route) + "\nCount0:" + Num(r.count0) +
                   " Count1:" + Num(r.count1) + " Count2:" + Num(r.count2) +
                   " Count3:" + Num(r.count3) + " Time0:" + Num(r.time0) +
                   " Time1:" + Num(r.time1) + "\nTime2:" + Num(r.time2) + " Time3:" + Num(r.time3) +
                   " Dist0:" + Num(r.dist0) + " Dist1:" + Num(r.dist1) + " Dist2:" + Num(r.dist2) +
                   " Dist3:" + Num(r.dist3);
        }
        case 83:
            return "Eventcode:" + Num(U(d, 0, 1));
        case 84: {
            LocationRecord r = Decode(26, size, d);
            return "LdwR:" + Num(r.ldwr) + " LdwL:" + Num(r.ldwl) + "\nTtc:" + Num(r.ttc) +
                   " Fcw:" + Num(r.fcw);
        }
        case 85: {
            LocationRecord r = Decode(27, size, d);
            return "TellTale:" + Num(r.telltale) +
                   "\nTotalFuel:" + Num(static_cast<uint32_t>(r.totalfuel));
        }
        default:
            return {};
    }
}

// ---- Vimko-1 text answers ------------------------------------------------

std::vector<int64_t> Numbers(std::string_view text) {
    std::vector<int64_t> numbers;
    size_t at = 0;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        std::string field(
            text.substr(at, comma == std::string_view::npos ? text.npos : comma - at));
        numbers.push_back(std::strtoll(field.c_str(), nullptr, 10));
        if (comma == std::string_view::npos) break;
        at = comma + 1;
    }
    return numbers;
}

// Packs numbers into an element payload of the given field sizes; missing
// numbers are 0.
std::vector<uint8_t> Pack(const std::vector<int64_t>& numbers, std::initializer_list<int> sizes,
                          int repeatLast = 1) {
    std::vector<uint8_t> out;
    size_t k = 0;
    auto put = [&](int size) {
        int64_t v = k < numbers.size() ? numbers[k] : 0;
        ++k;
        SerialPutLE(out, static_cast<uint32_t>(v), size);
    };
    int index = 0, count = static_cast<int>(sizes.size());
    for (int size : sizes) {
        int times = ++index == count ? repeatLast : 1;
        for (int t = 0; t < times; ++t) put(size);
    }
    return out;
}

std::string ServerTimeText(uint32_t seconds) {
    std::time_t t = seconds;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

}  // namespace

const char* MonitorGsmState(unsigned v) {
    if (v < 100) return "GSM_INIT";
    if (v < 200) return "GSM_CONNECT";
    if (v < 500) return "GSM_ACT";
    if (v < 600) return "GSM_OFF";
    if (v < 700) return "GSM_PUKERR";
    if (v < 800) return "GSM_SIMERR";
    if (v < 900) return "GSM_PINERR";
    return "GSM_RESTART";
}

const char* MonitorMode(unsigned v) {
    switch (v) {
        case 0:
            return "OFF_MODE";
        case 1:
            return "SMS_MODE";
        case 2:
            return "GPRS_MODE";
        case 0x80:
            return "FORCE_OFF_MODE";
        case 0x81:
            return "FORCE_SMS_MODE";
        default:
            return "UNKNOWN";
    }
}

const char* MonitorLinkState(unsigned v) {
    static const char* const kStates[] = {
        "TCP_NOCONNECT",   "TCP_CONNECTING", "TCP_CONNECTED", "TCP_DATASENDING", "TCP_WAITFORACK",
        "TCP_STATUSRQ",    "SMS_CHECK",      "SMS_CHECK",     "SMS_CHECK",       "SMS_CHECK",
        "SMS_CHECK",       "SMS_CHECK",      "SMS_CHECK",     "SMS_CHECK",       "SMS_STATUSRQ",
        "SMS_SEND",        "SMS_ACK",        "SMS_DELETE",    "SMS_AUDIO",       "SMS_ACKATH",
        "TCP_DATAREADACK", "TCP_DATAREAD"};
    return v < std::size(kStates) ? kStates[v] : "UNKNOWN";
}

int MonitorModuleIcon(unsigned mode, unsigned link) {
    if (mode == 2) return link == 2 ? 0 : 1;
    if (mode == 1) return 2;
    return 1;
}

std::string MonitorNumber(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

std::string MonitorValueText(int code, int length, std::span<const uint8_t> data) {
    if (code == kMonitorModule) return ModuleText(length, data);
    return ElementText(code, length, data);
}

bool MonitorModuleIds(std::span<const uint8_t> data, std::string& imei, std::string& ccid) {
    if (data.size() < 37) return false;
    imei = Chars(data, 0, 16);
    ccid = Chars(data, 16, 21);
    return true;
}

MonitorTextResult MonitorDecodeTextAnswer(std::string_view line, MonitorTextState& state) {
    MonitorTextResult result;
    // "$ANS2" nn "," values "*" checksum
    if (line.size() < 8 || line.substr(0, 5) != "$ANS2" || line[7] != ',') return result;
    if (line[5] < '0' || line[5] > '9' || line[6] < '0' || line[6] > '9') return result;
    const int nn = (line[5] - '0') * 10 + (line[6] - '0');
    std::string_view body = line.substr(8);
    body = body.substr(0, body.find('*'));
    std::vector<int64_t> n = Numbers(body);
    auto show = [&](int item, int code, const std::vector<uint8_t>& payload) {
        result.item = item;
        result.text = MonitorValueText(code, static_cast<int>(payload.size()) + 7, payload);
    };
    switch (nn) {
        case 0: {
            size_t comma = body.find(',');
            state.imei = std::string(body.substr(0, std::min<size_t>(comma, 15)));
            state.ccid =
                comma == std::string_view::npos ? "" : std::string(body.substr(comma + 1, 20));
            break;
        }
        case 1:
            state.version = Num(n.size() > 0 ? n[0] : 0) + "." + Num(n.size() > 1 ? n[1] : 0) +
                            "." + Num(n.size() > 2 ? n[2] : 0);
            break;
        case 2: {
            unsigned mode = static_cast<unsigned>(n.size() > 1 ? n[1] : 0);
            unsigned link = static_cast<unsigned>(n.size() > 2 ? n[2] : 0);
            result.item = 0;
            result.text = "Imei:" + state.imei + " Ccid:" + state.ccid + "\nVer:" + state.version +
                          "\nInfo:" + MonitorGsmState(static_cast<unsigned>(n[0])) + "," +
                          MonitorMode(mode) + "," + MonitorLinkState(link) + "," +
                          Num(n.size() > 3 ? n[3] : 0) + "," + Num(n.size() > 4 ? n[4] : 0) +
                          Icon(MonitorModuleIcon(mode, link));
            break;
        }
        case 3:
            show(1, 61, Pack(n, {1, 1, 4, 4, 2, 2, 2, 2, 4, 4, 1, 1, 2, 1}));
            break;
        case 4:
            show(2, 62, Pack(n, {1}, 3));
            break;
        case 5:
            show(3, 63, Pack(n, {2}, 4));
            break;
        case 6: {
            // The counters arrive as the unit counts them; imp2 and imp3 in tenths.
            show(4, 64, Pack(n, {4}, 4));
            break;
        }
        case 7: {
            size_t comma = body.find(',');
            std::vector<uint8_t> payload = Pack(n, {1});
            std::string tag(comma == std::string_view::npos ? "" : body.substr(comma + 1, 16));
            tag.resize(16, '\0');
            payload.insert(payload.end(), tag.begin(), tag.end());
            show(5, 65, payload);
            break;
        }
        case 8:
            show(6, 66, Pack(n, {1, 4}));
            break;
        case 9:
            show(7, 67, Pack(n, {4, 4, 1}));
            break;
        case 10:
            show(8, 68, Pack(n, {1}));
            break;
        case 11:
            show(9, 69, Pack(n, {1, 4}, 8));
            break;
        case 12:
            show(10, 70, Pack(n, {2}, 3));
            break;
        case 13:
            show(11, 71, Pack(n, {2}, 2));
            break;
        case 14:
            show(12, 72, Pack(n, {1, 2, 2, 1, 1}));
            break;
        case 15: {
            uint32_t seconds = static_cast<uint32_t>(n.empty() ? 0 : n[0]);
            result.item = 13;
            result.text = "Time:" + Num(seconds) + " (" + ServerTimeText(seconds) + ")";
            break;
        }
        case 16: {
            LocationRecord r = Decode(14, 2, Pack(n, {2}));
            result.item = 14;
            result.text = "Cogt:" + Flt(r.cogm);
            break;
        }
        case 21:
            show(15, 76, Pack(n, {1, 1, 1}, 20));
            break;
        case 22:
            show(16, 79, Pack(n, {2}, 6));
            break;
        default:
            break;
    }
    return result;
}
