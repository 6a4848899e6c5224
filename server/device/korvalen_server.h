#pragma once
// One exchange with the tachograph card server on behalf of a unit: its
// authentication data (mode 0x31) and further data (0x32 with an answer,
// 0x33 without) go out in one message, the answer comes back on the same
// connection. One connection per exchange.
//
// Runs on the unit's connection thread and may wait up to 30 s per answer
// byte; the caller holds no database connection meanwhile.

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/unique_fd.h"
#include "server/device/tacho_endpoints.h"

inline constexpr size_t kTachoAnswerMax = 264;  // answer bytes relayed to a unit
inline constexpr size_t kCardReceiveMax = 512;  // bytes read from the card server

// How long to wait for each answer byte.
struct CardServerWaits {
    int answerMs = 30000;   // modes 0x31 and 0x32
    int noAnswerMs = 5000;  // mode 0x33
};

// Sends `data` in `mode` to the card server at `endpoint`. On success with an
// answer (0x31, 0x32), `data` becomes the answer's data, at most
// kTachoAnswerMax bytes of what was really received. Mode 0x33 succeeds once
// the message was sent, whatever comes back. Every step is logged "D<slot>: ".
bool KorvalenServer(int slot, std::string& data, uint8_t mode,
                    const ServiceEndpoint& endpoint = CardServerEndpoint(),
                    const CardServerWaits& waits = CardServerWaits{});

// Shared with the web service exchange, each step logged "D<slot>: <who> ..."
// with `who` the exchange's log name ("KorvalenServer", "KorvalenHttp").
// The endpoint's first IPv4 address and its dotted text (at most 15
// characters); false, after "gethostbyname failed" or "Can't resolve host",
// when there is none.
bool ResolveService(int slot, const char* who, const ServiceEndpoint& endpoint,
                    sockaddr_in& address, std::string& text);
// A TCP connection to `address` within SND_TIMEOUT seconds; false, after
// "socket failed" or "connect failed", when there is none.
bool ConnectService(int slot, const char* who, const sockaddr_in& address, UniqueFd& fd);
// How long a connect or a send to an outside service may wait: SND_TIMEOUT seconds.
int ServiceConnectWaitMs();
