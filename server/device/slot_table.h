#pragma once
// Taking, finding and handing over unit slots.

#include <netinet/in.h>

#include <cstdint>
#include <string>

// Protocol bits of a slot: one per protocol family and transport. Used as a
// filter by FindDevice and reported by the console's unit list.
inline constexpr int kProtoGen1Tcp = 0x001;
inline constexpr int kProtoGen1Udp = 0x002;
inline constexpr int kProtoGen2Tcp = 0x004;
inline constexpr int kProtoGen2Udp = 0x008;
inline constexpr int kProtoPicoTcp = 0x010;
inline constexpr int kProtoPicoUdp = 0x020;
inline constexpr int kProtoGen3Tcp = 0x100;
inline constexpr int kProtoGen3Udp = 0x200;
inline constexpr int kProtoAll = 0x33F;

// Takes the lowest free slot for a new TCP connection and fills it; -1 when
// all 2000 are in use.
int AllocateTcpSlot(int socket, const sockaddr_in& peer, int64_t now);

// Takes the lowest free slot for a UDP unit first heard from now.
int AllocateUdpSlot(int socket, const sockaddr_in& peer, const std::string& devId, uint32_t length,
                    char terminator, int64_t now);

// First slot in index order with state >= minState, this serial number and a
// protocol bit in `mask`; -1 when there is none.
int FindDevice(const std::string& devId, int mask, int minState);

// The slot's protocol bit (0 for an unknown terminator or an old protocol).
int DeviceTypeCode(int slot);
// The family `list` shows: "PICO" for a PICO unit, otherwise "OLD" for an old
// protocol, "S-1" for terminator LF, "S-2" for ".", "S-3" for any other.
const char* ProtocolFamily(int slot);

// After slot `slot` was identified as its devId: takes over the pending work
// of every other slot of the same unit and ends those slots (held ones are
// freed, active ones told to terminate).
void HandOver(int slot);

// Stores `text` (a whole line for the unit) as the unit's offline
// configuration of kind `type`, replacing any stored one. If the old one is
// on its way to the unit (owner 51), its claim is taken back first, so the
// unit's answer to the old text cannot mark the new one acknowledged.
void StoreOfflineConfig(int slot, const std::string& text, int type);

// Gives back every unit that `owner` still holds (each by compare-and-set,
// so a claim taken over by someone else stays). Used when a console session
// ends: a claim left behind would make the unit busy for everyone for good.
void ReleaseClaimsOf(int owner);
