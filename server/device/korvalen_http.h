#pragma once
// One exchange with the tachograph web service on behalf of a unit: the
// unit's text goes out as a multipart form POST to /Tele.php, the answer's
// body comes back. One connection per exchange.
//
// Runs on the unit's connection thread and may wait up to 30 s per answer
// byte; the caller holds no database connection meanwhile.

#include <string>
#include <string_view>

#include "server/device/tacho_endpoints.h"

// Posts `text` (up to its first NUL) and puts the answer's body, cut at 250
// characters, into `buffer`. Returns the length the answer announced (0 for
// a failed exchange or an answer without a length); `buffer` holds only
// bytes really received. Every step is logged "D<slot>: ".
int KorvalenHttp(int slot, std::string_view text, std::string& buffer,
                 const ServiceEndpoint& endpoint = TachoWebEndpoint(), int answerWaitMs = 30000);
