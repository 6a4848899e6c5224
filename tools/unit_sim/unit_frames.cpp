#include "tools/unit_sim/unit_frames.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/base64_writer.h"

namespace unit_sim {
namespace {

// Appends little-endian numbers and fixed-size fields to a payload.
class Payload {
  public:
    Payload& U8(uint8_t v) {
        m_bytes += static_cast<char>(v);
        return *this;
    }
    Payload& U16(uint16_t v) { return LE(v, 2); }
    Payload& I16(int16_t v) { return LE(static_cast<uint16_t>(v), 2); }
    Payload& U32(uint32_t v) { return LE(v, 4); }
    Payload& I32(int32_t v) { return LE(static_cast<uint32_t>(v), 4); }
    // `text` cut to `size` bytes, then NUL bytes up to `size`.
    Payload& Text(std::string_view text, size_t size) {
        size_t n = std::min(text.size(), size);
        m_bytes.append(text.data(), n);
        m_bytes.append(size - n, '\0');
        return *this;
    }
    template <size_t N>
    Payload& Bytes(const std::array<uint8_t, N>& bytes) {
        m_bytes.append(reinterpret_cast<const char*>(bytes.data()), N);
        return *this;
    }
    Payload& Bytes(std::string_view bytes) {
        m_bytes.append(bytes.data(), bytes.size());
        return *this;
    }
    const std::string& str() const { return m_bytes; }

  private:
    Payload& LE(uint32_t v, int size) {
        for (int i = 0; i < size; ++i) m_bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
        return *this;
    }
    std::string m_bytes;
};

// Rounds value x scale to the nearest integer inside [lo, hi]; NaN gives 0.
int64_t Scaled(double value, double scale, int64_t lo, int64_t hi) {
    double v = value * scale;
    if (std::isnan(v)) return 0;
    if (v <= static_cast<double>(lo)) return lo;
    if (v >= static_cast<double>(hi)) return hi;
    return std::clamp<int64_t>(std::llround(v), lo, hi);
}

int16_t ScaledI16(double value, double scale) {
    return static_cast<int16_t>(Scaled(value, scale, std::numeric_limits<int16_t>::min(),
                                       std::numeric_limits<int16_t>::max()));
}
uint16_t ScaledU16(double value, double scale) {
    return static_cast<uint16_t>(Scaled(value, scale, 0, std::numeric_limits<uint16_t>::max()));
}
uint32_t ScaledU32(double value, double scale) {
    return static_cast<uint32_t>(Scaled(value, scale, 0, std::numeric_limits<uint32_t>::max()));
}

constexpr int64_t kDegreeUnit = 10000000;  // 10^7
constexpr int64_t kMinuteUnit = 100000;    // 10^5
constexpr int64_t kFullDegree = 60 * kMinuteUnit;

int32_t ClampCoordinate(int64_t raw) {
    return static_cast<int32_t>(std::clamp<int64_t>(raw, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

std::string FrameWithLength(uint8_t id, uint8_t length_byte, std::string_view payload) {
    std::string frame;
    frame.reserve(2 + payload.size());
    frame += static_cast<char>(id);
    frame += static_cast<char>(length_byte);
    frame.append(payload.data(), payload.size());
    return frame;
}

std::string Frame(uint8_t id, std::string_view payload) {
    uint8_t length = payload.size() <= 255 ? static_cast<uint8_t>(payload.size()) : 0;
    return FrameWithLength(id, length, payload);
}

int32_t PackCoordinate(int degrees, double minutes) {
    if (std::isnan(minutes)) minutes = 0;
    bool negative = degrees < 0 || (degrees == 0 && minutes < 0);
    int64_t deg = std::llabs(static_cast<int64_t>(degrees));
    int64_t min = Scaled(std::fabs(minutes), kMinuteUnit, 0, std::numeric_limits<int32_t>::max());
    int64_t raw = deg * kDegreeUnit + min;
    return ClampCoordinate(negative ? -raw : raw);
}

int32_t PackDecimalDegrees(double degrees) {
    if (std::isnan(degrees)) return 0;
    bool negative = degrees < 0;
    double magnitude = std::min(std::fabs(degrees), 214.0);  // keeps the result inside i32
    int64_t deg = static_cast<int64_t>(std::floor(magnitude));
    int64_t min = std::llround((magnitude - static_cast<double>(deg)) * 60.0 * kMinuteUnit);
    if (min >= kFullDegree) {  // 59.999996' rounds up to a whole degree
        deg += 1;
        min -= kFullDegree;
    }
    int64_t raw = deg * kDegreeUnit + min;
    return ClampCoordinate(negative ? -raw : raw);
}

// ---- identification ------------------------------------------------------

std::string Identification(const Identity& id) {
    Payload p;
    p.Text(id.serial, 15).Text(id.description, 16).Text(id.ccid, 20);
    p.Text(id.vin, 17).Text(id.vrn, 13).U32(id.version);
    return Frame(kIdentification, p.str());
}

std::string Reidentification(const Identity& id) {
    Payload p;
    p.Text(id.description, 16).Text(id.ccid, 20).Text(id.vin, 17).Text(id.vrn, 13);
    p.U32(id.version);
    return Frame(kReidentification, p.str());
}

std::string PicoIdentification(const Identity& id) {
    Payload p;
    p.Text(id.serial, 15).Text(id.description, 16).Text(id.ccid, 20);
    return Frame(kPicoIdentification, p.str());
}

std::string PicoReidentification(const Identity& id) {
    Payload p;
    p.Text(id.description, 16).Text(id.ccid, 20);
    return Frame(kPicoReidentification, p.str());
}

// ---- location elements ---------------------------------------------------

std::string PositionFrame(const Position& pos) {
    Payload p;
    p.U8(pos.fixstat).U8(pos.satuse).I32(pos.latitude).I32(pos.longitude);
    p.I16(ScaledI16(pos.altitude, 10)).I16(ScaledI16(pos.altref, 10));
    p.U16(ScaledU16(pos.cogt, 100)).U16(ScaledU16(pos.kph, 100));
    p.U32(pos.distance).U32(pos.time).U8(pos.day).U8(pos.month).U16(pos.year);
    p.U8(pos.antstat);
    return Frame(kFramePosition, p.str());
}

std::string InputsFrame(const Inputs& in) {
    Payload p;
    p.U8(in.rawdin).U8(in.hidin).U8(in.lodin);
    return Frame(kFrameInputs, p.str());
}

uint16_t AnalogueMillivolts(double volts) {
    return static_cast<uint16_t>(0x8000 | std::min<uint16_t>(ScaledU16(volts, 1000), 0x7FFF));
}

std::string AnalogueFrame(const Analogue& a) {
    Payload p;
    for (uint16_t v : a.raw) p.U16(v);
    return Frame(kFrameAnalogue, p.str());
}

std::string CountersFrame(const Counters& c) {
    Payload p;
    p.U32(c.imp0).U32(c.imp1).U32(ScaledU32(c.imp2, 10)).U32(ScaledU32(c.imp3, 10));
    return Frame(kFrameCounters, p.str());
}

std::string TagTextFrame(uint8_t frame_id, uint8_t valid, std::string_view text) {
    Payload p;
    p.U8(valid).Text(text, 16);
    return Frame(frame_id, p.str());
}

std::string TagBinaryFrame(uint8_t frame_id, uint8_t valid, const std::array<uint8_t, 8>& tag) {
    Payload p;
    p.U8(valid).Bytes(tag);
    return Frame(frame_id, p.str());
}

std::string GsmFrame(const Gsm& g) {
    Payload p;
    p.U8(g.sig).U32(g.network);
    return Frame(kFrameGsm, p.str());
}

std::string SequenceFrame(const Sequence& s) {
    Payload p;
    p.U32(s.seqno).U32(s.mem).U8(s.frame);
    return Frame(kFrameSequence, p.str());
}

std::string AlarmFrame(uint8_t alarm) {
    return Frame(kFrameAlarm, Payload().U8(alarm).str());
}

std::string EarlierPositionsFrame(const EarlierPositions& e) {
    Payload p;
    p.U8(e.fixstatd);
    for (size_t i = 0; i < 4; ++i) p.I32(e.latitude[i]).I32(e.longitude[i]);
    return Frame(kFrameEarlierPositions, p.str());
}

std::string LevelsFrame(uint16_t level0, uint16_t level1, uint16_t level2) {
    return Frame(kFrameLevels, Payload().U16(level0).U16(level1).U16(level2).str());
}

std::string CellFrame(uint16_t lac, uint16_t ci) {
    return Frame(kFrameCell, Payload().U16(lac).U16(ci).str());
}

std::string TerminalFrame(const TerminalStatus& t) {
    Payload p;
    p.U8(t.tstat).U16(ScaledU16(t.bat, 1000)).U16(ScaledU16(t.pwr, 1000));
    p.U8(static_cast<uint8_t>(t.remrssi)).U8(static_cast<uint8_t>(t.locrssi));
    return Frame(kFrameTerminal, p.str());
}

std::string ServerTimeFrame(uint32_t srvtime) {
    return Frame(kFrameServerTime, Payload().U32(srvtime).str());
}

std::string MagneticCourseFrame(double cogm_deg) {
    return Frame(kFrameMagneticCourse, Payload().U16(ScaledU16(cogm_deg, 10)).str());
}

std::string FmsWithStatusFrame(uint16_t status, const std::array<uint8_t, kFmsDataSize>& data) {
    Payload p;
    p.U16(status);
    for (size_t i = 0; i < 18; ++i) p.U8(data[i]);
    p.Text("", 5);  // read and ignored by the server
    p.U8(data[18]).U8(data[19]);
    p.Text("", 2);
    return Frame(kFrameFmsWithStatus, p.str());
}

std::string S300Frame(const S300& s) {
    Payload p;
    p.U8(s.s300stat);
    for (size_t i = 0; i < 4; ++i) p.I16(ScaledI16(s.temp[i], 10)).U8(s.higro[i]);
    return Frame(kFrameS300, p.str());
}

std::string AccelerometerFrame(const Accelerometer& a) {
    Payload p;
    p.I16(ScaledI16(a.temp, 10));
    p.I16(ScaledI16(a.accx, 128)).I16(ScaledI16(a.accy, 128)).I16(ScaledI16(a.accz, 128));
    return Frame(kFrameAccelerometer, p.str());
}

std::string FmsExtraFrame(const std::array<uint8_t, 12>& fmsdataex) {
    return Frame(kFrameFmsExtra, Payload().Bytes(fmsdataex).str());
}

std::string FmsFrame(uint8_t fmsstatus, uint8_t fmsconfig,
                     const std::array<uint8_t, kFmsDataSize>& data) {
    Payload p;
    p.U8(fmsstatus).U8(fmsconfig).Bytes(data);
    return Frame(kFrameFms, p.str());
}

std::array<uint8_t, kFmsDataSize> FmsBytes(const FmsSample& s) {
    std::array<uint8_t, kFmsDataSize> data;
    data.fill(0xFF);
    // 0xFFFF / 0xFF are "not available" on the bus, so valid values stay below.
    uint16_t speed = std::min<uint16_t>(ScaledU16(s.speed_kmh, 256), 0xFFFE);
    uint16_t rpm = std::min<uint16_t>(ScaledU16(s.engine_rpm, 8), 0xFFFE);
    uint32_t fuel = std::min<uint32_t>(ScaledU32(s.total_fuel_l, 2), 0x7FFFFFFF);
    uint8_t level = static_cast<uint8_t>(std::min<uint16_t>(ScaledU16(s.fuel_level_pct, 2.5), 250));
    data[0] = static_cast<uint8_t>(speed & 0xFF);
    data[1] = static_cast<uint8_t>(speed >> 8);
    data[2] = static_cast<uint8_t>(rpm & 0xFF);
    data[3] = static_cast<uint8_t>(rpm >> 8);
    for (int i = 0; i < 4; ++i) data[4 + i] = static_cast<uint8_t>((fuel >> (8 * i)) & 0xFF);
    data[8] = level;
    return data;
}

std::string RfidFrame(const Rfid& r) {
    Payload p;
    p.U8(r.rfidstat).U8(r.direction).U16(ScaledU16(r.speed, 100));
    return Frame(kFrameRfid, p.str());
}

std::string DrivingFrame(const Driving& d) {
    Payload p;
    p.I16(ScaledI16(d.acc2x, 128)).I16(ScaledI16(d.acc2y, 128)).I16(ScaledI16(d.acc2z, 128));
    p.U16(d.brake).U16(d.accel).U16(d.corner);
    return Frame(kFrameDriving, p.str());
}

std::string RouteCountersFrame(const RouteCounters& r) {
    Payload p;
    p.U16(r.route);
    for (uint16_t c : r.count) p.U16(c);
    for (uint16_t t : r.time) p.U16(t);
    for (uint32_t d : r.dist) p.U16(ScaledU16(static_cast<double>(d), 0.1));
    return Frame(kFrameRouteCounters, p.str());
}

std::string TyresFrame(const std::array<uint8_t, 120>& blocks) {
    return Frame(kFrameTyres, Payload().Bytes(blocks).str());
}

std::string EventFrame(uint8_t event) {
    return Frame(kFrameEvent, Payload().U8(event).str());
}

std::string AdasFrame(uint8_t ldwr, uint8_t ldwl, uint8_t ttc, uint8_t fcw) {
    return Frame(kFrameAdas, Payload().U8(ldwr).U8(ldwl).U8(ttc).U8(fcw).str());
}

std::string TelltaleFrame(uint16_t telltale, uint32_t totalfuel) {
    return Frame(kFrameTelltale, Payload().U16(telltale).U32(totalfuel).str());
}

std::string FrequenciesFrame(const Frequencies& f) {
    Payload p;
    p.U8(f.freqstat);
    for (double v : f.freq) p.U32(ScaledU32(v, 10));
    return Frame(kFrameFrequencies, p.str());
}

std::string WheelSpeedsFrame(const WheelSpeeds& w) {
    Payload p;
    p.U8(w.kphstat);
    for (double v : w.kph) p.U16(ScaledU16(v, 100));
    return Frame(kFrameWheelSpeeds, p.str());
}

std::string GpsDateFrame(const GpsDateTime& t) {
    return Frame(kGpsDate, Payload().U32(t.time).U8(t.day).U8(t.month).U16(t.year).str());
}

std::string PicoRecordFrame(const PicoRecord& r, uint8_t length_byte) {
    Payload p;
    p.U8(r.fixstat).U8(r.satuse).I32(r.latitude).I32(r.longitude);
    p.I16(ScaledI16(r.altitude, 10)).I16(ScaledI16(r.altref, 10)).U16(ScaledU16(r.kph, 100));
    p.U32(r.time).U8(r.day).U8(r.month).U16(r.year);
    p.U8(r.rawdin);
    p.U16(std::min<uint16_t>(ScaledU16(r.val0, 1000), 0x7FFF));
    p.U16(std::min<uint16_t>(ScaledU16(r.val1, 1000), 0x7FFF));
    p.U8(r.sig).U32(r.network).U16(r.lac).U16(r.ci);
    if (length_byte != 0) p.U32(r.distance);
    p.U32(r.seqno).U16(r.mem).U8(r.frame);
    return FrameWithLength(kPicoRecord, length_byte, p.str());
}

// ---- messages and control frames -----------------------------------------

std::string TextMessage(std::string_view address, std::string_view text,
                        const std::optional<MessagePosition>& position) {
    Payload p;
    p.Text(address, 16).Text(text, 150);
    if (!position) return FrameWithLength(kTextMessage, 0, p.str());
    p.U8(position->fixstat).U32(position->time).U8(position->day).U8(position->month);
    p.U16(position->year).I32(position->latitude).I32(position->longitude);
    return Frame(kTextMessage, p.str());
}

std::string AckFrame() {
    return Frame(kAck, {});
}
std::string NackFrame() {
    return Frame(kNack, {});
}
std::string AckRequestFrame() {
    return Frame(kAckRequest, {});
}
std::string AgpsRequestFrame() {
    return Frame(kAgpsRequest, {});
}

std::string TunnelConnectFrame(bool tcp, const std::array<uint8_t, 4>& address, uint16_t port) {
    Payload p;
    p.U8(tcp ? 1 : 0).Bytes(address).U16(port);
    return Frame(kTunnelConnect, p.str());
}

std::string TunnelDisconnectFrame() {
    return Frame(kTunnelDisconnect, {});
}

std::string DriverBlockFrame(uint8_t block, std::string_view bytes) {
    return Frame(kDriverBlock, Payload().U8(block).Text(bytes, 256).str());
}

std::string KorvNotifyFrame(uint8_t status) {
    return Frame(kKorvNotify, Payload().U8(status).str());
}

std::string WebRequestFrame(uint16_t counter, std::string_view text) {
    return Frame(kWebRequest, Payload().U16(counter).Bytes(text.substr(0, 253)).str());
}

std::string KorvDataFrame(uint16_t counter, std::string_view bytes) {
    return Frame(kKorvData, Payload().U16(counter).Bytes(bytes.substr(0, 253)).str());
}

std::string TachoNotifyFrame(uint32_t key, uint16_t event, bool with_link, uint32_t crcc,
                             std::string_view link) {
    Payload p;
    p.U32(key).U16(event);
    if (with_link) p.U32(crcc).Bytes(link.substr(0, 64));
    return Frame(kTachoNotify, p.str());
}

std::string TachoAuthFrame(uint32_t key, std::string_view bytes) {
    bytes = bytes.substr(0, 264);
    return Frame(kTachoAuth,
                 Payload().U32(key).U16(static_cast<uint16_t>(bytes.size())).Bytes(bytes).str());
}

std::string TachoDataFrame(uint32_t key, uint8_t mode, std::string_view bytes) {
    bytes = bytes.substr(0, 264);
    return Frame(
        kTachoData,
        Payload().U32(key).U8(mode).U16(static_cast<uint16_t>(bytes.size())).Bytes(bytes).str());
}

std::string TunnelDataFrame(std::string_view bytes) {
    std::string_view data = bytes.substr(0, kMaxTunnelData);
    Payload p;
    p.U16(static_cast<uint16_t>(data.size())).Bytes(data);
    return Frame(kTunnelData, p.str());
}

// ---- answers -------------------------------------------------------------

std::string TextBlockAnswer(uint8_t id, std::string_view content) {
    return Frame(id, Payload().Text(content, kTextBlockSize).str());
}

std::string BinaryBlockAnswer(uint8_t id, std::string_view block) {
    std::string_view data = block.substr(0, kMaxBinaryBlock);
    Payload p;
    p.U16(static_cast<uint16_t>(data.size())).Bytes(data);
    return Frame(id, p.str());
}

std::string FirmwareStatusAnswer(uint8_t status, uint32_t version,
                                 std::optional<uint32_t> checksum) {
    Payload p;
    p.U8(status).U32(version);
    if (checksum) p.U32(*checksum);
    return Frame(kFirmwareStatus, p.str());
}

std::string TerminalFirmwareStatusAnswer(uint8_t status, uint32_t version) {
    return Frame(kTerminalFirmwareStatus, Payload().U8(status).U32(version).str());
}

std::string PicoFirmwareVersionAnswer(uint32_t version) {
    return Frame(kPicoFirmwareVersion, Payload().U32(version).str());
}

std::string AdapterFirmwareVersionAnswer(std::string_view text) {
    return Frame(kAdapterFirmwareVersion, Payload().Text(text, 8).str());
}

// ---- lines ---------------------------------------------------------------

std::string UnitLine(const std::vector<std::string>& frames, char terminator) {
    Base64Writer writer;
    for (const std::string& f : frames) {
        writer.PutBytes(reinterpret_cast<const uint8_t*>(f.data()), f.size());
    }
    return writer.FinishLine(terminator);
}

std::array<uint8_t, 8> UdpIdentifier(std::string_view serial) {
    std::array<uint8_t, 16> nibbles;
    nibbles.fill(15);
    for (size_t i = 0; i < serial.size() && i < nibbles.size(); ++i) {
        int value = serial[i] - '0';
        if (value < 0 || value > 14) break;
        nibbles[i] = static_cast<uint8_t>(value);
    }
    std::array<uint8_t, 8> id{};
    for (size_t i = 0; i < id.size(); ++i) {
        id[i] = static_cast<uint8_t>((nibbles[2 * i] << 4) | nibbles[2 * i + 1]);
    }
    return id;
}

std::string UdpDatagram(const std::string& serial, const std::vector<std::string>& frames,
                        char terminator) {
    Base64Writer writer;
    std::array<uint8_t, 8> id = UdpIdentifier(serial);
    writer.PutBytes(id.data(), id.size());
    for (const std::string& f : frames) {
        writer.PutBytes(reinterpret_cast<const uint8_t*>(f.data()), f.size());
    }
    return writer.FinishLine(terminator);
}

}  // namespace unit_sim
