#include "server/device/udp_packet.h"

#include "common/base64_reader.h"
#include "common/base64_writer.h"

bool DecodeUdpDatagram(const char* text, std::string& identifier, std::string& frames) {
    Base64Reader reader(text);
    identifier.clear();
    bool ended = false;
    for (int i = 0; i < 8; ++i) {
        int byte = ReadByte(reader);
        if (byte < 0) return false;
        for (int nibble : {byte >> 4, byte & 0x0F}) {
            if (nibble == 15) ended = true;
            if (!ended) identifier += static_cast<char>('0' + nibble);
        }
    }
    Base64Writer writer;
    for (int byte = ReadByte(reader); byte >= 0; byte = ReadByte(reader)) {
        writer.PutByte(static_cast<uint8_t>(byte));
    }
    frames = writer.Finish();
    return true;
}
