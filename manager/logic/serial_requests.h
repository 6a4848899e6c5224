#pragma once
// Every request the manager puts on the serial cable: the text command
// bodies of a Vimko-1 unit (SerialTextLine adds "*", checksum and CR LF) and
// the binary request frames of Vimko-2 and Vimko-3/4 units. Each binary
// builder takes the `sequence` byte; the caller increments it after sending.
//
// Tabs are numbered as the configuration page shows them: 0 General,
// 1 Calibration, 2 FMS i J1708, 3 CAN, 4 Statuses, 5 Events, 6 Dallas,
// 7 Network, 8 CAN2.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kSerialVimko1 = 0;
inline constexpr int kSerialVimko2 = 1;
inline constexpr int kSerialVimko3 = 2;

inline constexpr int kPinSize = 4;
inline constexpr int kImeiBytes = 8;
inline constexpr int kRecordSize = 256;
inline constexpr int kUploadBlockSize = 256;
inline constexpr int kFirmwareBlocks = 992;
inline constexpr int kFirmwareBlocksCpu2 = 480;
inline constexpr int kFirmwareTextLines = 3968;
inline constexpr int kFirmwareTextLinesCpu2 = 1920;
inline constexpr int kFirmwareTextBytes = 64;

// --- Vimko-1 text commands -------------------------------------------------

// The command group letter of a tab ('1' General, '5' FMS, '6' Dallas) and
// the number of its values; 0 for tabs a Vimko-1 unit does not have.
char SerialTextGroup(int tab);
int SerialTextValueCount(int tab);

std::string SerialPinBody(std::string_view pin);  // "$PIN," pin
std::string SerialGetBody(char group, int nn);    // "$GET1%02d*"
std::string SerialSetBody(char group, int nn,
                          std::string_view value);       // "$SET1%02d,v*" or "$CLR1%02d*"
std::string SerialDistanceBody(std::string_view value);  // "$SET300," value
std::string SerialClearBody();                           // "$SET301"

// The monitor poll lines of a Vimko-1 unit, step 1 to 19: answers 200..216, 221, 222.
inline constexpr int kTextMonitorSteps = 19;
int SerialTextMonitorCode(int step);  // 200.. for step 1..19, -1 otherwise
std::string SerialTextMonitorBody(int step);

// One firmware line: "$FIRM" n "," 64 bytes as %02X "," running sum as %X "*".
std::string SerialFirmwareTextBody(int line, std::span<const uint8_t> bytes, uint32_t sum);

// The running sum of the firmware text upload after line `line`: `sum` plus
// the line's bytes, plus (line / 4 + 1) on every fourth line for CPU bit 2.
uint32_t SerialFirmwareTextSum(uint32_t sum, int line, std::span<const uint8_t> bytes, bool cpu2);

// --- Vimko-2 and Vimko-3/4 binary requests ---------------------------------

// The block item of a tab: 50 + tab (Vimko-2, tabs 0 and 2..7), 90 + tab
// (Vimko-3/4); -1 when the generation has no such block.
int SerialBlockItem(int deviceType, int tab);

// The 4-byte PIN field: the PIN's first four characters, zero-filled.
std::vector<uint8_t> SerialPinField(std::string_view pin);

std::vector<uint8_t> SerialReadBlockFrame(uint8_t sequence, int item, std::string_view pin);
std::vector<uint8_t> SerialMonitorFrame(uint8_t sequence, int item);  // also IMEI (100), dump (101)
std::vector<uint8_t> SerialWriteBlockFrame2(uint8_t sequence, int item, std::string_view pin,
                                            std::span<const uint8_t> block);
std::vector<uint8_t> SerialWriteBlockFrame3(uint8_t sequence, int item, std::string_view pin,
                                            std::span<const uint8_t> imei,
                                            std::span<const uint8_t> block);
std::vector<uint8_t> SerialDistanceFrame(uint8_t sequence, std::string_view pin, uint32_t distance);
std::vector<uint8_t> SerialClearFrame(uint8_t sequence, std::string_view pin);
std::vector<uint8_t> SerialArchiveCountFrame(uint8_t sequence);
std::vector<uint8_t> SerialArchiveRecordFrame(uint8_t sequence, uint32_t record);
std::vector<uint8_t> SerialUnreadFrame(uint8_t sequence);

// Firmware block `block` (256 bytes) with the running sum of all image bytes
// sent so far, this block included.
std::vector<uint8_t> SerialFirmwareFrame(uint8_t sequence, int block,
                                         std::span<const uint8_t> bytes, uint32_t sum);
// Long DALLAS list: data block k, and the closing frame after n blocks for
// data type 1..3 with its closing value.
std::vector<uint8_t> SerialDallasBlockFrame(uint8_t sequence, int k,
                                            std::span<const uint8_t> bytes);
std::vector<uint8_t> SerialDallasCloseFrame(uint8_t sequence, int n, int dataType, uint32_t value);

// Record bytes as 512 upper-case hexadecimal characters (archive files).
std::string SerialRecordHex(std::span<const uint8_t> record);
