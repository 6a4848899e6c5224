#pragma once
// What the server's tachograph handling decides and sends, apart from the
// sockets, files and database: the driver file block rule, the file names and
// the reply frames. Pure.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

// ---- driver file upload (frame 56) ----------------------------------------

enum class DriverBlockAction {
    kRestart,  // block 0: copy to block 0, expect block 1
    kStore,    // the expected block: copy it, expect the next
    kRepeat,   // the previous block again: acknowledge, copy nothing
    kRefuse,   // a gap, a number of 112 or more, or no transfer started
};

// What block `n` means while block `blockno` is expected (112: none).
DriverBlockAction DriverBlockStep(int blockno, int n);

// ---- file names -----------------------------------------------------------

// A serial number as part of a file name: letters, digits, '-' and '_' stay,
// anything else (a path separator, a dot) becomes '_', so a unit can never
// name a file outside the driver directory.
std::string FileNameSerial(std::string_view devId);

// "<dir>YYYYMMDD_hhmmss_<serial>.ddd" of a driver card upload.
std::string DriverFilePath(const std::string& dir, const std::tm& utc, std::string_view devId);
// "YYYYMMDD_hhmmss_<serial>", the base name of a remote download.
std::string DownloadBaseName(const std::tm& utc, std::string_view devId);

// ---- reply frames ----------------------------------------------------------

// 147 (TachoAuth reply) or 149 (TachoData reply): length byte 0, count u16,
// the bytes.
std::string TachoReplyFrame(uint8_t id, std::string_view data);
// 131: length byte = count + 2, counter u16, the body (at most 250 bytes).
std::string WebReplyFrame(uint16_t counter, std::string_view body);
