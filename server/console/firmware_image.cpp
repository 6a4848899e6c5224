#include "server/console/firmware_image.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "server/core/server_config.h"

bool ClimbsOutOfFolder(const std::string& name) {
    size_t start = 0;
    for (;;) {
        size_t slash = name.find_first_of("/\\", start);
        size_t end = slash == std::string::npos ? name.size() : slash;
        if (name.compare(start, end - start, "..") == 0) return true;
        if (slash == std::string::npos) return false;
        start = slash + 1;
    }
}

bool FirmwareImage::OpenFile(const std::string& name) {
    if (ClimbsOutOfFolder(name)) return false;
    std::string path = gConfig.firmwareDir + name;
    m_file.reset(std::fopen(path.c_str(), "rb"));
    if (!m_file) return false;
    struct stat info {};
    if (fstat(fileno(m_file.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
        m_file.reset();
        return false;
    }
    m_size = static_cast<size_t>(info.st_size);
    m_offset = 0;
    return true;
}

void FirmwareImage::UseBuffer(const uint8_t* bytes, size_t size) {
    m_file.reset();
    m_bytes = bytes;
    m_size = size;
    m_offset = 0;
}

std::string FirmwareImage::Read(size_t count) {
    std::string out(count, '\0');
    size_t got = 0;
    if (m_file) {
        got = std::fread(out.data(), 1, count, m_file.get());
    } else if (m_bytes != nullptr && m_offset < m_size) {
        got = std::min(count, m_size - m_offset);
        std::memcpy(out.data(), m_bytes + m_offset, got);
    }
    m_offset += got;
    out.resize(got);
    return out;
}
