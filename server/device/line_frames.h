#pragma once
// What the frames of one unit line carry, collected by the parse loop and
// acted on afterwards, in a fixed order, by the unit session. Handlers only
// fill this record (and the unit's location record); nothing is sent or
// stored while the line is being parsed.

#include <cstdint>
#include <string>
#include <vector>

#include "common/location_decode.h"

// Answer blocks and short answers relayed to a waiting console session.
struct AnswerFrame {
    int id = 0;
    int length = 0;     // the frame's length byte
    std::string bytes;  // payload as received (text blocks 256 bytes, binary blocks count+data)
};

// Position fields that may follow a text message from the vehicle.
struct MessagePosition {
    int32_t fixstat = 0;
    int32_t time = 0;                      // hhmmsscc
    int32_t day = 0, month = 0, year = 0;  // year 0: no (valid) date
    int32_t latituded = 0;
    float latitudem = 0;
    int32_t longituded = 0;
    float longitudem = 0;
};

inline constexpr size_t kTunnelDataMax = 256;
inline constexpr size_t kBinaryBlockMax = 512;
inline constexpr size_t kTachoBlockMax = 264;
inline constexpr size_t kTachoLinkMax = 64;

struct LineFrames {
    // Identification (0, 64) and re-identification (42, 65).
    bool ident = false, identPico = false, reident = false, reidentPico = false;
    char devId[15 + 1] = {};
    char description[16 + 1] = {};
    char ccid[20 + 1] = {};
    char vin[17 + 1] = {};
    char vrn[13 + 1] = {};
    uint32_t version = 0;

    bool location = false;                 // a location frame was in the line
    bool otherFrames = false;              // a frame of any other kind was in the line
    std::vector<GpsDateError> dateErrors;  // to be logged, in line order

    // Text message from the vehicle (45).
    bool message = false;
    char messageAddr[16 + 1] = {};
    char messageText[150 + 1] = {};
    bool messageHasPosition = false;
    MessagePosition messagePosition;

    std::vector<AnswerFrame> answers;  // 33, 35, 48..61, 67, 69, 74, 80..96, 133, in line order
    bool ack = false;                  // 37
    bool nack = false;                 // 44
    bool ackRequest = false;           // 40
    bool agps = false;                 // 160

    // Driver file block (56).
    bool driverBlock = false;
    uint8_t driverBlockNo = 0;
    uint8_t driverData[256] = {};

    // Tunnel: connect (112), disconnect (113), data (116).
    bool tunnelConnect = false;
    uint8_t tunnelKind = 0;  // non-zero TCP
    uint8_t tunnelAddress[4] = {};
    uint16_t tunnelPort = 0;
    bool tunnelDisconnect = false;
    bool tunnelData = false;
    std::string tunnelBytes;  // at most kTunnelDataMax

    // Remote tachograph download.
    bool korvNotify = false;  // 129
    uint8_t korvStatus = 0;
    bool webRequest = false;  // 130
    uint16_t webCounter = 0;
    std::string webText;
    bool korvData = false;  // 132
    uint16_t korvCounter = 0;
    std::string korvBytes;
    bool tachoNotify = false;  // 145
    uint32_t tachoNotifyKey = 0;
    uint16_t tachoEvent = 0;
    bool tachoHasLink = false;
    uint32_t tachoCrcc = 0;
    std::string tachoLink;   // at most kTachoLinkMax
    bool tachoAuth = false;  // 146
    uint32_t tachoAuthKey = 0;
    std::string tachoAuthBytes;  // at most kTachoBlockMax
    bool tachoData = false;      // 148
    uint32_t tachoDataKey = 0;
    uint8_t tachoMode = 0;
    std::string tachoDataBytes;  // at most kTachoBlockMax

    // "frameid=%d framelen=%d" of every frame, for the log.
    std::string frameLog;
};
