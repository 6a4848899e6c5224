#include "server/core/server_config.h"

#include "common/text_format.h"

ServerConfig gConfig;
DecodeTable gDecodeTable;

namespace {

// The file's fixed order, each line matched with the shared key-line rules
// (common/config_file.h).
const ConfigKey<ServerConfig> kKeys[] = {
    {"DEVICE_PORT", &ServerConfig::devicePort, nullptr},
    {"TELNET_PORT", &ServerConfig::telnetPort, nullptr},
    {"LOG_FILE", nullptr, &ServerConfig::logFile},
    {"SQL_DATABASE", nullptr, &ServerConfig::sqlDatabase},
    {"SQL_HOST", nullptr, &ServerConfig::sqlHost},
    {"SQL_USER", nullptr, &ServerConfig::sqlUser},
    {"SQL_PASSWD", nullptr, &ServerConfig::sqlPasswd},
    {"SQL_PORT", &ServerConfig::sqlPort, nullptr},
    {"TELNET_PASSWD", nullptr, &ServerConfig::telnetPasswd},
    {"RCV_TIMEOUT", &ServerConfig::rcvTimeout, nullptr},
    {"RCV_TIMEOUT2", &ServerConfig::rcvTimeout2, nullptr},
    {"SND_TIMEOUT", &ServerConfig::sndTimeout, nullptr},
    {"FIRMWARE_DIR", nullptr, &ServerConfig::firmwareDir},
    {"CMMD_TIMEOUT", &ServerConfig::cmmdTimeout, nullptr},
    {"MAX_SELECT", &ServerConfig::maxSelect, nullptr},
    {"MAX_LOG", &ServerConfig::maxLog, nullptr},
    {"SQL_TIMEOUT", &ServerConfig::sqlTimeout, nullptr},
    {"DRIVER_DIR", nullptr, &ServerConfig::driverDir},
    {"LOG_TIMEOUT", &ServerConfig::logTimeout, nullptr},
};

}  // namespace

bool ParseServerConfig(const std::string& text, ServerConfig& config, DecodeTable& table) {
    ConfigLineCursor cursor(text);
    if (!ReadConfigKeys(cursor, kKeys, config)) return false;

    std::string line;
    for (DecodeRule& rule : table) rule.used = false;
    for (DecodeRule& rule : table) {
        if (!cursor.Next(line)) return true;
        if (line.size() > kConfigLineMax) return false;
        if (!ParseDecodeLine(line.c_str(), rule)) return false;
    }
    // The 1000th rule ends the reading; anything after it is not read.
    return true;
}

bool LoadServerConfig(const std::string& path, ServerConfig& config, DecodeTable& table) {
    std::string text;
    if (!ReadConfigFile(path, text)) return false;
    return ParseServerConfig(text, config, table);
}

std::vector<std::string> ConfigEchoLines(const ServerConfig& c, const DecodeTable& table) {
    std::vector<std::string> lines;
    lines.push_back("Uruchomienie programu\n");
    lines.push_back(StringPrintf("DEVICE_PORT=%d\n", c.devicePort));
    lines.push_back(StringPrintf("TELNET_PORT=%d\n", c.telnetPort));
    lines.push_back(StringPrintf("LOG_FILE=%s\n", c.logFile.c_str()));
    lines.push_back(StringPrintf("SQL_DATABASE=%s\n", c.sqlDatabase.c_str()));
    lines.push_back(StringPrintf("SQL_HOST=%s\n", c.sqlHost.c_str()));
    lines.push_back(StringPrintf("SQL_USER=%s\n", c.sqlUser.c_str()));
    lines.push_back("SQL_PASSWD=***\n");
    lines.push_back(StringPrintf("SQL_PORT=%d\n", c.sqlPort));
    lines.push_back("TELNET_PASSWD=***\n");
    lines.push_back(StringPrintf("RCV_TIMEOUT=%d\n", c.rcvTimeout));
    lines.push_back(StringPrintf("RCV_TIMEOUT2=%d\n", c.rcvTimeout2));
    lines.push_back(StringPrintf("SND_TIMEOUT=%d\n", c.sndTimeout));
    lines.push_back(StringPrintf("FIRMWARE_DIR=%s\n", c.firmwareDir.c_str()));
    lines.push_back(StringPrintf("CMMD_TIMEOUT=%d\n", c.cmmdTimeout));
    lines.push_back(StringPrintf("MAX_SELECT=%d\n", c.maxSelect));
    lines.push_back(StringPrintf("MAX_LOG=%d\n", c.maxLog));
    lines.push_back(StringPrintf("SQL_TIMEOUT=%d\n", c.sqlTimeout));
    lines.push_back(StringPrintf("DRIVER_DIR=%s\n", c.driverDir.c_str()));
    lines.push_back(StringPrintf("LOG_TIMEOUT=%d\n", c.logTimeout));
    int used = DecodeRulesUsed(table);
    for (int i = 0; i < used; ++i) {
        const DecodeRule& r = table[static_cast<size_t>(i)];
        lines.push_back(StringPrintf("DECODE%d=%s,%d,%d,%d,%d,%d,%d,%d,%f,%f\n", i + 1, r.column,
                                     r.real_value, r.fms_config, r.method, r.first_byte,
                                     r.byte_count, r.shift, r.bit_count, static_cast<double>(r.add),
                                     static_cast<double>(r.factor)));
    }
    return lines;
}
