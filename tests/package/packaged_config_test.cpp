// The configurations the package installs under /etc/vimko are the samples
// of etc/ with the installed system's paths: they must still load in the
// programs, keep every setting and decode rule of the sample but the ones
// made for the installed system, and point the log, firmware and driver
// files at the directories the units, postinst and logrotate use.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "decoder/decoder_config.h"
#include "server/core/server_config.h"

namespace {

const std::string kSampleDir = VIMKO_SOURCE_DIR "/etc/";
const std::string kPackagedDir = VIMKO_PACKAGED_ETC "/";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The echo lines of the two files side by side: equal, apart from the lines
// of the keys in `changed`, and as many (so no decode rule went missing).
void ExpectSameEchoBut(const std::vector<std::string>& sample,
                       const std::vector<std::string>& packaged,
                       const std::set<std::string>& changed) {
    ASSERT_EQ(sample.size(), packaged.size());
    for (size_t i = 0; i < sample.size(); ++i) {
        std::string key = sample[i].substr(0, sample[i].find('='));
        if (changed.count(key) != 0) {
            EXPECT_TRUE(StartsWith(packaged[i], key + "=")) << packaged[i];
            continue;
        }
        EXPECT_EQ(sample[i], packaged[i]);
    }
}

TEST(PackagedConfig, ServerLoadsWithInstalledPathsAndTheSampleRules) {
    ServerConfig sample;
    auto sampleRules = std::make_unique<DecodeTable>();
    ASSERT_TRUE(LoadServerConfig(kSampleDir + "VimkoSrv.cfg", sample, *sampleRules));
    ServerConfig packaged;
    auto packagedRules = std::make_unique<DecodeTable>();
    ASSERT_TRUE(LoadServerConfig(kPackagedDir + "VimkoSrv.cfg", packaged, *packagedRules));

    EXPECT_TRUE(StartsWith(packaged.logFile, "/var/log/vimko/")) << packaged.logFile;
    EXPECT_TRUE(StartsWith(packaged.firmwareDir, "/var/lib/vimko/")) << packaged.firmwareDir;
    EXPECT_TRUE(StartsWith(packaged.driverDir, "/var/lib/vimko/")) << packaged.driverDir;
    EXPECT_NE(packaged.firmwareDir, packaged.driverDir);
    ExpectSameEchoBut(ConfigEchoLines(sample, *sampleRules),
                      ConfigEchoLines(packaged, *packagedRules),
                      {"LOG_FILE", "SQL_PORT", "FIRMWARE_DIR", "DRIVER_DIR"});
}

TEST(PackagedConfig, DecoderLoadsWithInstalledLogAndTheSampleRules) {
    DecoderConfig sample;
    auto sampleRules = std::make_unique<DecoderRules>();
    ASSERT_TRUE(LoadDecoderConfig(kSampleDir + "VimkoDecoder.cfg", sample, *sampleRules));
    DecoderConfig packaged;
    auto packagedRules = std::make_unique<DecoderRules>();
    ASSERT_TRUE(LoadDecoderConfig(kPackagedDir + "VimkoDecoder.cfg", packaged, *packagedRules));

    EXPECT_TRUE(StartsWith(packaged.logFile, "/var/log/vimko/")) << packaged.logFile;
    ServerConfig server;
    auto serverRules = std::make_unique<DecodeTable>();
    ASSERT_TRUE(LoadServerConfig(kPackagedDir + "VimkoSrv.cfg", server, *serverRules));
    EXPECT_NE(packaged.logFile, server.logFile);
    ExpectSameEchoBut(DecoderEchoLines(sample, *sampleRules),
                      DecoderEchoLines(packaged, *packagedRules), {"LOG_FILE", "SQL_PORT"});
}

}  // namespace
