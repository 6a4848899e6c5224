#pragma once
// Which frame identifiers carry a unit's parameter blocks. A read request
// and the unit's answer share the identifier: text blocks are 256 bytes of
// fixed-position text (generations 1, 2 and PICO), binary blocks a 16-bit
// count and that many bytes (generation 3).

inline bool IsTextBlockFrame(int id) {
    switch (id) {
        case 33:  // general configuration
        case 48:  // calibration
        case 50:  // FMS
        case 52:  // CAN
        case 54:  // statuses
        case 59:  // CAN events
        case 61:  // key masks
        case 67:  // PICO configuration
        case 74:  // networks
            return true;
        default:
            return false;
    }
}

inline bool IsBinaryBlockFrame(int id) {
    return id >= 80 && id <= 96 && id % 2 == 0;
}
