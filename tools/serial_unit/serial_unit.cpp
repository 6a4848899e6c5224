#include "tools/serial_unit/serial_unit.h"

#include <cstdio>
#include <cstdlib>

#include "common/param_blocks.h"
#include "manager/logic/serial_answers.h"
#include "manager/logic/serial_requests.h"
#include "tools/unit_sim/unit_frames.h"

namespace serial_unit {

namespace {

using Bytes = std::vector<uint8_t>;

// Sizes of the Vimko-3/4 blocks, item 90 on, without the leading byte the
// answer's item byte stands for; Vimko-2 blocks are 256 text bytes.
constexpr size_t kBinaryBlockSize[] = {212, 68, 98, 216, 363, 92, 481, 244, 212};

// An element frame of the unit simulator without its identifier and length byte.
Bytes Payload(const std::string& frame) {
    return Bytes(frame.begin() + 2, frame.end());
}

void Put(Bytes& out, std::string_view text, size_t size) {
    for (size_t i = 0; i < size; ++i)
        out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

Bytes ImeiBcd(std::string_view imei) {
    Bytes out(kImeiBytes, 0xFF);
    for (size_t i = 0; i < 16; ++i) {
        uint8_t nibble = i < imei.size() ? static_cast<uint8_t>(imei[i] - '0') : 0x0F;
        uint8_t& b = out[i / 2];
        b = i % 2 == 0 ? static_cast<uint8_t>((b & 0x0F) | (nibble << 4))
                       : static_cast<uint8_t>((b & 0xF0) | nibble);
    }
    return out;
}

}  // namespace

SerialUnit::SerialUnit(const Settings& settings)
    : m_settings(settings),
      m_reader([this](std::string_view line) { OnLine(line); },
               [this](std::span<const uint8_t> frame) { OnFrame(frame); }),
      m_archive(settings.archiveRecords),
      m_unread(settings.unreadRecords) {
    m_reader.SetFraming(settings.generation != 1);
    m_textValues['1'].assign(static_cast<size_t>(SerialTextValueCount(0)), "");
    m_textValues['5'].assign(static_cast<size_t>(SerialTextValueCount(2)), "");
    m_textValues['6'].assign(static_cast<size_t>(SerialTextValueCount(6)), "");
    m_textValues['1'][0] = "SERIAL UNIT";
    m_textValues['1'][10] = settings.pin;  // SMS/AUTHPIN
    for (int tab = 0; tab < 9; ++tab) {
        int item = SerialBlockItem(settings.generation - 1, tab);
        if (item < 0) continue;
        if (settings.generation == 2) {
            Bytes block(kTextBlockSize, 0xFF);
            block[0] = 'V';
            block[1] = '2';
            block[2] = 0;
            m_blocks[item] = block;
        } else {
            m_blocks[item] = Bytes(kBinaryBlockSize[tab], 0);
        }
    }
}

std::vector<uint8_t> SerialUnit::Feed(std::span<const uint8_t> bytes) {
    m_reader.Feed(bytes);
    Bytes out;
    out.swap(m_out);
    return out;
}

std::vector<std::string> SerialUnit::TakeReports() {
    std::vector<std::string> reports;
    reports.swap(m_reports);
    return reports;
}

std::string SerialUnit::TextValue(char group, int nn) const {
    auto it = m_textValues.find(group);
    if (it == m_textValues.end() || nn < 0 || static_cast<size_t>(nn) >= it->second.size())
        return {};
    return it->second[static_cast<size_t>(nn)];
}

const std::vector<uint8_t>& SerialUnit::Block(int item) const {
    static const Bytes kNone;
    auto it = m_blocks.find(item);
    return it == m_blocks.end() ? kNone : it->second;
}

void SerialUnit::Report(std::string text) {
    m_reports.push_back(std::move(text));
}

void SerialUnit::SendLine(const std::string& body) {
    std::string line = SerialTextLine(body);
    m_out.insert(m_out.end(), line.begin(), line.end());
}

// ---- text protocol (generation 1) -----------------------------------------

void SerialUnit::OnLine(std::string_view line) {
    // The checksum is checked: a unit drops a damaged command.
    size_t star = line.find('*');
    if (line.empty() || line[0] != '$' || star == std::string_view::npos || star + 3 > line.size())
        return;
    char expected[3];
    std::snprintf(expected, sizeof expected, "%02X", SerialTextChecksum(line));
    if (line.substr(star + 1, 2) != std::string_view(expected, 2)) {
        Report("bad checksum: " + std::string(line));
        return;
    }
    std::string_view body = line.substr(1, star - 1);
    if (body.starts_with("PIN,")) {
        m_textPinOk = body.substr(4) == m_settings.pin;
        if (!m_textPinOk) Report("wrong PIN");
        return;
    }
    if (body.starts_with("FIRM")) {
        OnTextFirmware(body.substr(4));
        return;
    }
    if (body.size() < 6) return;
    std::string_view verb = body.substr(0, 3);
    char group = body[3];
    int nn = std::atoi(std::string(body.substr(4, 2)).c_str());
    std::string_view value = body.size() > 7 ? body.substr(7) : std::string_view();
    if (verb == "GET" && group == '2') {
        std::string answer = TextMonitorAnswer(200 + nn);
        if (!answer.empty()) SendLine(answer);
        return;
    }
    if (!m_textPinOk) return;  // configuration commands need the PIN first
    if (verb == "SET" && group == '3') {
        if (nn == 0)
            m_distance =
                static_cast<uint32_t>(std::strtoul(std::string(value).c_str(), nullptr, 10));
        if (nn == 1) m_archive = m_unread = 0;
        Report(nn == 0 ? "distance set to " + std::to_string(m_distance) : "memory cleared");
        return;
    }
    auto values = m_textValues.find(group);
    if (values == m_textValues.end() || nn >= static_cast<int>(values->second.size())) return;
    std::string& slot = values->second[static_cast<size_t>(nn)];
    char head[24];
    std::snprintf(head, sizeof head, "$ANS%c%02d,", group, nn);
    if (verb == "GET") SendLine(head + slot + "*");
    if (verb == "SET") slot = std::string(value);
    if (verb == "CLR") slot.clear();
}

std::string SerialUnit::TextMonitorAnswer(int code) const {
    switch (code) {
        case 200:
            return "$ANS200," + m_settings.imei + ",89480000000000000001*";
        case 201:
            return "$ANS201,3,96,2*";
        case 202:
            return "$ANS202,250,2,2,0,0*";
        case 203:
            return "$ANS203,1,9,523456789,209876543,1234,1200,18050,5025,4321,12345600,9,12,2026,"
                   "1*";
        case 204:
            return "$ANS204,165,1,128*";
        case 205:
            return "$ANS205,12000,11000,500,0*";
        case 206:
            return "$ANS206,10,20,30,40*";
        case 207:
            return "$ANS207,1,ABC123*";
        case 208:
            return "$ANS208,21,26001*";
        case 209:
            return "$ANS209,77,0,1*";
        case 210:
            return "$ANS210,0*";
        case 211:
            return "$ANS211,1,1,2,3,4,5,6,7,8*";
        case 212:
            return "$ANS212,1,2,3*";
        case 213:
            return "$ANS213,1234,56789*";
        case 214:
            return "$ANS214,2,3700,12650,-10,5*";
        case 215:
            return "$ANS215,1765000000*";
        case 216:
            return "$ANS216,1805*";
        case 221:
            return "$ANS221,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0*";
        case 222:
            return "$ANS222,128,0,0,1,2,3*";
        default:
            return {};
    }
}

void SerialUnit::OnTextFirmware(std::string_view body) {
    // n "," hex bytes "," running sum in hex
    size_t c1 = body.find(','), c2 = body.rfind(',');
    if (c1 == std::string_view::npos || c2 == c1) return;
    int line = std::atoi(std::string(body.substr(0, c1)).c_str());
    std::string hex(body.substr(c1 + 1, c2 - c1 - 1));
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    }
    uint32_t sum =
        static_cast<uint32_t>(std::strtoul(std::string(body.substr(c2 + 1)).c_str(), nullptr, 16));
    if (line == 0) {
        m_textSumPlain = m_textSumCpu2 = 0;
        m_firmwareBlocks = 0;
        m_firmwareCorrupt = false;
    }
    m_textSumPlain = SerialFirmwareTextSum(m_textSumPlain, line, bytes, false);
    m_textSumCpu2 = SerialFirmwareTextSum(m_textSumCpu2, line, bytes, true);
    if (line != m_firmwareBlocks || bytes.size() != kFirmwareTextBytes) sum = ~m_textSumPlain;
    ++m_firmwareBlocks;
    if (sum != m_textSumPlain && sum != m_textSumCpu2 && !m_firmwareCorrupt) {
        m_firmwareCorrupt = true;
        Report("firmware upload corrupt at line " + std::to_string(line));
    }
    // The last line of an image of either size, in order and with sound sums.
    if (!m_firmwareCorrupt &&
        (m_firmwareBlocks == kFirmwareTextLines || m_firmwareBlocks == kFirmwareTextLinesCpu2)) {
        Report("firmware text upload of " + std::to_string(m_firmwareBlocks) + " lines complete (" +
               (sum == m_textSumCpu2 && sum != m_textSumPlain ? "CPU-2" : "plain") + " sums)");
    }
}

// ---- binary protocol (generations 2 and 3) --------------------------------

bool SerialUnit::PinMatches(std::span<const uint8_t> data) const {
    return data.size() >= kPinSize &&
           Bytes(data.begin(), data.begin() + kPinSize) == SerialPinField(m_settings.pin);
}

void SerialUnit::Answer(const SerialFrame& request, uint8_t command, uint8_t item,
                        std::span<const uint8_t> data) {
    FrameHeader h;
    h.direction = kDirectionAnswer;
    h.sequence = request.header.sequence;
    h.command = command;
    h.item = item;
    Bytes frame = SerialBuildFrame(h, data);
    m_out.insert(m_out.end(), frame.begin(), frame.end());
}

void SerialUnit::Judge(const SerialFrame& request, bool accepted) {
    Answer(request, accepted ? kCmdAccepted : kCmdRefused, request.header.item, {});
}

void SerialUnit::OnFrame(std::span<const uint8_t> bytes) {
    SerialFrame f;
    if (!SerialParseFrame(bytes, f)) {
        Report("damaged frame dropped");
        return;
    }
    if (f.header.direction != kDirectionRequest || f.header.address != kAddressUnit) return;
    const int item = f.header.item;
    const std::span<const uint8_t> data = f.data;
    switch (f.header.command) {
        case kCmdRead: {
            if (item == kItemImei) {
                Answer(f, kCmdRead, kItemImei, ImeiBcd(m_settings.imei));
            } else if (item == kItemSysDump) {
                for (const char* text : {"SYSDUMP begin", "gsm=GSM_ACT gprs=up", "SYSDUMP end"}) {
                    Answer(f, kCmdDebugText, static_cast<uint8_t>(text[0]),
                           Bytes(reinterpret_cast<const uint8_t*>(text) + 1,
                                 reinterpret_cast<const uint8_t*>(text) +
                                     std::string_view(text).size() + 1));
                }
                // The dump itself: "name:value" lines, as the Debug page shows them.
                const std::string dump = "Firmware:396\nGsm:GSM_ACT\nImei:" + m_settings.imei;
                Answer(f, kCmdRead, kItemSysDump, Bytes(dump.begin(), dump.end()));
            } else if (m_blocks.count(item)) {
                if (!PinMatches(data)) {
                    Report("wrong PIN");
                    Judge(f, false);
                    break;
                }
                const Bytes& block = m_blocks[item];
                Answer(f, kCmdRead, static_cast<uint8_t>(item),
                       m_settings.generation == 3 ? std::span<const uint8_t>(block).subspan(1)
                                                  : std::span<const uint8_t>(block));
            } else {
                Bytes payload = MonitorPayload(item);
                if (!payload.empty()) Answer(f, kCmdRead, static_cast<uint8_t>(item), payload);
            }
            break;
        }
        case kCmdWrite: {
            auto block = m_blocks.find(item);
            if (block == m_blocks.end()) break;
            if (!PinMatches(data)) {
                Report("wrong PIN");
                Judge(f, false);
                break;
            }
            size_t skip = kPinSize;
            if (m_settings.generation == 3) {
                Bytes imei(data.begin() + std::min<size_t>(kPinSize, data.size()),
                           data.begin() + std::min<size_t>(kPinSize + kImeiBytes, data.size()));
                if (imei != ImeiBcd(m_settings.imei)) {
                    Report("write for another IMEI refused");
                    Judge(f, false);
                    break;
                }
                skip += kImeiBytes;
            }
            if (data.size() < skip + block->second.size()) {
                Report("short block refused");
                Judge(f, false);
                break;
            }
            block->second.assign(data.begin() + static_cast<long>(skip),
                                 data.begin() + static_cast<long>(skip + block->second.size()));
            Report("block " + std::to_string(item) + " written");
            Judge(f, true);
            break;
        }
        case kCmdService:
            if (!PinMatches(data)) {
                Report("wrong PIN");
                Judge(f, false);
            } else if (item == kItemDistance) {
                m_distance = SerialGetLE(data, kPinSize, 4);
                Report("distance set to " + std::to_string(m_distance));
                Judge(f, true);
            } else if (item == kItemClearMemory) {
                m_archive = m_unread = 0;
                Report("memory cleared");
                Judge(f, true);
            }
            break;
        case kCmdArchive:
            if (item == kItemArchiveCount) {
                Bytes count;
                SerialPutLE(count, m_archive, 4);
                Answer(f, kCmdArchive, kItemArchiveCount, count);
            } else if (item == kItemArchiveRecord) {
                uint32_t number = SerialGetLE(data, 0, 4);
                if (number < m_archive) {
                    Answer(f, kCmdArchive, kItemArchiveRecord, Record(number));
                } else {
                    Judge(f, false);
                }
            } else if (item == kItemUnreadRecord) {
                if (m_nextUnread < m_unread) {
                    Answer(f, kCmdArchive, kItemUnreadRecord, Record(m_archive + m_nextUnread++));
                } else {
                    Judge(f, false);  // no more data
                }
            }
            break;
        default:
            if (f.header.mark == kMarkUpload && f.header.command == kCmdFirmware)
                OnFirmwareFrame(f);
            if (f.header.mark == kMarkUpload && f.header.command >= kCmdDallasData &&
                f.header.command <= kCmdDallasData + 3) {
                OnDallasFrame(f);
            }
            break;
    }
}

// Block numbers travel as (block % 248 + 1, item = block / 248 + 50).
static int UploadBlock(const SerialFrame& f) {
    return (f.header.item - 50) * 248 + f.header.block - 1;
}

void SerialUnit::OnFirmwareFrame(const SerialFrame& f) {
    const int block = UploadBlock(f);
    if (block == 0) {
        m_firmwareBlocks = 0;
        m_firmwareSum = 0;
        m_firmwareCorrupt = false;
    }
    if (f.data.size() != kUploadBlockSize + 4 || block != m_firmwareBlocks) {
        if (!m_firmwareCorrupt) Report("firmware upload corrupt at block " + std::to_string(block));
        m_firmwareCorrupt = true;
        return;
    }
    for (size_t i = 0; i < kUploadBlockSize; ++i) m_firmwareSum += f.data[i];
    ++m_firmwareBlocks;
    if (SerialGetLE(f.data, kUploadBlockSize, 4) != m_firmwareSum && !m_firmwareCorrupt) {
        m_firmwareCorrupt = true;
        Report("firmware upload corrupt at block " + std::to_string(block));
    }
    if (m_firmwareBlocks == kFirmwareBlocks && !m_firmwareCorrupt)
        Report("firmware upload complete");
}

void SerialUnit::OnDallasFrame(const SerialFrame& f) {
    const int block = UploadBlock(f);
    if (f.header.command == kCmdDallasData) {
        if (block == 0) {
            m_dallas.clear();
            m_dallasBlocks = 0;
            m_dallasComplete = false;
        }
        if (block != m_dallasBlocks) {
            Report("Long DALLAS list block out of order");
            Judge(f, false);
            return;
        }
        m_dallas.insert(m_dallas.end(), f.data.begin(), f.data.end());
        ++m_dallasBlocks;
        Judge(f, true);
        return;
    }
    // Closing frame: type 2 counts 16-byte entries, types 1 and 3 carry the
    // sum of the data bytes.
    const int type = f.header.command - kCmdDallasData;
    uint32_t expected = 0;
    if (type == 2) {
        expected = static_cast<uint32_t>(m_dallas.size() / 16);
    } else {
        for (uint8_t b : m_dallas) expected += b;
    }
    const bool ok = block == m_dallasBlocks && SerialGetLE(f.data, 0, 4) == expected;
    m_dallasComplete = ok;
    Report(ok ? "Long DALLAS list complete" : "Long DALLAS list upload corrupt");
    Judge(f, ok);
}

std::vector<uint8_t> SerialUnit::Record(uint32_t number) const {
    Bytes record(kRecordSize);
    for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(number + i);
    return record;
}

std::vector<uint8_t> SerialUnit::MonitorPayload(int code) const {
    using namespace unit_sim;
    switch (code) {
        case 60: {
            Bytes d;
            Put(d, m_settings.imei, 16);
            Put(d, "89480000000000000001", 21);
            d.push_back(3);
            SerialPutLE(d, 396, 4);
            SerialPutLE(d, 250, 2);
            d.insert(d.end(), {2, 2, 0, 0});
            if (m_settings.generation == 3) {
                Put(d, "WVWZZZ1JZXW000001", 17);
                Put(d, "WX12345", 13);
                SerialPutLE(d, 0x12345678, 4);
            }
            return d;
        }
        case 61: {
            Position p;
            p.satuse = 9;
            p.latitude = 523456789;
            p.longitude = 209876543;
            p.altitude = 123.4;
            p.kph = 50.25;
            p.time = 12345600;
            p.day = 9;
            p.month = 12;
            p.year = 2026;
            p.antstat = 1;
            return Payload(PositionFrame(p));
        }
        case 62:
            return Payload(InputsFrame({0xA5, 0x01, 0x80}));
        case 63:
            return Payload(AnalogueFrame({{12000, 11000, 500, 0}}));
        case 64:
            return Payload(CountersFrame({10, 20, 3.0, 4.0}));
        case 65:
            return Payload(TagTextFrame(5, 1, "ABC123"));
        case 66:
            return Payload(GsmFrame({21, 26001}));
        case 67:
            return Payload(SequenceFrame({77, 0, 1}));
        case 68:
            return Payload(AlarmFrame(0));
        case 69:
            return Payload(EarlierPositionsFrame({1, {1, 2, 3, 4}, {5, 6, 7, 8}}));
        case 70:
            return Payload(LevelsFrame(1, 2, 3));
        case 71:
            return Payload(CellFrame(1234, 56789));
        case 72:
            return Payload(TerminalFrame({2, 3.7, 12.65, -10, 5}));
        case 73:
            return Payload(ServerTimeFrame(1765000000));
        case 75:
            return Payload(AccelerometerFrame({21.5, 0, 0, 1}));
        case 76:
            return Payload(FmsFrame(1, 1, {}));
        case 77: {
            Bytes d = Payload(FmsFrame(1, 1, {}));
            Bytes ex = Payload(FmsExtraFrame({}));
            d.insert(d.end(), ex.begin(), ex.end());
            return d;
        }
        case 78:
            return Payload(RfidFrame({1, 2, 12.34}));
        case 79:
            return Payload(DrivingFrame({1, -1, 0.5, 1, 2, 3}));
        case 80:
            return Payload(TagTextFrame(22, 1, "TAG2"));
        case 81:
            return Payload(
                RouteCountersFrame({9, {1, 2, 3, 4}, {5, 6, 7, 8}, {100, 110, 120, 130}}));
        case 83:
            return Payload(EventFrame(42));
        case 84:
            return Payload(AdasFrame(1, 2, 3, 4));
        case 85:
            return Payload(TelltaleFrame(513, 3000000000u));
        default:
            return {};
    }
}

}  // namespace serial_unit
