#pragma once
// The only ways a line reaches a unit. Any thread may send to any unit (its
// connection thread, console sessions, the queue senders, the tunnel relay);
// the unit's `sendBusy` under its `sendLock` keeps each line whole on the socket.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Sends `text` (a whole line with its terminator) to unit `slot` and logs
// "D%d: -> %d:<line><terminator>". True when every byte was taken.
bool SendToDevice(int slot, const std::string& text);

// Encodes one frame as one line with the unit's terminator, sends it and, on
// success, counts its bytes in the unit's and the server's sent totals.
bool SendDeviceFrame(int slot, std::string_view frame);

// Sends `count` bytes on `socket`. For a UDP unit slot: one datagram to the
// unit's latest address. Otherwise (TCP, or slot -1 for a console socket):
// waits up to SND_TIMEOUT one-second rounds for room, giving up early when
// the unit slot is being terminated.
bool SendAll(int socket, const char* bytes, size_t count, int slot);

// Tunnel socket: one byte per send, each after a writable-wait of at most 1 s.
bool TunnelSend(int socket, const char* bytes, size_t count);

// The log entry of a sent line: "D%d: -> %d:" + the line without its last
// character + "<>" for a line feed or "<c>" for another terminator.
std::string SentLineLogText(int slot, bool ok, const std::string& text);

// Closes a unit's connection once no line is being sent on it, so a sender
// can never write into a descriptor number that a new connection reuses.
void CloseDeviceSocket(int slot);
