#include "server/device/line_parser.h"

#include <algorithm>

#include "common/base64_reader.h"
#include "common/block_frames.h"
#include "common/location_decode.h"
#include "common/text_format.h"

namespace {

// A fixed-size text field of n bytes: read all n, keep up to the first NUL.
template <size_t N>
void ReadText(Base64Reader& r, char (&field)[N], size_t n) {
    uint8_t bytes[N] = {};
    ReadBytes(r, bytes, n);
    size_t len = 0;
    while (len < n && len < N - 1 && bytes[len] != 0) ++len;
    std::copy(bytes, bytes + len, field);
    field[len] = '\0';
}

// Reads `count` bytes, keeping at most `keep` of them; the rest of an
// oversized block is consumed and dropped so the next frame still lines up.
std::string ReadBlock(Base64Reader& r, size_t count, size_t keep) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        int byte = ReadByte(r);
        if (byte < 0) break;
        if (out.size() < keep) out += static_cast<char>(byte);
    }
    return out;
}

size_t Remaining(int length, int used) {
    return length > used ? static_cast<size_t>(length - used) : 0;
}

void Identification(int length, Base64Reader& r, LineFrames& f) {
    f.ident = true;
    ReadText(r, f.devId, 15);
    ReadText(r, f.description, 16);
    f.ccid[0] = f.vin[0] = f.vrn[0] = '\0';
    f.version = 0;
    if (length >= 51) ReadText(r, f.ccid, 20);
    if (length >= 81) {
        ReadText(r, f.vin, 17);
        ReadText(r, f.vrn, 13);
    }
    if (length >= 85) f.version = ReadLE(r, 4);
}

void Reidentification(int length, Base64Reader& r, LineFrames& f) {
    f.reident = true;
    ReadText(r, f.description, 16);
    f.ccid[0] = f.vin[0] = f.vrn[0] = '\0';
    f.version = 0;
    if (length >= 36) ReadText(r, f.ccid, 20);
    if (length >= 66) {
        ReadText(r, f.vin, 17);
        ReadText(r, f.vrn, 13);
    }
    if (length >= 70) f.version = ReadLE(r, 4);
}

void TextMessage(int length, Base64Reader& r, LineFrames& f) {
    f.message = true;
    ReadText(r, f.messageAddr, 16);
    ReadText(r, f.messageText, 150);
    f.messageHasPosition = length != 0;
    f.messagePosition = MessagePosition();
    if (!f.messageHasPosition) return;
    MessagePosition& p = f.messagePosition;
    p.fixstat = static_cast<int32_t>(ReadLE(r, 1));
    uint32_t time = ReadLE(r, 4);
    p.time = static_cast<int32_t>(time);
    p.day = static_cast<int32_t>(ReadLE(r, 1));
    p.month = static_cast<int32_t>(ReadLE(r, 1));
    p.year = static_cast<int32_t>(ReadLE(r, 2));
    GpsDateError error = CheckGpsDate(time, p.day, p.month, p.year);
    if (error.bad) f.dateErrors.push_back(error);
    SplitCoordinate(static_cast<int32_t>(ReadLE(r, 4)), p.latituded, p.latitudem);
    SplitCoordinate(static_cast<int32_t>(ReadLE(r, 4)), p.longituded, p.longitudem);
}

void Answer(int id, int length, Base64Reader& r, LineFrames& f) {
    AnswerFrame answer;
    answer.id = id;
    answer.length = length;
    if (IsTextBlockFrame(id)) {
        answer.bytes = ReadBlock(r, 256, 256);
        answer.bytes.resize(256, '\0');
    } else if (IsBinaryBlockFrame(id)) {
        uint32_t count = ReadLE(r, 2);
        std::string data = ReadBlock(r, count, kBinaryBlockMax);
        uint32_t kept = static_cast<uint32_t>(data.size());
        answer.bytes =
            std::string{static_cast<char>(kept & 0xFF), static_cast<char>(kept >> 8)} + data;
    } else if (id == 35) {
        answer.bytes = ReadBlock(r, length >= 9 ? 9 : 5, 9);
    } else if (id == 57) {
        answer.bytes = ReadBlock(r, 5, 5);
    } else if (id == 69) {
        answer.bytes = ReadBlock(r, 4, 4);
    } else if (id == 133) {
        answer.bytes = ReadBlock(r, 8, 8);
    }
    f.answers.push_back(std::move(answer));
}

}  // namespace

bool IsKnownUnitFrame(int id) {
    if (id == 0 || IsLocationFrame(id) || IsTextBlockFrame(id) || IsBinaryBlockFrame(id))
        return true;
    switch (id) {
        case 35:
        case 37:
        case 40:
        case 42:
        case 44:
        case 45:
        case 56:
        case 57:
        case 64:
        case 65:
        case 69:
        case 112:
        case 113:
        case 116:
        case 129:
        case 130:
        case 132:
        case 133:
        case 145:
        case 146:
        case 148:
        case 160:
            return true;
        default:
            return false;
    }
}

LineParse ParseDeviceLine(const char* line, LineFrames& f, LocationRecord& record) {
    Base64Reader r(line);
    int id = ReadByte(r);
    if (id < 0) return LineParse::kEmpty;

    // Location frames work on a copy, so a discarded line leaves nothing behind.
    LocationRecord location = record;
    for (; id >= 0; id = ReadByte(r)) {
        int length = ReadByte(r);
        if (length < 0) length = 0;
        f.frameLog += f.frameLog.empty() ? "frameid=" : " frameid=";
        AppendDecimal(f.frameLog, static_cast<long long>(id));
        f.frameLog += " framelen=";
        AppendDecimal(f.frameLog, static_cast<long long>(length));
        if (IsLocationFrame(id)) {
            GpsDateError error = DecodeLocationFrame(id, length, r, location);
            if (error.bad) f.dateErrors.push_back(error);
            f.location = true;
            continue;
        }
        f.otherFrames = true;
        if (IsTextBlockFrame(id) || IsBinaryBlockFrame(id)) {
            Answer(id, length, r, f);
            continue;
        }
        switch (id) {
            case 0:
                Identification(length, r, f);
                break;
            case 64:
                f.identPico = true;
                Identification(51, r, f);
                break;
            case 42:
                Reidentification(length, r, f);
                break;
            case 65:
                f.reidentPico = true;
                Reidentification(36, r, f);
                break;
            case 35:
            case 57:
            case 69:
            case 133:
                Answer(id, length, r, f);
                break;
            case 37:
                f.ack = true;
                break;
            case 44:
                f.nack = true;
                break;
            case 40:
                f.ackRequest = true;
                break;
            case 160:
                f.agps = true;
                break;
            case 45:
                TextMessage(length, r, f);
                break;
            case 56:
                f.driverBlock = true;
                f.driverBlockNo = static_cast<uint8_t>(ReadLE(r, 1));
                ReadBytes(r, f.driverData, sizeof f.driverData);
                break;
            case 112:
                f.tunnelConnect = true;
                f.tunnelKind = static_cast<uint8_t>(ReadLE(r, 1));
                ReadBytes(r, f.tunnelAddress, 4);
                f.tunnelPort = static_cast<uint16_t>(ReadLE(r, 2));
                break;
            case 113:
                f.tunnelDisconnect = true;
                break;
            case 116:
                f.tunnelData = true;
                f.tunnelBytes = ReadBlock(r, ReadLE(r, 2), kTunnelDataMax);
                break;
            case 129:
                f.korvNotify = true;
                f.korvStatus = static_cast<uint8_t>(ReadLE(r, 1));
                break;
            case 130:
                f.webRequest = true;
                f.webCounter = static_cast<uint16_t>(ReadLE(r, 2));
                f.webText = ReadBlock(r, Remaining(length, 2), 256);
                break;
            case 132:
                f.korvData = true;
                f.korvCounter = static_cast<uint16_t>(ReadLE(r, 2));
                f.korvBytes = ReadBlock(r, Remaining(length, 2), 256);
                break;
            case 145:
                f.tachoNotify = true;
                f.tachoNotifyKey = ReadLE(r, 4);
                f.tachoEvent = static_cast<uint16_t>(ReadLE(r, 2));
                f.tachoHasLink = length >= 10;
                f.tachoCrcc = 0;
                f.tachoLink.clear();
                if (f.tachoHasLink) {
                    f.tachoCrcc = ReadLE(r, 4);
                    f.tachoLink = ReadBlock(r, Remaining(length, 10), kTachoLinkMax);
                }
                break;
            case 146: {
                f.tachoAuth = true;
                f.tachoAuthKey = ReadLE(r, 4);
                size_t count = std::min<size_t>(ReadLE(r, 2), kTachoBlockMax);
                f.tachoAuthBytes = ReadBlock(r, count, kTachoBlockMax);
                break;
            }
            case 148: {
                f.tachoData = true;
                f.tachoDataKey = ReadLE(r, 4);
                f.tachoMode = static_cast<uint8_t>(ReadLE(r, 1));
                size_t count = std::min<size_t>(ReadLE(r, 2), kTachoBlockMax);
                f.tachoDataBytes = ReadBlock(r, count, kTachoBlockMax);
                break;
            }
            default:
                // No handler: the payload is skipped by its length byte. Without
                // one there is no telling where the next frame starts.
                if (length == 0) return LineParse::kDiscarded;
                SkipBytes(r, static_cast<size_t>(length));
                break;
        }
    }
    record = location;
    return LineParse::kParsed;
}
