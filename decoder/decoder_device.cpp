#include "decoder/decoder_device.h"

int DecoderDeviceTable::Find(uint32_t unit, bool& added) {
    added = false;
    auto it = m_index.find(unit);
    if (it != m_index.end()) return it->second;
    if (m_used >= kDecoderDevices) return -1;
    int index = m_used++;
    m_entries[static_cast<size_t>(index)].Reset(unit);
    m_index.emplace(unit, index);
    added = true;
    return index;
}
