#include "server/core/file_ops.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/unique_fd.h"

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool WriteFile(const std::string& path, std::string_view bytes, int mode) {
    UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | mode, 0644));
    if (!fd) return false;
    return WriteAll(fd.get(), bytes);
}

}  // namespace

bool FileReplace(const std::string& path, std::string_view bytes) {
    return WriteFile(path, bytes, O_TRUNC);
}

bool FileAppend(const std::string& path, std::string_view bytes) {
    return WriteFile(path, bytes, O_APPEND);
}

bool FileRename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}
