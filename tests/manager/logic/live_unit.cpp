#include "tests/manager/logic/live_unit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "common/block_frames.h"

using namespace unit_sim;

LiveUnit::LiveUnit(int port, const std::string& serial, char terminator,
                   const std::string& description) {
    UnitConfig config;
    config.port = static_cast<uint16_t>(port);
    config.terminator = terminator;
    config.identity.serial = serial;
    config.identity.description = description;
    m_unit = std::make_unique<SimUnit>(config);
    // A block write's frame follows its read request's identifier. Text
    // writes carry the 256-byte block, binary ones a 16-bit count first.
    SimUnit* unit = m_unit.get();
    m_unit->SetFrameObserver([unit](const ServerFrame& frame) {
        int read = frame.id - 1;
        if (IsTextBlockFrame(read) && frame.payload.size() == 256) {
            unit->SetBlock(static_cast<uint8_t>(read), frame.payload);
        } else if (IsBinaryBlockFrame(read) && frame.payload.size() > 2) {
            unit->SetBlock(static_cast<uint8_t>(read), frame.payload.substr(2));
        }
    });
    m_unit->Connect();
    m_unit->SendLine({m_unit->IdentificationFrame()});
    m_thread = std::thread([this] {
        while (!m_stop && !m_unit->Closed()) m_unit->ReceiveLine(std::chrono::milliseconds(50));
    });
}

LiveUnit::~LiveUnit() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

void LiveUnit::Disconnect() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    m_unit->Close();
}

bool PumpUntil(const std::function<bool()>& ready, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!ready()) {
        if (timer.elapsed() > limitMs) return false;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
