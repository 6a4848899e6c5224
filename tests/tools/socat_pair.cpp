#include "tests/tools/socat_pair.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

#include "tests/support/server_process.h"

SocatPair::SocatPair() {
    const std::string log = m_dir.File("socat.log");
    m_pid = fork();
    if (m_pid == 0) {
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) dup2(fd, STDERR_FILENO);
        execlp("socat", "socat", "-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0", nullptr);
        _exit(127);
    }
    // socat prints "... N PTY is /dev/pts/K" once per end, then "starting data transfer loop".
    WaitUntil(
        [&] {
            std::istringstream lines(ReadFile(log));
            std::string line;
            m_first.clear();
            m_second.clear();
            while (std::getline(lines, line)) {
                size_t at = line.find("PTY is ");
                if (at == std::string::npos) continue;
                (m_first.empty() ? m_first : m_second) = line.substr(at + 7);
            }
            return ok() && ReadFile(log).find("starting data transfer loop") != std::string::npos;
        },
        std::chrono::seconds(10));
}

SocatPair::~SocatPair() {
    Stop();
}

void SocatPair::Stop() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

int OpenRawTerminal(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
}
