#include "tests/support/server_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "tests/support/temp_dir.h"

ServerProcess::ServerProcess(const Options& options) {
    static int sequence = 0;
    m_program = options.program;
    std::string tag = options.program + "." + std::to_string(sequence++);
    m_outPath = options.workDir + "/." + tag + ".stdout";
    m_errPath = options.workDir + "/." + tag + ".stderr";
    std::string binary = std::string(VIMKO_BIN_DIR) + "/" + options.program;
    int slave = -1;
    if (options.terminal) {
        if (openpty(&m_terminal, &slave, nullptr, nullptr, nullptr) != 0) {
            ADD_FAILURE() << "openpty failed";
            return;
        }
    }
    m_pid = fork();
    if (m_pid == 0) {
        if (chdir(options.workDir.c_str()) != 0) _exit(127);
        if (options.fileLimit != 0) {
            rlimit limit{};
            getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = options.fileLimit;
            if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(126);
        }
        int out = slave >= 0 ? slave : open(m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv;
        argv.push_back(binary.data());
        for (const std::string& arg : options.args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    if (slave >= 0) close(slave);
}

ServerProcess::~ServerProcess() {
    if (m_pid > 0 && !m_reaped) {
        // SIGTERM first, so a sanitizer build runs its leak check on the way out.
        kill(m_pid, SIGTERM);
        if (!WaitUntil([this] { return !Running(); }, std::chrono::seconds(20))) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &m_status, 0);
        }
        m_reaped = true;
    }
    if (m_terminal >= 0) close(m_terminal);
    if (m_pid > 0) {
        std::string errors = Stderr();
        std::string report = SanitizerReport(errors);
        if (!report.empty())
            ADD_FAILURE() << m_program << " reported: " << report << "\n" << errors;
    }
}

bool ServerProcess::Running() {
    if (m_pid <= 0 || m_reaped) return false;
    if (waitpid(m_pid, &m_status, WNOHANG) == m_pid) m_reaped = true;
    return !m_reaped;
}

int ServerProcess::Wait(std::chrono::milliseconds limit) {
    if (m_pid <= 0) return -1;
    if (!m_reaped) {
        if (!WaitUntil([this] { return !Running(); }, limit)) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &m_status, 0);
            m_reaped = true;
            return -1;
        }
    }
    return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
}

void ServerProcess::Signal(int sig) {
    if (m_pid > 0 && !m_reaped) kill(m_pid, sig);
}

std::string ServerProcess::Stdout() const {
    return ReadFile(m_outPath);
}
std::string ServerProcess::Stderr() const {
    return ReadFile(m_errPath);
}

std::string ServerProcess::ReadTerminalUntil(const std::string& text,
                                             std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_terminal >= 0 && m_terminalText.find(text) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd pfd{m_terminal, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[512];
        ssize_t n = read(m_terminal, buffer, sizeof buffer);
        if (n <= 0) break;
        m_terminalText.append(buffer, static_cast<size_t>(n));
    }
    return m_terminalText;
}

bool WaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string SanitizerReport(const std::string& errors) {
    static const char* const kMarkers[] = {
        "ERROR: AddressSanitizer",   "ERROR: LeakSanitizer",
        "WARNING: ThreadSanitizer",  "ThreadSanitizer: ",
        "runtime error: ",           "ERROR: UndefinedBehaviorSanitizer",
        "SUMMARY: AddressSanitizer", "SUMMARY: UndefinedBehaviorSanitizer"};
    size_t first = std::string::npos;
    for (const char* marker : kMarkers) first = std::min(first, errors.find(marker));
    if (first == std::string::npos) return "";
    size_t begin = errors.rfind('\n', first);
    begin = begin == std::string::npos ? 0 : begin + 1;
    return errors.substr(begin, errors.find('\n', first) - begin);
}
