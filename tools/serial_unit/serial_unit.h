#pragma once
// A tracking unit on the end of a serial cable, as a pure protocol engine:
// bytes from the manager in, the unit's answer bytes out. Generation 1
// speaks the text protocol, generations 2 and 3 (Vimko-3/4) the binary one.
//
// The unit keeps its configuration blocks in memory (reads return them,
// writes replace them), answers the monitor items from a fixed simulated
// state, checks the configuration PIN (a wrong one is answered with command
// 12 in binary, and by silence in text, as a real unit does), serves archive
// and unread records, sets the distance, clears its memory, and takes
// firmware and Long DALLAS list uploads, checking their running sums.
// Everything noteworthy (a corrupt upload above all) goes to Reports().

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "manager/logic/serial_frame.h"
#include "manager/logic/serial_reader.h"

namespace serial_unit {

struct Settings {
    int generation = 3;  // 1, 2 or 3
    std::string pin = "1234";
    std::string imei = "354330031234567";
    uint32_t archiveRecords = 300;
    uint32_t unreadRecords = 3;
};

class SerialUnit {
  public:
    explicit SerialUnit(const Settings& settings);

    // Takes bytes from the cable and returns what the unit sends back.
    std::vector<uint8_t> Feed(std::span<const uint8_t> bytes);

    // Lines for the simulator's log, oldest first; taking them empties the list.
    std::vector<std::string> TakeReports();

    // State that tests look at.
    uint32_t Distance() const { return m_distance; }
    int FirmwareBlocks() const { return m_firmwareBlocks; }
    bool FirmwareCorrupt() const { return m_firmwareCorrupt; }
    const std::vector<uint8_t>& DallasData() const { return m_dallas; }
    bool DallasComplete() const { return m_dallasComplete; }
    // A Vimko-1 value by group ('1', '5', '6') and number.
    std::string TextValue(char group, int nn) const;
    // The stored block of a binary item.
    const std::vector<uint8_t>& Block(int item) const;

  private:
    void OnLine(std::string_view line);
    void OnFrame(std::span<const uint8_t> bytes);
    void Answer(const SerialFrame& request, uint8_t command, uint8_t item,
                std::span<const uint8_t> data);
    void Judge(const SerialFrame& request, bool accepted);
    void SendLine(const std::string& body);
    void Report(std::string text);
    bool PinMatches(std::span<const uint8_t> data) const;
    std::vector<uint8_t> MonitorPayload(int code) const;
    std::string TextMonitorAnswer(int code) const;
    std::vector<uint8_t> Record(uint32_t number) const;
    void OnFirmwareFrame(const SerialFrame& f);
    void OnDallasFrame(const SerialFrame& f);
    void OnTextFirmware(std::string_view body);

    Settings m_settings;
    SerialReader m_reader;
    std::vector<uint8_t> m_out;
    std::vector<std::string> m_reports;
    std::map<int, std::vector<uint8_t>> m_blocks;           // by item
    std::map<char, std::vector<std::string>> m_textValues;  // Vimko-1, by group
    bool m_textPinOk = false;
    uint32_t m_distance = 0;
    uint32_t m_archive = 0;
    uint32_t m_unread = 0;
    uint32_t m_nextUnread = 0;
    int m_firmwareBlocks = 0;
    uint32_t m_firmwareSum = 0;
    uint32_t m_textSumPlain = 0, m_textSumCpu2 = 0;
    bool m_firmwareCorrupt = false;
    std::vector<uint8_t> m_dallas;
    int m_dallasBlocks = 0;
    bool m_dallasComplete = false;
};

}  // namespace serial_unit
