#pragma once
// The header of a unit's UDP datagram: 8 bytes of packed BCD naming the unit
// (16 nibbles, high nibble first; 0..14 are characters "0"+d, 15 ends the
// text), followed by the frames. Pure.

#include <string>

// Splits the Base64 text of a datagram (terminator removed) into the unit
// identifier and the Base64 text (with padding) of the frames after it.
// False when the text holds fewer than 8 bytes.
bool DecodeUdpDatagram(const char* text, std::string& identifier, std::string& frames);
