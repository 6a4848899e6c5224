#include "common/location_decode.h"

#include <cstdio>
#include <cstring>

namespace {

uint32_t U8(Base64Reader& r) {
    return ReadLE(r, 1);
}
uint32_t U16(Base64Reader& r) {
    return ReadLE(r, 2);
}
uint32_t U32(Base64Reader& r) {
    return ReadLE(r, 4);
}
int32_t I8(Base64Reader& r) {
    return static_cast<int8_t>(ReadLE(r, 1));
}
int32_t I16(Base64Reader& r) {
    return static_cast<int16_t>(ReadLE(r, 2));
}
int32_t I32(Base64Reader& r) {
    return static_cast<int32_t>(ReadLE(r, 4));
}

void SetBit(LocationRecord& rec, int bit) {
    rec.present |= 1u << bit;
}

bool IsTagChar(uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void HexText(const uint8_t* bytes, size_t count, char* out, size_t outSize) {
    size_t at = 0;
    for (size_t i = 0; i < count && at + 2 < outSize; ++i, at += 2) {
        std::snprintf(out + at, outSize - at, "%02X", bytes[i]);
    }
    out[at] = '\0';
}

// A tag is 16 text bytes when the length byte says 17 (valid byte + text),
// otherwise 8 binary bytes shown as hexadecimal.
void DecodeTag(int length, Base64Reader& reader, char (&tag)[kTagLength]) {
    if (length == 17) {
        uint8_t text[16];
        ReadBytes(reader, text, sizeof text);
        size_t n = 0;
        while (n < sizeof text && text[n] != 0) {
            tag[n] = IsTagChar(text[n]) ? static_cast<char>(text[n]) : '?';
            ++n;
        }
        tag[n] = '\0';
    } else {
        uint8_t bytes[8];
        ReadBytes(reader, bytes, sizeof bytes);
        HexText(bytes, sizeof bytes, tag, sizeof tag);
    }
}

float AnalogueLow(uint32_t v) {
    if (v & 0x8000) return static_cast<float>((v & 0x7FFF) / 1000.0);
    return static_cast<float>(v * 0.029677);
}

float AnalogueHigh(uint32_t v) {
    if (v & 0x8000) return static_cast<float>((v & 0x7FFF) / 1000.0);
    if (v & 0x1000) return static_cast<float>((v & 0x0FFF) * 0.0098923);
    return static_cast<float>(v * 0.029677);
}

GpsDateError ReadGpsDateTime(Base64Reader& r, LocationRecord& rec) {
    uint32_t time = U32(r);
    rec.time = static_cast<int32_t>(time);
    rec.day = static_cast<int32_t>(U8(r));
    rec.month = static_cast<int32_t>(U8(r));
    rec.year = static_cast<int32_t>(U16(r));
    return CheckGpsDate(time, rec.day, rec.month, rec.year);
}

GpsDateError DecodePosition(Base64Reader& r, LocationRecord& rec) {
    rec.fixstat = static_cast<int32_t>(U8(r));
    rec.satuse = static_cast<int32_t>(U8(r));
    SplitCoordinate(I32(r), rec.latituded, rec.latitudem);
    SplitCoordinate(I32(r), rec.longituded, rec.longitudem);
    rec.altitude = static_cast<float>(I16(r) / 10.0);
    rec.altref = static_cast<float>(I16(r) / 10.0);
    rec.cogt = static_cast<float>(U16(r) / 100.0);
    rec.kph = static_cast<float>(U16(r) / 100.0);
    rec.distance = static_cast<int32_t>(U32(r));
    GpsDateError error = ReadGpsDateTime(r, rec);
    rec.antstat = static_cast<int32_t>(U8(r));
    SetBit(rec, 0);
    return error;
}

// Frame 15: raw vehicle-bus bytes with a status word saying which of them
// the unit really has; the others read as "not available" (0xFF).
void DecodeFmsStandard(Base64Reader& r, LocationRecord& rec) {
    uint32_t status = U16(r);
    uint8_t data[kFmsDataLength];
    ReadBytes(r, data, 18);
    SkipBytes(r, 5);
    ReadBytes(r, data + 18, 1);
    ReadBytes(r, data + 19, 1);
    SkipBytes(r, 2);
    struct Span {
        int first, last;
        uint32_t bit;
    } const spans[] = {{0, 1, 0x1},    {2, 3, 0x2},    {4, 7, 0x4},
                       {8, 8, 0x8},    {9, 12, 0x10},  {13, 16, 0x20},
                       {17, 17, 0x40}, {18, 18, 0x80}, {19, 19, 0x100}};
    for (const Span& span : spans) {
        for (int i = span.first; i <= span.last; ++i) {
            rec.fmsdata[i] = (status & span.bit) ? data[i] : 0xFF;
        }
    }
    rec.fmsstatus = static_cast<int32_t>(status);
    rec.fmsconfig = 256;
    SetBit(rec, 18);
}

void DecodeTyres(Base64Reader& r, LocationRecord& rec) {
    char* texts[] = {rec.pressures, rec.temperatures, rec.alarms, rec.flags, rec.positions};
    for (char* text : texts) {
        uint8_t block[24];
        ReadBytes(r, block, sizeof block);
        HexText(block, sizeof block, text, kTyreTextLength);
    }
}

GpsDateError DecodePico(int length, Base64Reader& r, LocationRecord& rec) {
    rec.fixstat = static_cast<int32_t>(U8(r));
    rec.satuse = static_cast<int32_t>(U8(r));
    SplitCoordinate(I32(r), rec.latituded, rec.latitudem);
    SplitCoordinate(I32(r), rec.longituded, rec.longitudem);
    rec.altitude = static_cast<float>(I16(r) / 10.0);
    rec.altref = static_cast<float>(I16(r) / 10.0);
    rec.kph = static_cast<float>(U16(r) / 100.0);
    rec.cogt = 0;
    rec.distance = 0;
    GpsDateError error = ReadGpsDateTime(r, rec);
    rec.antstat = 0;
    SetBit(rec, 0);

    rec.rawdin = static_cast<int32_t>(U8(r));
    rec.hidin = 0;
    rec.lodin = 0;
    SetBit(rec, 1);

    rec.val0 = static_cast<float>((U16(r) & 0x7FFF) / 1000.0);
    rec.val1 = static_cast<float>((U16(r) & 0x7FFF) / 1000.0);
    rec.val2 = 0;
    rec.val3 = 0;
    SetBit(rec, 2);

    rec.sig = static_cast<int32_t>(U8(r));
    rec.network = static_cast<int32_t>(U32(r));
    SetBit(rec, 5);

    rec.lac = static_cast<int32_t>(U16(r));
    rec.ci = static_cast<int32_t>(U16(r));
    SetBit(rec, 10);

    // The older variant (length byte 0) has no distance.
    if (length != 0) rec.distance = static_cast<int32_t>(U32(r));
    rec.seqno = static_cast<int32_t>(U32(r));
    rec.mem = static_cast<int32_t>(U16(r));
    rec.frame = static_cast<int8_t>(U8(r));
    SetBit(rec, 6);

    rec.alarm = static_cast<int8_t>(length == 2 ? (rec.rawdin & 1) * 2 : (rec.rawdin >> 3) & 2);
    SetBit(rec, 7);
    return error;
}

}  // namespace

bool IsLocationFrame(int id) {
    return (id >= 1 && id <= 29) || id == kFrameGpsDate || id == kFramePicoRecord;
}

void SplitCoordinate(int32_t raw, int32_t& degrees, float& minutes) {
    degrees = raw / 10000000;
    minutes = static_cast<float>((raw - degrees * 10000000) / 100000.0);
}

bool GpsDateValid(uint32_t time, int day, int month, int year) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    uint32_t hours = time / 1000000;
    uint32_t minutes = (time % 1000000) / 10000;
    uint32_t seconds = (time % 10000) / 100;
    if (hours > 23 || minutes > 59 || seconds > 59) return false;
    if (year < 2000 || year > 2099 || month < 1 || month > 12) return false;
    int last = kDays[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0);
    return day >= 1 && day <= last;
}

GpsDateError CheckGpsDate(uint32_t time, int day, int month, int32_t& year) {
    GpsDateError error;
    if (year == 0 || GpsDateValid(time, day, month, year)) return error;
    error.bad = true;
    error.year = year;
    error.month = month;
    error.day = day;
    error.hour = static_cast<int>(time / 1000000);
    error.minute = static_cast<int>((time % 1000000) / 10000);
    error.second = static_cast<int>((time % 10000) / 100);
    year = 0;
    return error;
}

GpsDateError DecodeLocationFrame(int id, int length, Base64Reader& r, LocationRecord& rec) {
    switch (id) {
        case 1:
            return DecodePosition(r, rec);
        case 2:
            rec.rawdin = static_cast<int32_t>(U8(r));
            rec.hidin = static_cast<int32_t>(U8(r));
            rec.lodin = static_cast<int32_t>(U8(r));
            break;
        case 3:
            rec.val0 = AnalogueLow(U16(r));
            rec.val1 = AnalogueLow(U16(r));
            rec.val2 = AnalogueHigh(U16(r));
            rec.val3 = AnalogueHigh(U16(r));
            break;
        case 4:
            rec.imp0 = static_cast<int32_t>(U32(r));
            rec.imp1 = static_cast<int32_t>(U32(r));
            rec.imp2 = static_cast<float>(U32(r) * 0.1);
            rec.imp3 = static_cast<float>(U32(r) * 0.1);
            break;
        case 5:
            rec.valid = static_cast<int32_t>(U8(r));
            DecodeTag(length, r, rec.tagid);
            break;
        case 6:
            rec.sig = static_cast<int32_t>(U8(r));
            rec.network = static_cast<int32_t>(U32(r));
            break;
        case 7:
            rec.seqno = static_cast<int32_t>(U32(r));
            rec.mem = static_cast<int32_t>(U32(r));
            rec.frame = static_cast<int8_t>(U8(r));
            break;
        case 8:
            rec.alarm = static_cast<int8_t>(U8(r));
            break;
        case 9:
            rec.fixstatd = static_cast<int8_t>(U8(r));
            for (LocationPoint& p : rec.points) {
                SplitCoordinate(I32(r), p.latituded, p.latitudem);
                SplitCoordinate(I32(r), p.longituded, p.longitudem);
            }
            break;
        case 10:
            rec.level0 = static_cast<int32_t>(U16(r));
            rec.level1 = static_cast<int32_t>(U16(r));
            rec.level2 = static_cast<int32_t>(U16(r));
            break;
        case 11:
            rec.lac = static_cast<int32_t>(U16(r));
            rec.ci = static_cast<int32_t>(U16(r));
            break;
        case 12:
            rec.tstat = static_cast<int32_t>(U8(r));
            rec.bat = static_cast<float>(U16(r) / 1000.0);
            rec.pwr = static_cast<float>(U16(r) / 1000.0);
            rec.remrssi = I8(r);
            rec.locrssi = I8(r);
            break;
        case 13:
            rec.srvtime = U32(r);
            break;
        case 14:
            rec.cogm = static_cast<float>(U16(r) / 10.0);
            break;
        case 15:
            DecodeFmsStandard(r, rec);
            return {};  // sets bit 18, not its own
        case 16: {
            rec.s300stat = static_cast<int32_t>(U8(r));
            float* temps[] = {&rec.temp1, &rec.temp2, &rec.temp3, &rec.temp4};
            int32_t* higros[] = {&rec.higro1, &rec.higro2, &rec.higro3, &rec.higro4};
            for (int k = 0; k < 4; ++k) {
                *temps[k] = static_cast<float>(I16(r) / 10.0);
                *higros[k] = static_cast<int32_t>(U8(r));
            }
            break;
        }
        case 17:
            rec.temp = static_cast<float>(I16(r) / 10.0);
            rec.accx = static_cast<float>(I16(r) * 0.0078125);
            rec.accy = static_cast<float>(I16(r) * 0.0078125);
            rec.accz = static_cast<float>(I16(r) * 0.0078125);
            break;
        case 18:
            ReadBytes(r, rec.fmsdataex, kFmsDataExLength);
            break;
        case 19:
            rec.fmsstatus = static_cast<int32_t>(U8(r));
            rec.fmsconfig = static_cast<int32_t>(U8(r));
            ReadBytes(r, rec.fmsdata, kFmsDataLength);
            break;
        case 20:
            rec.rfidstat = static_cast<int32_t>(U8(r));
            rec.direction = static_cast<int32_t>(U8(r));
            rec.speed = static_cast<float>(U16(r) / 100.0);
            break;
        case 21:
            rec.acc2x = static_cast<float>(I16(r) * 0.0078125);
            rec.acc2y = static_cast<float>(I16(r) * 0.0078125);
            rec.acc2z = static_cast<float>(I16(r) * 0.0078125);
            rec.brake = static_cast<int32_t>(U16(r));
            rec.accel = static_cast<int32_t>(U16(r));
            rec.corner = static_cast<int32_t>(U16(r));
            break;
        case 22:
            rec.valid2 = static_cast<int32_t>(U8(r));
            DecodeTag(length, r, rec.tagid2);
            break;
        case 23: {
            rec.route = static_cast<int32_t>(U16(r));
            int32_t* counts[] = {&rec.count0, &rec.count1, &rec.count2, &rec.count3};
            int32_t* times[] = {&rec.time0, &rec.time1, &rec.time2, &rec.time3};
            int32_t* dists[] = {&rec.dist0, &rec.dist1, &rec.dist2, &rec.dist3};
            for (int32_t* c : counts) *c = static_cast<int32_t>(U16(r));
            for (int32_t* t : times) *t = static_cast<int32_t>(U16(r));
            for (int32_t* d : dists) *d = static_cast<int32_t>(U16(r) * 10);
            break;
        }
        case 24:
            DecodeTyres(r, rec);
            break;
        case 25:
            rec.event = static_cast<int8_t>(U8(r));
            break;
        case 26:
            rec.ldwr = static_cast<int32_t>(U8(r));
            rec.ldwl = static_cast<int32_t>(U8(r));
            rec.ttc = static_cast<int32_t>(U8(r));
            rec.fcw = static_cast<int32_t>(U8(r));
            break;
        case 27:
            rec.telltale = static_cast<int32_t>(U16(r));
            rec.totalfuel = static_cast<int32_t>(U32(r));
            break;
        case 28: {
            rec.freqstat = static_cast<int32_t>(U8(r));
            float* freqs[] = {&rec.freq0, &rec.freq1, &rec.freq2, &rec.freq3};
            for (float* f : freqs) *f = static_cast<float>(U32(r) / 10.0);
            break;
        }
        case 29: {
            rec.kphstat = static_cast<int32_t>(U8(r));
            float* speeds[] = {&rec.kph0, &rec.kph1, &rec.kph2, &rec.kph3};
            for (float* s : speeds) *s = static_cast<float>(U16(r) / 100.0);
            break;
        }
        case kFrameGpsDate:
            return ReadGpsDateTime(r, rec);  // no presence bit of its own
        case kFramePicoRecord:
            return DecodePico(length, r, rec);
        default:
            return {};
    }
    SetBit(rec, id - 1);
    return {};
}
