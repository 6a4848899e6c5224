#pragma once
// The fixed-order "KEY=value" configuration files of the server and the
// batch decoder: reading the file, walking its lines, matching one key line,
// and the configuration path taken from the command line. The key order and
// what follows the keys belong to each program.

#include <string>

inline constexpr size_t kConfigLineMax = 255;  // characters of one configuration line

// Splits the file into lines the way a line-by-line reader sees them: each
// line without its line feed; a last line without a line feed still counts,
// an empty remainder after the last line feed does not.
class ConfigLineCursor {
  public:
    explicit ConfigLineCursor(const std::string& text) : m_text(text) {}

    // False at the end of the text.
    bool Next(std::string& line);

  private:
    const std::string& m_text;
    size_t m_pos = 0;
};

// Match "KEY=value" with scanf rules: the key and "=" exactly at the start
// of the line; an integer may be preceded by white space and a sign and ends
// at the first non-digit (a value beyond 32 bits is refused); a text value is
// the run up to the first white space, at most kConfigLineMax characters.
bool MatchConfigInt(const std::string& line, const char* key, int& value);
bool MatchConfigText(const std::string& line, const char* key, std::string& value);

// One "KEY=value" line of a fixed-order file and the field of `Config` it
// fills: an integer field or a text field, the other one null.
template <typename Config>
struct ConfigKey {
    const char* key;
    int Config::*intField;
    std::string Config::*textField;
};

// Reads one line per key in the table's order; each holds at most
// kConfigLineMax characters and matches its key. False at the first line
// that is missing, too long or does not match: there are no defaults and
// no other order.
template <typename Config, size_t N>
bool ReadConfigKeys(ConfigLineCursor& cursor, const ConfigKey<Config> (&keys)[N], Config& config) {
    std::string line;
    for (const ConfigKey<Config>& key : keys) {
        if (!cursor.Next(line) || line.size() > kConfigLineMax) return false;
        bool matched = key.intField != nullptr
                           ? MatchConfigInt(line, key.key, config.*key.intField)
                           : MatchConfigText(line, key.key, config.*key.textField);
        if (!matched) return false;
    }
    return true;
}

// The whole file at `path`; false when it cannot be read.
bool ReadConfigFile(const std::string& path, std::string& text);

// The whole command line is the configuration path, blanks included: the
// arguments joined with one blank each. Empty without arguments.
std::string ConfigPathFromArgs(int argc, char** argv);
