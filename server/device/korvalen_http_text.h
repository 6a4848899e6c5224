#pragma once
// The text of one exchange with the tachograph web service, apart from the
// socket: the multipart request the unit's text travels in, and a byte-by-byte
// reader of the answer. Pure; tested byte for byte.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t kHttpLineMax = 511;  // header line or body, characters
inline constexpr size_t kWebBodyMax = 250;   // relayed to the unit

// Next 16-character decimal boundary from the generator state (32-bit linear
// congruential: state = state * 1103515245 + 12345, a digit from bits 16..30).
// The process starts with state 1.
std::string NextBoundary(uint32_t& state);

// The form body with the field "KorvalenTelematics" holding `text`.
std::string MultipartBody(std::string_view boundary, std::string_view text);

// The request in the pieces it is sent and logged in: every line up to and
// including its line feed, then the body's last line, which has none.
std::vector<std::string> HttpRequestLines(std::string_view host, std::string_view boundary,
                                          std::string_view body);

enum class HttpFeed {
    kMore,      // keep reading
    kDone,      // the empty header line without a length, or the whole body
    kOverflow,  // a header line or the body filled kHttpLineMax characters
};

// Reads the answer one byte at a time: header lines until the empty one, the
// length from "Content-Length: ", then exactly that many body bytes. Bytes
// fed after kDone or kOverflow are ignored.
class HttpAnswerReader {
  public:
    HttpFeed Feed(char byte);
    // Header lines (with their line ends) completed since the last call.
    std::vector<std::string> TakeHeaderLines();
    // The body bytes read so far (the whole body once kDone).
    const std::string& body() const { return m_body; }
    // The length announced by the header; 0 when none (or not a positive number).
    int length() const { return m_length; }
    bool inBody() const { return m_inBody; }

  private:
    HttpFeed m_state = HttpFeed::kMore;
    bool m_inBody = false;
    int m_length = 0;
    std::string m_line;
    std::string m_body;
    std::vector<std::string> m_headers;
};
