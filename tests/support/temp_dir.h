#pragma once
// A temporary folder removed with everything in it when the test ends, and
// small whole-file helpers.

#include <string>

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

  private:
    std::string m_path;
};

void WriteFile(const std::string& path, const std::string& text);
// The whole file, or "" when it does not exist.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
