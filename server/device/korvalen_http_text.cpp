#include "server/device/korvalen_http_text.h"

#include <strings.h>
#include <cstdlib>

#include "common/text_format.h"

namespace {

constexpr char kLengthHeader[] = "Content-Length: ";
constexpr size_t kLengthHeaderSize = sizeof kLengthHeader - 1;

}  // namespace

std::string NextBoundary(uint32_t& state) {
    std::string out;
    for (int i = 0; i < 16; ++i) {
        state = state * 1103515245u + 12345u;
        out += static_cast<char>('0' + ((state >> 16) & 0x7FFF) / 3277);
    }
    return out;
}

std::string MultipartBody(std::string_view boundary, std::string_view text) {
    std::string out;
    out.append("--").append(boundary).append("\r\n");
    out.append(
        "Content-Disposition: form-data; name=\"KorvalenTelematics\"; filename=\"temp\"\r\n");
    out.append("Content-Type: text/plain\r\n\r\n");
    out.append(text).append("\r\n--").append(boundary).append("--");
    return out;
}

std::vector<std::string> HttpRequestLines(std::string_view host, std::string_view boundary,
                                          std::string_view body) {
    std::string request = "POST /Tele.php HTTP/1.1\r\n";
    request.append("Host: ").append(host).append("\r\n");
    request.append("Content-Type: multipart/form-data; boundary=").append(boundary).append("\r\n");
    StringAppendF(request, "Content-Length: %d\r\n\r\n", static_cast<int>(body.size()));
    request.append(body);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < request.size()) {
        size_t end = request.find('\n', start);
        size_t stop = end == std::string::npos ? request.size() : end + 1;
        lines.push_back(request.substr(start, stop - start));
        start = stop;
    }
    return lines;
}

HttpFeed HttpAnswerReader::Feed(char byte) {
    if (m_state != HttpFeed::kMore) return m_state;
    if (m_inBody) {
        m_body += byte;
        if (m_body.size() == static_cast<size_t>(m_length)) {
            m_state = HttpFeed::kDone;
        } else if (m_body.size() >= kHttpLineMax) {
            m_state = HttpFeed::kOverflow;
        }
        return m_state;
    }
    m_line += byte;
    if (byte != '\n') {
        if (m_line.size() >= kHttpLineMax) m_state = HttpFeed::kOverflow;
        return m_state;
    }
    // Header names are case-insensitive in HTTP; a proxy may pass them on in
    // lower case.
    if (m_line.size() >= kLengthHeaderSize &&
        strncasecmp(m_line.c_str(), kLengthHeader, kLengthHeaderSize) == 0) {
        long length = std::strtol(m_line.c_str() + kLengthHeaderSize, nullptr, 10);
        m_length = length > 0 && length < 0x7FFFFFFF ? static_cast<int>(length) : 0;
    }
    bool empty = m_line == "\r\n" || m_line == "\n";
    m_headers.push_back(std::move(m_line));
    m_line.clear();
    if (empty) {
        if (m_length == 0) {
            m_state = HttpFeed::kDone;
        } else {
            m_inBody = true;
        }
    }
    return m_state;
}

std::vector<std::string> HttpAnswerReader::TakeHeaderLines() {
    std::vector<std::string> out;
    out.swap(m_headers);
    return out;
}
