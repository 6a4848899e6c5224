#pragma once
// Statements of the download request queue and the company card flag, and
// the request frame a unit receives. Pure: texts arrive already escaped.

#include <cstdint>
#include <ctime>
#include <string>

std::string BuildKorvalenInsert(const std::tm& now, uint32_t unitId, int request);

// The status update of request `id`: a negative status stamps the unit's
// acknowledgement; status 1 or 2 with a file name records the stored file;
// anything else only the status. `file` is null when there is none.
std::string BuildKorvalenStatus(const std::tm& now, uint32_t id, int status, const char* file,
                                uint32_t checksum);

std::string BuildCardBusySelect(uint32_t company);
std::string BuildCardBusyUpdate(uint32_t company, uint32_t value);

// Pending (never acknowledged) requests of units after `lastUnit`.
std::string BuildKorvalenNextSelect(int maxTries, uint32_t lastUnit);
std::string BuildKorvalenSetTries(uint32_t id, int tries);

// Request code below 256: 128, 1, code. Otherwise 144, 6, row id (u32) and
// code (u16), little-endian.
std::string DownloadRequestFrame(uint32_t id, int request);
