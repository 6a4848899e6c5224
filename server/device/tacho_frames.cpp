#include "server/device/tacho_frames.h"

#include "common/text_format.h"
#include "server/device/device_slot.h"
#include "server/device/korvalen_http_text.h"

DriverBlockAction DriverBlockStep(int blockno, int n) {
    if (n == 0) return DriverBlockAction::kRestart;
    if (n == blockno && n < kDriverBlocks) return DriverBlockAction::kStore;
    if (n + 1 == blockno) return DriverBlockAction::kRepeat;
    return DriverBlockAction::kRefuse;
}

std::string FileNameSerial(std::string_view devId) {
    std::string out;
    for (char c : devId) {
        bool keep = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                    c == '-' || c == '_';
        out += keep ? c : '_';
    }
    return out;
}

std::string DownloadBaseName(const std::tm& utc, std::string_view devId) {
    return StringPrintf("%04d%02d%02d_%02d%02d%02d_%s", utc.tm_year + 1900, utc.tm_mon + 1,
                        utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                        FileNameSerial(devId).c_str());
}

std::string DriverFilePath(const std::string& dir, const std::tm& utc, std::string_view devId) {
    return dir + DownloadBaseName(utc, devId) + ".ddd";
}

std::string TachoReplyFrame(uint8_t id, std::string_view data) {
    std::string frame{static_cast<char>(id), 0, static_cast<char>(data.size() & 0xFF),
                      static_cast<char>((data.size() >> 8) & 0xFF)};
    frame.append(data);
    return frame;
}

std::string WebReplyFrame(uint16_t counter, std::string_view body) {
    body = body.substr(0, kWebBodyMax);
    std::string frame{static_cast<char>(131), static_cast<char>((body.size() + 2) & 0xFF),
                      static_cast<char>(counter & 0xFF), static_cast<char>(counter >> 8)};
    frame.append(body);
    return frame;
}
