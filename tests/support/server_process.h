#pragma once
// A real program of the build (VimkoSrv unless told otherwise) run as a child
// process for end-to-end tests, with its standard output and error captured
// in files (or standard output on a pseudo-terminal).

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class ServerProcess {
  public:
    struct Options {
        std::string workDir;
        std::vector<std::string> args;
        bool terminal = false;             // standard output on a pseudo-terminal
        std::string program = "VimkoSrv";  // a program of the build's bin/
        unsigned long fileLimit = 0;       // the child's soft limit of open files; 0: inherited
    };

    explicit ServerProcess(const Options& options);
    // Ends the process if it still runs (SIGTERM, then SIGKILL after 20 s) and
    // fails the test when its standard error holds a sanitizer report.
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Waits for the process to end. Returns its exit code, or -1 when it did
    // not end within `limit` (it is then killed) or ended by a signal.
    int Wait(std::chrono::milliseconds limit);
    void Signal(int sig);
    bool Running();
    pid_t pid() const { return m_pid; }

    std::string Stdout() const;
    std::string Stderr() const;
    // Reads the terminal until `text` shows up or `limit` passes; returns all
    // read so far.
    std::string ReadTerminalUntil(const std::string& text, std::chrono::milliseconds limit);

  private:
    std::string m_program;
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_reaped = false;
    int m_terminal = -1;
    std::string m_terminalText;
    std::string m_outPath;
    std::string m_errPath;
};

// The line of `errors` (a program's standard error) that starts the first
// AddressSanitizer, LeakSanitizer, UBSan or ThreadSanitizer report, or "".
std::string SanitizerReport(const std::string& errors);

// Calls `ready` every 20 ms until it returns true or `limit` passes.
bool WaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds limit);
