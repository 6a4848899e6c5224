#pragma once
// Tachograph files a simulated unit delivers: a driver card as the unit
// uploads it (directory block and 27 elementary files, frame 56) with the
// ".ddd" file the server must make of it, and a vehicle unit download (the
// five transfer types) that a remote download streams. Deterministic: the
// same arguments give the same bytes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace unit_sim {

inline constexpr size_t kDriverUploadSize = 112 * 256;

struct CardFile {
    uint16_t id = 0;
    uint8_t flag = 0;  // 0 data, 1 signature
    std::string content;
};

// The 27 elementary files of a driver card whose identification (0x0520)
// holds `card_number` (16 characters) and `surname`; together they fill all
// 112 upload blocks.
std::vector<CardFile> DriverCardFiles(std::string_view card_number, std::string_view surname);

// The upload of `files`: directory entries with their 16-bit sums in block
// 0, contents from offset 256. kDriverUploadSize bytes.
std::string DriverUpload(const std::vector<CardFile>& files);
// The ".ddd" file of `files`: each as FileID, flag, size (big-endian), content.
std::string DriverDdd(const std::vector<CardFile>& files);

// Record counts of a vehicle unit download.
struct VuCounts {
    uint8_t company_locks = 1, controls = 2;                                  // type 1
    uint16_t card_insertions = 2, activity_changes = 30;                      // type 2
    uint8_t places = 2;                                                       // type 2
    uint16_t specific_conditions = 1;                                         // type 2
    uint8_t faults = 1, events = 2, over_speeding = 1, time_adjustments = 1;  // type 3
    uint16_t speed_blocks = 3;                                                // type 4
    uint8_t calibrations = 2;                                                 // type 5
};

// One transfer (0x76, type 1 to 5, body) with the counts; type 1 carries
// `vin` at offset 390 and `vrn` (padded with spaces to 13) at 409.
std::string VuTransfer(int type, const VuCounts& counts, std::string_view vin,
                       std::string_view vrn);
// Transfers 1 to 5 one after the other.
std::string VuDownload(std::string_view vin, std::string_view vrn, const VuCounts& counts = {});

}  // namespace unit_sim
