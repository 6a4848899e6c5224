#include "common/config_file.h"

#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>

bool ConfigLineCursor::Next(std::string& line) {
    if (m_pos >= m_text.size()) return false;
    size_t end = m_text.find('\n', m_pos);
    if (end == std::string::npos) end = m_text.size();
    line.assign(m_text, m_pos, end - m_pos);
    m_pos = end + 1;
    return true;
}

bool MatchConfigInt(const std::string& line, const char* key, int& value) {
    long long read = 0;
    std::string format = std::string(key) + "=%lld";
    if (std::sscanf(line.c_str(), format.c_str(), &read) != 1) return false;
    if (read < INT_MIN || read > INT_MAX) return false;
    value = static_cast<int>(read);
    return true;
}

bool MatchConfigText(const std::string& line, const char* key, std::string& value) {
    char read[kConfigLineMax + 1];
    std::string format = std::string(key) + "=%255s";
    if (std::sscanf(line.c_str(), format.c_str(), read) != 1) return false;
    value = read;
    return true;
}

bool ReadConfigFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string ConfigPathFromArgs(int argc, char** argv) {
    std::string path;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) path += ' ';
        path += argv[i];
    }
    return path;
}
