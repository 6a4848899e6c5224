#pragma once
// A console client for end-to-end tests: raw bytes in and out of the
// server's console port, with waits for a text to arrive.

#include <chrono>
#include <string>

#include "common/unique_fd.h"

class ConsoleClient {
  public:
    explicit ConsoleClient(int port);

    bool connected() const { return m_fd.valid(); }
    void Send(const std::string& bytes);
    // Reads until `text` has arrived (true) or `limit` passed / the server
    // closed (false). Everything read is kept in received().
    bool ReadUntil(const std::string& text,
                   std::chrono::milliseconds limit = std::chrono::seconds(10));
    // True once the server closed the connection (reads what is left).
    bool WaitClosed(std::chrono::milliseconds limit = std::chrono::seconds(10));
    const std::string& received() const { return m_received; }
    // Takes and clears what was received so far.
    std::string Take();

    // The login dialogue; true when the first prompt came.
    bool Login(const std::string& password, const std::string& mode,
               const std::string& user = "tester");
    // Sends one command line and returns everything up to the next prompt.
    std::string Command(const std::string& line,
                        std::chrono::milliseconds limit = std::chrono::seconds(15));

  private:
    UniqueFd m_fd;
    std::string m_received;
    size_t m_consumed = 0;  // bytes of m_received already searched by ReadUntil
};
