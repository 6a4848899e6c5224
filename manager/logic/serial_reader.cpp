#include "manager/logic/serial_reader.h"

void SerialReader::SetFraming(bool binary) {
    m_binary = binary;
    m_fill = 0;
    m_expected = 0;
}

void SerialReader::Feed(std::span<const uint8_t> bytes) {
    for (uint8_t b : bytes) {
        if (m_binary) {
            FeedBinary(b);
        } else {
            FeedText(b);
        }
    }
}

void SerialReader::FeedText(uint8_t b) {
    if (b == '\n') {
        if (m_fill > 0) {
            size_t n = m_fill;
            m_fill = 0;
            m_onLine(std::string_view(reinterpret_cast<const char*>(m_buffer), n));
        }
        return;
    }
    if (b == '\r') return;
    if (m_fill < kSerialBufferSize - 1) m_buffer[m_fill++] = b;
}

void SerialReader::FeedBinary(uint8_t b) {
    if (m_fill == 0 && b != kFrameStart) return;
    m_buffer[m_fill++] = b;
    if (m_fill == 3) {
        size_t length = m_buffer[1] | (static_cast<size_t>(m_buffer[2]) << 8);
        if (length < 6 || length + kFrameOverhead > kSerialBufferSize) {
            m_fill = 0;
            return;
        }
        m_expected = length + kFrameOverhead;
    }
    if (m_fill >= 3 && m_fill == m_expected) {
        size_t n = m_fill;
        m_fill = 0;
        m_expected = 0;
        if (m_buffer[n - 1] == kFrameEnd) m_onFrame(std::span<const uint8_t>(m_buffer, n));
    }
}
