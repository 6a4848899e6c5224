#pragma once
// What the decoder remembers per unit: the last accepted value of up to eight
// rule slots and eight counters of consecutive rejections. 20000 entries for
// the life of the process; an entry is taken by the first row of a new unit
// and never given back, and nothing is saved, so a restart forgets it all.
//
// Invariants: entries [0, used) are taken, in the order their units first
// appeared, and hold distinct units; entries [used, 20000) are free
// (device -1). A unit is found through an index instead of a scan of up to
// 20000 entries per row; since entries are never freed, "the first entry of
// the unit, else the first free one" is the same entry either way.

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

inline constexpr int kDecoderDevices = 20000;
inline constexpr int kKeepSlots = 8;

// A kept value counts as set when it is above kKeptSetAbove.
inline constexpr double kKeptUnset = -2e100;
inline constexpr double kKeptSetAbove = -1e100;

inline bool KeptIsSet(double value) {
    return value > kKeptSetAbove;
}

// The 0-based slot of a rule's slot field (1 to 8), or -1 for "none".
inline int SlotIndex(int field) {
    return field >= 1 && field <= kKeepSlots ? field - 1 : -1;
}

struct DecoderDevice {
    // locdata.device_id of the unit, or -1 for a free entry. Wider than the
    // unsigned 32-bit column, so no unit id can be mistaken for "free".
    int64_t device = -1;
    std::array<double, kKeepSlots> kept;
    std::array<uint8_t, kKeepSlots> rejections;

    DecoderDevice() { Reset(-1); }
    void Reset(int64_t unit) {
        device = unit;
        kept.fill(kKeptUnset);
        rejections.fill(0);
    }
};

class DecoderDeviceTable {
  public:
    DecoderDeviceTable() : m_entries(kDecoderDevices) {}

    // Index of the unit's entry, taking the first free entry for a unit not
    // seen before (`added` is then set). -1 when the table is full.
    int Find(uint32_t unit, bool& added);

    DecoderDevice& entry(int index) { return m_entries[static_cast<size_t>(index)]; }
    const DecoderDevice& entry(int index) const { return m_entries[static_cast<size_t>(index)]; }

    // Units taken into the table.
    int used() const { return m_used; }

  private:
    std::vector<DecoderDevice> m_entries;
    std::unordered_map<uint32_t, int> m_index;
    int m_used = 0;
};
