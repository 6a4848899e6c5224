#pragma once
// What a simulated unit makes of a firmware upload, as a real unit would
// check it before it reprograms itself. Pure: frames in, the answer out.
//
// Module and terminal blocks (36, 58): numbered from 0 without gaps, each
// carrying the running sum of the image bytes so far; for a 480-block image
// the sum also adds (block number + 1) after each block, which is how block
// 0 tells the two image sizes (480 or 992 blocks) apart. Blocks are not
// answered one by one; the last block is answered 37 when every block came
// in order with the right sum, otherwise 44 (a corrupt image is refused).
//
// Adapter records (134): start (1), file name and size (2), data records
// numbered 3 onward, then activation; every record but the activation is
// acknowledged, and the activation is refused unless the data records came
// in order and add up to the announced size.
//
// Raw records (63) are kept as they came and acknowledged.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/unit_sim/server_frames.h"

namespace unit_sim {

struct BlockUpload {
    uint8_t id = 0;         // 36 module, 58 terminal; 0 before any block
    int blocks = 0;         // 480 or 992 (from block 0's sum); 0 before
    int received = 0;       // blocks received
    bool complete = false;  // the last block arrived
    bool corrupt = false;   // a block out of order or with a wrong sum
    std::string problem;    // the first fault, for test messages
    uint32_t checksum = 0;  // the sum as the unit computed it
    std::string image;      // the image bytes, block after block
};

struct AdapterUpload {
    bool started = false;
    std::string name;
    uint32_t size = 0;
    std::vector<int> records;  // record numbers in arrival order, start and name included
    std::string image;
    bool activated = false;  // activation acknowledged
    bool corrupt = false;
    std::string problem;
};

struct RawRecordReceived {
    int index = 0;
    int flag = 0;
    std::string items;
};

class FirmwareReceiver {
  public:
    enum class Reply { kNone, kAck, kNack };

    // True for the frames this handles: 36, 58, 134, 63.
    static bool Handles(uint8_t id);
    Reply Take(const ServerFrame& frame);

    const BlockUpload& blocks() const { return m_blocks; }
    const AdapterUpload& adapter() const { return m_adapter; }
    const std::vector<RawRecordReceived>& raw() const { return m_raw; }

  private:
    Reply TakeBlock(const ServerFrame& frame);
    Reply TakeAdapterRecord(const ServerFrame& frame);
    void Fault(std::string& problem, bool& corrupt, const std::string& text);

    BlockUpload m_blocks;
    AdapterUpload m_adapter;
    std::vector<RawRecordReceived> m_raw;
};

}  // namespace unit_sim
