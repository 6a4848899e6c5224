#pragma once
// The image of a firmware upload, read front to back: a file of the
// server's FIRMWARE_DIR (text mode) or the session's upload buffer (binary
// mode). The file is opened for one upload and closed when the image goes.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class FirmwareImage {
  public:
    // FIRMWARE_DIR followed directly by `name`, read as bytes. False when it
    // cannot be opened, or when the name climbs out of the folder ("..").
    bool OpenFile(const std::string& name);
    // The first `size` bytes at `bytes`, which outlive the image.
    void UseBuffer(const uint8_t* bytes, size_t size);

    size_t size() const { return m_size; }
    // The next bytes, up to `count` of them; fewer once the image ends.
    std::string Read(size_t count);

  private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> m_file;
    const uint8_t* m_bytes = nullptr;
    size_t m_size = 0;
    size_t m_offset = 0;
};

// True when `name` has a ".." path component (it would reach files outside
// the firmware folder).
bool ClimbsOutOfFolder(const std::string& name);
