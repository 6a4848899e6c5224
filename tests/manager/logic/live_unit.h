#pragma once
// A simulated unit pumped by its own thread, so it answers the server while
// the test's Qt code waits in event loops. It keeps every parameter block
// written to it and answers later reads with it, like a real unit's memory.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "tools/unit_sim/sim_unit.h"

class LiveUnit {
  public:
    LiveUnit(int port, const std::string& serial, char terminator, const std::string& description);
    ~LiveUnit();
    unit_sim::SimUnit& unit() { return *m_unit; }
    // Closes the connection (the server then holds the unit's slot).
    void Disconnect();

  private:
    std::unique_ptr<unit_sim::SimUnit> m_unit;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Waits, pumping the Qt event loop, until `ready` or `limitMs` passes.
bool PumpUntil(const std::function<bool()>& ready, int limitMs = 10000);
