#include "tests/support/test_config.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/temp_dir.h"

std::string SampleConfigWith(const ConfigValues& values) {
    std::string sample = ReadFile(std::string(VIMKO_SOURCE_DIR) + "/etc/VimkoSrv.cfg");
    EXPECT_FALSE(sample.empty()) << "etc/VimkoSrv.cfg not found";
    std::istringstream in(sample);
    std::string out;
    std::string line;
    size_t used = 0;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) {
            auto it = values.find(line.substr(0, eq));
            if (it != values.end()) {
                line = it->first + "=" + it->second;
                ++used;
            }
        }
        out += line + "\n";
    }
    EXPECT_EQ(used, values.size()) << "a key is not in the sample configuration";
    return out;
}

ConfigValues DatabaseValues(const TestDatabase& db) {
    ServerConfig config;
    db.Configure(config);
    return {{"SQL_HOST", config.sqlHost},
            {"SQL_PORT", std::to_string(config.sqlPort)},
            {"SQL_USER", config.sqlUser},
            {"SQL_PASSWD", config.sqlPasswd},
            {"SQL_DATABASE", config.sqlDatabase}};
}
