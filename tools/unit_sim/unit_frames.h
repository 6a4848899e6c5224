#pragma once
// Encoders for the frames a tracking unit sends to the server. Every function
// is pure and returns one frame's bytes: identifier, length byte, payload.
// Numbers are little-endian; fixed-size text fields are cut to their size and
// padded with NUL bytes (a text that fills its field exactly has no NUL).
//
// Engineering values (km/h, metres, degrees, volts) are converted to the raw
// units the server divides back out; values outside a field's range are
// clamped to the range instead of wrapping.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace unit_sim {

// Frame identifiers, unit to server.
enum UnitFrameId : uint8_t {
    kIdentification = 0,
    kFramePosition = 1,
    kFrameInputs = 2,
    kFrameAnalogue = 3,
    kFrameCounters = 4,
    kFrameTag = 5,
    kFrameGsm = 6,
    kFrameSequence = 7,
    kFrameAlarm = 8,
    kFrameEarlierPositions = 9,
    kFrameLevels = 10,
    kFrameCell = 11,
    kFrameTerminal = 12,
    kFrameServerTime = 13,
    kFrameMagneticCourse = 14,
    kFrameFmsWithStatus = 15,
    kFrameS300 = 16,
    kFrameAccelerometer = 17,
    kFrameFmsExtra = 18,
    kFrameFms = 19,
    kFrameRfid = 20,
    kFrameDriving = 21,
    kFrameTag2 = 22,
    kFrameRouteCounters = 23,
    kFrameTyres = 24,
    kFrameEvent = 25,
    kFrameAdas = 26,
    kFrameTelltale = 27,
    kFrameFrequencies = 28,
    kFrameWheelSpeeds = 29,
    kFirmwareStatus = 35,
    kAck = 37,
    kGpsDate = 39,
    kAckRequest = 40,
    kReidentification = 42,
    kNack = 44,
    kTextMessage = 45,
    kTerminalFirmwareStatus = 57,
    kPicoIdentification = 64,
    kPicoReidentification = 65,
    kPicoRecord = 66,
    kPicoFirmwareVersion = 69,
    kTunnelConnect = 112,
    kTunnelDisconnect = 113,
    kTunnelData = 116,
    kDriverBlock = 56,
    kKorvNotify = 129,
    kWebRequest = 130,
    kKorvData = 132,
    kAdapterFirmwareVersion = 133,
    kTachoNotify = 145,
    kTachoAuth = 146,
    kTachoData = 148,
    kAgpsRequest = 160,
};

inline constexpr size_t kTextBlockSize = 256;
inline constexpr size_t kMaxBinaryBlock = 512;
inline constexpr size_t kMaxTunnelData = 256;
inline constexpr size_t kFmsDataSize = 20;

// A frame from its parts. The length byte is the payload size when it fits
// in one byte and 0 otherwise (256-byte text blocks, large binary blocks).
std::string Frame(uint8_t id, std::string_view payload);
// A frame whose length byte is chosen by the caller (variant selectors,
// deliberately wrong lengths in tests).
std::string FrameWithLength(uint8_t id, uint8_t length_byte, std::string_view payload);

// ---- coordinates ---------------------------------------------------------

// Packs degrees and minutes as DD x 10^7 + MM.MMMMM x 10^5. For a southern or
// western coordinate give both parts negative (or degrees 0 and negative
// minutes); the minutes are rounded to 10^-5.
int32_t PackCoordinate(int degrees, double minutes);
// The same from decimal degrees (52.5 -> 52 degrees 30 minutes).
int32_t PackDecimalDegrees(double degrees);

// ---- identification ------------------------------------------------------

struct Identity {
    std::string serial;       // devId, 15 bytes
    std::string description;  // 16 bytes
    std::string ccid;         // SIM card number, 20 bytes
    std::string vin;          // 17 bytes
    std::string vrn;          // registration number, 13 bytes
    uint32_t version = 0;     // firmware version; non-zero asks for the server time in the ack
};

std::string Identification(const Identity& id);        // frame 0, length byte 85
std::string Reidentification(const Identity& id);      // frame 42, length byte 70
std::string PicoIdentification(const Identity& id);    // frame 64, length byte 51
std::string PicoReidentification(const Identity& id);  // frame 65, length byte 36

// ---- location elements (frames 1 to 29, 39, 66) --------------------------

// Frame 1. Field names follow the locdata columns the server fills.
struct Position {
    uint8_t fixstat = 1;
    uint8_t satuse = 0;
    int32_t latitude = 0;   // packed, see PackCoordinate
    int32_t longitude = 0;  // packed
    double altitude = 0;    // metres, sent x10 as i16
    double altref = 0;      // metres, sent x10 as i16
    double cogt = 0;        // course over ground, degrees, sent x100 as u16
    double kph = 0;         // speed km/h, sent x100 as u16
    uint32_t distance = 0;  // odometer as the unit counts it
    uint32_t time = 0;      // hhmmsscc
    uint8_t day = 0;
    uint8_t month = 0;
    uint16_t year = 0;
    uint8_t antstat = 0;
};
std::string PositionFrame(const Position& p);

struct Inputs {
    uint8_t rawdin = 0, hidin = 0, lodin = 0;
};
std::string InputsFrame(const Inputs& in);  // frame 2

// Frame 3 carries four raw u16 readings whose top bits select the scale.
struct Analogue {
    std::array<uint16_t, 4> raw{};  // val0 .. val3
};
// Raw reading for `volts` in the millivolt form (bit 15 set, value in mV,
// at most 32.767 V).
uint16_t AnalogueMillivolts(double volts);
std::string AnalogueFrame(const Analogue& a);

struct Counters {
    uint32_t imp0 = 0, imp1 = 0;
    double imp2 = 0, imp3 = 0;  // sent x10
};
std::string CountersFrame(const Counters& c);  // frame 4

// Frames 5 and 22: a tag as text (length byte 17, 16 text bytes) or as
// 8 binary bytes (length byte 9).
std::string TagTextFrame(uint8_t frame_id, uint8_t valid, std::string_view text);
std::string TagBinaryFrame(uint8_t frame_id, uint8_t valid, const std::array<uint8_t, 8>& tag);

struct Gsm {
    uint8_t sig = 0;
    uint32_t network = 0;
};
std::string GsmFrame(const Gsm& g);  // frame 6

struct Sequence {
    uint32_t seqno = 0;
    uint32_t mem = 0;
    uint8_t frame = 0;
};
std::string SequenceFrame(const Sequence& s);  // frame 7

std::string AlarmFrame(uint8_t alarm);  // frame 8

struct EarlierPositions {
    uint8_t fixstatd = 0;
    std::array<int32_t, 4> latitude{};  // packed
    std::array<int32_t, 4> longitude{};
};
std::string EarlierPositionsFrame(const EarlierPositions& e);  // frame 9

std::string LevelsFrame(uint16_t level0, uint16_t level1, uint16_t level2);  // frame 10
std::string CellFrame(uint16_t lac, uint16_t ci);                            // frame 11

struct TerminalStatus {
    uint8_t tstat = 0;
    double bat = 0;  // volts, sent x1000
    double pwr = 0;  // volts, sent x1000
    int8_t remrssi = 0, locrssi = 0;
};
std::string TerminalFrame(const TerminalStatus& t);  // frame 12

std::string ServerTimeFrame(uint32_t srvtime);     // frame 13
std::string MagneticCourseFrame(double cogm_deg);  // frame 14, sent x10

// Frame 15: FMS data with a validity status word. The data bytes land in the
// 29-byte payload at the places the server reads them from (0..17 at offsets
// 2..19, 18 and 19 at 25 and 26); the filler bytes are 0.
std::string FmsWithStatusFrame(uint16_t status, const std::array<uint8_t, kFmsDataSize>& data);

struct S300 {
    uint8_t s300stat = 0;          // bit k-1: pair k is valid
    std::array<double, 4> temp{};  // degrees C, sent x10 as i16
    std::array<uint8_t, 4> higro{};
};
std::string S300Frame(const S300& s);  // frame 16

struct Accelerometer {
    double temp = 0;                      // degrees C, sent x10
    double accx = 0, accy = 0, accz = 0;  // g, sent x128
};
std::string AccelerometerFrame(const Accelerometer& a);  // frame 17

std::string FmsExtraFrame(const std::array<uint8_t, 12>& fmsdataex);  // frame 18

// Frame 19: FMS status, configuration number and the 20 raw bus bytes.
std::string FmsFrame(uint8_t fmsstatus, uint8_t fmsconfig,
                     const std::array<uint8_t, kFmsDataSize>& data);

// The four values the sample decode rules of FMS configuration 1 read: vehicle
// speed u16 at bytes 0-1 (1/256 km/h), engine speed u16 at 2-3 (0.125 rpm),
// total fuel u32 at 4-7 (0.5 l), fuel level u8 at 8 (0.4 %). The other bytes
// are 0xFF, "not available" on the bus.
struct FmsSample {
    double speed_kmh = 0;
    double engine_rpm = 0;
    double total_fuel_l = 0;
    double fuel_level_pct = 0;
};
std::array<uint8_t, kFmsDataSize> FmsBytes(const FmsSample& s);

struct Rfid {
    uint8_t rfidstat = 0, direction = 0;
    double speed = 0;  // sent x100
};
std::string RfidFrame(const Rfid& r);  // frame 20

struct Driving {
    double acc2x = 0, acc2y = 0, acc2z = 0;  // g, sent x128 as i16
    uint16_t brake = 0, accel = 0, corner = 0;
};
std::string DrivingFrame(const Driving& d);  // frame 21

struct RouteCounters {
    uint16_t route = 0;
    std::array<uint16_t, 4> count{};
    std::array<uint16_t, 4> time{};
    std::array<uint32_t, 4> dist{};  // the stored value; sent /10
};
std::string RouteCountersFrame(const RouteCounters& r);  // frame 23

// Frame 24: five 24-byte blocks (pressures, temperatures, alarms, flags,
// positions); the 120 bytes are sent as given.
std::string TyresFrame(const std::array<uint8_t, 120>& blocks);

std::string EventFrame(uint8_t event);                                        // frame 25
std::string AdasFrame(uint8_t ldwr, uint8_t ldwl, uint8_t ttc, uint8_t fcw);  // frame 26
std::string TelltaleFrame(uint16_t telltale, uint32_t totalfuel);             // frame 27

struct Frequencies {
    uint8_t freqstat = 0;
    std::array<double, 4> freq{};  // Hz, sent x10 as u32
};
std::string FrequenciesFrame(const Frequencies& f);  // frame 28

struct WheelSpeeds {
    uint8_t kphstat = 0;
    std::array<double, 4> kph{};  // km/h, sent x100 as u16
};
std::string WheelSpeedsFrame(const WheelSpeeds& w);  // frame 29

struct GpsDateTime {
    uint32_t time = 0;  // hhmmsscc
    uint8_t day = 0, month = 0;
    uint16_t year = 0;
};
std::string GpsDateFrame(const GpsDateTime& t);  // frame 39

// Frame 66, the compact PICO record.
struct PicoRecord {
    uint8_t fixstat = 1, satuse = 0;
    int32_t latitude = 0, longitude = 0;  // packed
    double altitude = 0, altref = 0;      // metres, x10
    double kph = 0;                       // x100
    uint32_t time = 0;
    uint8_t day = 0, month = 0;
    uint16_t year = 0;
    uint8_t rawdin = 0;
    double val0 = 0, val1 = 0;  // volts, sent in mV (15 bits)
    uint8_t sig = 0;
    uint32_t network = 0;
    uint16_t lac = 0, ci = 0;
    uint32_t distance = 0;  // sent only when the length byte is not 0
    uint32_t seqno = 0;
    uint16_t mem = 0;
    uint8_t frame = 0;
};
// The server reads the length byte of frame 66 as a variant selector: 0 means
// "no distance field" (45-byte payload); anything else includes the distance
// (49 bytes). A length byte of 2 also selects the other alarm bit rule.
inline constexpr uint8_t kPicoLengthNoDistance = 0;
inline constexpr uint8_t kPicoLengthWithDistance = 49;
inline constexpr uint8_t kPicoLengthAlarmBit0 = 2;
std::string PicoRecordFrame(const PicoRecord& r, uint8_t length_byte);

// ---- messages and control frames -----------------------------------------

// Position tail of a text message (frame 45).
struct MessagePosition {
    uint8_t fixstat = 0;
    uint32_t time = 0;  // hhmmsscc
    uint8_t day = 0, month = 0;
    uint16_t year = 0;
    int32_t latitude = 0, longitude = 0;  // packed
};
// Without a position the length byte is 0 (the server then stores the
// message without position); with one it is 183.
std::string TextMessage(std::string_view address, std::string_view text,
                        const std::optional<MessagePosition>& position = std::nullopt);

std::string AckFrame();          // 37: the server's request was carried out
std::string NackFrame();         // 44: the server's request was refused
std::string AckRequestFrame();   // 40
std::string AgpsRequestFrame();  // 160

// Tunnel: 112 connect (address in dotted order), 113 disconnect, 116 data
// (at most 256 bytes; more are cut).
std::string TunnelConnectFrame(bool tcp, const std::array<uint8_t, 4>& address, uint16_t port);
std::string TunnelDisconnectFrame();
std::string TunnelDataFrame(std::string_view bytes);

// ---- tachograph ----------------------------------------------------------

// 56: block number and 256 bytes (cut or NUL-padded).
std::string DriverBlockFrame(uint8_t block, std::string_view bytes);
// 129: download status (0 reserve the company card, 1 release it and name the
// file, 2 file complete, above 2 download ended without a file).
std::string KorvNotifyFrame(uint8_t status);
// 130 and 132: counter and up to 253 bytes (more are cut: the length byte
// counts them).
std::string WebRequestFrame(uint16_t counter, std::string_view text);
std::string KorvDataFrame(uint16_t counter, std::string_view bytes);
// 145: key, event, and when `with_link` the checksum and link (up to 64).
std::string TachoNotifyFrame(uint32_t key, uint16_t event, bool with_link, uint32_t crcc,
                             std::string_view link);
// 146 and 148: key, (mode,) count and bytes (up to 264).
std::string TachoAuthFrame(uint32_t key, std::string_view bytes);
std::string TachoDataFrame(uint32_t key, uint8_t mode, std::string_view bytes);

// ---- answers to the server's read requests --------------------------------

// Text block answer (33, 48, 50, 52, 54, 59, 61, 67, 74): 256 bytes, the
// content cut or NUL-padded to that size.
std::string TextBlockAnswer(uint8_t id, std::string_view content);
// Binary block answer (80 to 96 even): count u16, then the bytes (at most 512).
std::string BinaryBlockAnswer(uint8_t id, std::string_view block);
// Short answers.
std::string FirmwareStatusAnswer(uint8_t status, uint32_t version,
                                 std::optional<uint32_t> checksum);          // 35
std::string TerminalFirmwareStatusAnswer(uint8_t status, uint32_t version);  // 57
std::string PicoFirmwareVersionAnswer(uint32_t version);                     // 69
std::string AdapterFirmwareVersionAnswer(std::string_view text);             // 133, 8 bytes

// ---- lines ---------------------------------------------------------------

// The frames concatenated, Base64 with padding, then the terminator.
std::string UnitLine(const std::vector<std::string>& frames, char terminator);

// 8-byte packed BCD unit identifier: two characters per byte, high nibble
// first; '0'..'9' become 0..9 (the characters up to '>' become 10..14, as the
// server maps them back), nibble 15 pads after the last character. The text
// ends at its 16th character or at the first character that has no nibble.
std::array<uint8_t, 8> UdpIdentifier(std::string_view serial);

// One UDP datagram: the identifier and the frames, Base64 together, then the
// terminator.
std::string UdpDatagram(const std::string& serial, const std::vector<std::string>& frames,
                        char terminator);

}  // namespace unit_sim
