#pragma once
// Configuration files for tests: the shipped sample configuration with some
// keys set to other values (a test's database, short time-outs, free ports).

#include <map>
#include <string>

#include "common/unique_fd.h"
#include "tests/support/test_db.h"

using ConfigValues = std::map<std::string, std::string>;

// etc/VimkoSrv.cfg with each key of `values` given its new value.
std::string SampleConfigWith(const ConfigValues& values);

// The same for another sample of etc/ (e.g. "VimkoDecoder.cfg").
std::string SampleFileWith(const std::string& sample, const ConfigValues& values);

// The database keys of `db` as ConfigValues.
ConfigValues DatabaseValues(const TestDatabase& db);

// A port free for both TCP and UDP, outside the kernel's ephemeral range and
// reserved for this test process until it ends.
int FreePort();

// A TCP socket listening on 127.0.0.1:`port` with room for `backlog`
// unaccepted connections (a test's far end or peer).
UniqueFd ListenOnLoopback(int port, int backlog);

// Database keys, LOG_FILE and free DEVICE_PORT and TELNET_PORT: what every
// test that runs the server needs.
ConfigValues ServerValues(const TestDatabase& db, const std::string& logFile);
