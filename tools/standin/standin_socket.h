#pragma once
// The socket calls the stand-ins for outside services share: one listening
// socket on 127.0.0.1 (or a given address), bounded reads and whole writes.
// Blocking descriptors; every read waits with a deadline.

#include <string>
#include <string_view>

#include "common/unique_fd.h"

namespace standin {

// A listening TCP socket on host:port; invalid on failure (message on stderr).
UniqueFd ListenTcp(const std::string& host, int port);
// The next connection, or an invalid descriptor on failure.
UniqueFd Accept(int listener);
// Reads exactly `count` bytes, each within `timeoutMs`; false on time-out or close.
bool ReadExact(int fd, size_t count, std::string& out, int timeoutMs);
// Reads up to and including the first occurrence of `end`, at most `limit`
// bytes; false on time-out, close or overflow.
bool ReadUntil(int fd, std::string_view end, size_t limit, std::string& out, int timeoutMs);
bool WriteAll(int fd, std::string_view bytes);
// Appends `text` to the file at `path` (nothing when `path` is empty).
void AppendRecord(const std::string& path, const std::string& text);
// Upper-case hexadecimal, two digits a byte, and back (false for bad text).
std::string Hex(std::string_view bytes);
bool FromHex(std::string_view text, std::string& out);

}  // namespace standin
