#pragma once
// The receiving half of the serial link: bytes in, whole text lines or whole
// binary frames out. One reader per open port; it is fed on the GUI thread
// with whatever the port had queued.
//
// Text mode: LF ends a non-empty line, CR is dropped, other bytes are kept
// while the line holds fewer than 511 of them.
// Binary mode: bytes are skipped until a 0x02; bytes 1 and 2 give L; an L
// below 6 or a frame over 512 bytes is dropped at once and the search for
// 0x02 starts again with the next byte. At L + 5 bytes the frame is handed
// on when its last byte is 0x03 and dropped otherwise. The XOR is left to
// SerialParseFrame, as the decoder judges it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "manager/logic/serial_frame.h"

class SerialReader {
  public:
    using LineSink = std::function<void(std::string_view line)>;
    using FrameSink = std::function<void(std::span<const uint8_t> frame)>;

    SerialReader(LineSink onLine, FrameSink onFrame)
        : m_onLine(std::move(onLine)), m_onFrame(std::move(onFrame)) {}

    // Switching the framing empties the buffer.
    void SetFraming(bool binary);
    bool Binary() const { return m_binary; }

    void Feed(std::span<const uint8_t> bytes);

  private:
    void FeedText(uint8_t b);
    void FeedBinary(uint8_t b);

    LineSink m_onLine;
    FrameSink m_onFrame;
    bool m_binary = false;
    uint8_t m_buffer[kSerialBufferSize] = {};
    size_t m_fill = 0;
    size_t m_expected = 0;  // L + 5 of the frame being received, 0 before L is known
};
