#pragma once
// The server's settings and FMS decode rules, read once from the
// configuration file before any thread starts and read-only afterwards.

#include <string>
#include <vector>

#include "common/config_file.h"
#include "common/decode_rule.h"

struct ServerConfig {
    int devicePort = 0;   // DEVICE_PORT: TCP and UDP port of the units
    int telnetPort = 0;   // TELNET_PORT: operator console
    std::string logFile;  // LOG_FILE
    std::string sqlDatabase;
    std::string sqlHost;
    std::string sqlUser;
    std::string sqlPasswd;
    int sqlPort = 0;
    std::string telnetPasswd;
    int rcvTimeout = 0;   // RCV_TIMEOUT, seconds
    int rcvTimeout2 = 0;  // RCV_TIMEOUT2, seconds before identification
    int sndTimeout = 0;   // SND_TIMEOUT, seconds
    std::string firmwareDir;
    int cmmdTimeout = 0;  // CMMD_TIMEOUT, seconds
    int maxSelect = 0;
    int maxLog = 0;
    int sqlTimeout = 0;  // SQL_TIMEOUT, idle seconds before a pooled connection closes
    std::string driverDir;
    int logTimeout = 0;  // LOG_TIMEOUT, seconds a held slot survives
};

// The server's one instance of each; written by LoadServerConfig at start-up.
extern ServerConfig gConfig;
extern DecodeTable gDecodeTable;

// Reads the configuration text: 19 "KEY=value" lines in fixed order, then up
// to 1000 decode lines. Returns false on any deviation; the outputs are then
// unspecified. `text` is the whole file.
bool ParseServerConfig(const std::string& text, ServerConfig& config, DecodeTable& table);

// Reads the file at `path` with ParseServerConfig. False when it cannot be read.
bool LoadServerConfig(const std::string& path, ServerConfig& config, DecodeTable& table);

// The start-up echo: "Uruchomienie programu", every setting, then every rule
// in use numbered from 1; one log message each, in order, with its line end.
// The passwords are shown as "***", never in clear.
std::vector<std::string> ConfigEchoLines(const ServerConfig& config, const DecodeTable& table);
