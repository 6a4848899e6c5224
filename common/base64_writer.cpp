#include "common/base64_writer.h"

#include "common/base64_reader.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

void Base64Writer::PutByte(uint8_t byte) {
    switch (m_phase) {
        case 0:
            m_text += kAlphabet[byte >> 2];
            m_carry = static_cast<uint8_t>((byte & 0x03) << 4);
            break;
        case 1:
            m_text += kAlphabet[m_carry | (byte >> 4)];
            m_carry = static_cast<uint8_t>((byte & 0x0F) << 2);
            break;
        default:
            m_text += kAlphabet[m_carry | (byte >> 6)];
            m_text += kAlphabet[byte & 0x3F];
            break;
    }
    m_phase = (m_phase + 1) % 3;
}

void Base64Writer::PutBytes(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) PutByte(bytes[i]);
}

void Base64Writer::PutLE(uint32_t value, int size) {
    for (int i = 0; i < size; ++i) PutByte(static_cast<uint8_t>(value >> (8 * i)));
}

std::string Base64Writer::Finish() {
    if (m_phase == 1) {
        m_text += kAlphabet[m_carry];
        m_text += "==";
    } else if (m_phase == 2) {
        m_text += kAlphabet[m_carry];
        m_text += '=';
    }
    std::string out;
    out.swap(m_text);
    m_phase = 0;
    m_carry = 0;
    return out;
}

std::string Base64Writer::FinishLine(char terminator) {
    std::string out = Finish();
    out += terminator;
    return out;
}

std::string EncodeLine(std::string_view frame, char terminator) {
    Base64Writer writer;
    writer.PutBytes(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
    return writer.FinishLine(terminator);
}

std::string DecodeBase64(const char* text) {
    Base64Reader reader(text);
    std::string out;
    for (int byte = ReadByte(reader); byte >= 0; byte = ReadByte(reader)) {
        out += static_cast<char>(byte);
    }
    return out;
}
