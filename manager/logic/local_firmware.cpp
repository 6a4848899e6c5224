#include "manager/logic/local_firmware.h"

#include <span>

#include "manager/logic/local_records.h"
#include "manager/logic/serial_requests.h"

namespace {

const char* const kInterrupted = "The execution has been interrupted";
const char* const kNoResponse = "No response from the device";
const char* const kMismatch = "The file does not match the selected device vimko";
constexpr int kStatusTicks = 50;

std::span<const uint8_t> Bytes(const QByteArray& data) {
    return {reinterpret_cast<const uint8_t*>(data.constData()), static_cast<size_t>(data.size())};
}

}  // namespace

LocalFirmware::LocalFirmware(ManagerState& state, SerialLink& link, UserPrompt& prompt,
                             QObject* parent)
    : QObject(parent), m_state(state), m_link(link), m_prompt(prompt) {}

void LocalFirmware::SetProgress(const QString& value) {
    m_state.progress = value;
    emit statusChanged();
}

void LocalFirmware::Done(const QString& text) {
    m_state.ShowStatus(text, kStatusTicks);
    emit statusChanged();
}

void LocalFirmware::SendFirmware(const QByteArray& image, int kindBit, int cpuBit) {
    if (kindBit != kKindVimko) {
        m_prompt.ShowWarning(
            QStringLiteral("The function is not available for the local connection"));
        return;
    }
    if (m_state.deviceType == kVimko1) {
        TextUpload(image, cpuBit);
    } else {
        BinaryUpload(image);
    }
}

// ---------------------------------------------------------------------------
// Firmware

void LocalFirmware::TextUpload(const QByteArray& image, int cpuBit) {
    BusyScope busy(m_state);
    if (busy.refused()) return;
    const bool cpu2 = cpuBit == kCpu2;
    const int lines = cpu2 ? kFirmwareTextLinesCpu2 : kFirmwareTextLines;
    uint32_t sum = 0;
    for (int line = 0; line < lines; ++line) {
        if (m_state.terminateRequested) {
            m_prompt.ShowWarning(QLatin1String(kInterrupted));
            return;
        }
        std::vector<uint8_t> bytes = LocalImageSlice(
            Bytes(image), static_cast<size_t>(line) * kFirmwareTextBytes, kFirmwareTextBytes);
        // The line carries the sum of every byte sent so far, its own
        // included (and for CPU bit 2 the line term of every fourth line).
        sum = SerialFirmwareTextSum(sum, line, bytes, cpu2);
        if (!m_link.SendText(SerialFirmwareTextBody(line, bytes, sum))) {
            m_prompt.ShowWarning(QLatin1String(kNoResponse));
            return;
        }
        m_link.WaitFor(
            timings.textLineMs, [] { return false; }, true);
    }
    Done(QStringLiteral("Command sent"));
}

void LocalFirmware::BinaryUpload(const QByteArray& image) {
    BusyScope busy(m_state);
    if (busy.refused()) return;
    uint32_t sum = 0;
    const char* failure = nullptr;
    for (int block = 0; block < kFirmwareBlocks; ++block) {
        if (m_state.terminateRequested) {
            failure = kInterrupted;
            break;
        }
        std::vector<uint8_t> bytes = LocalImageSlice(
            Bytes(image), static_cast<size_t>(block) * kUploadBlockSize, kUploadBlockSize);
        for (uint8_t b : bytes) sum += b;
        if (!m_link.SendFrame(SerialFirmwareFrame(m_link.sequence(), block, bytes, sum))) {
            failure = kNoResponse;  // the cable is gone
            break;
        }
        SetProgress(QString::fromStdString(LocalUploadProgress(block, kFirmwareBlocks)));
        // The unit erases its flash after the first block and writes each
        // later one in the gap; it sends nothing back.
        m_link.WaitFor(
            block == 0 ? timings.firstBlockMs : timings.blockMs, [] { return false; }, true);
    }
    SetProgress(QStringLiteral("0"));
    if (failure != nullptr) {
        m_prompt.ShowWarning(QLatin1String(failure));
    } else {
        Done(QStringLiteral("Command sent"));
    }
}

// ---------------------------------------------------------------------------
// Long DALLAS list

void LocalFirmware::WriteDallasList(int dataType, uint32_t closingValue, const QByteArray& data) {
    BusyScope busy(m_state);
    if (busy.refused()) return;
    if (m_state.deviceType == kVimko1) {
        m_prompt.ShowWarning(
            QStringLiteral("The function is not available for the local connection"));
        return;
    }
    if (dataType < 1 || dataType > 3 || data.isEmpty()) {
        m_prompt.ShowWarning(QLatin1String(kMismatch));
        return;
    }
    const int n = LocalDallasBlockCount(static_cast<size_t>(data.size()));
    // Every path out of the upload puts the progress value back to "0".
    struct ProgressReset {
        LocalFirmware* self;
        ~ProgressReset() { self->SetProgress(QStringLiteral("0")); }
    } reset{this};
    for (int k = 0; k < n; ++k) {
        SetProgress(QString::number(k * 100 / n));
        if (m_state.terminateRequested) {
            m_prompt.ShowWarning(QLatin1String(kInterrupted));
            return;
        }
        m_link.ExpectAnswer(-1, -1);
        m_link.SendFrame(
            SerialDallasBlockFrame(m_link.sequence(), k, LocalDallasBlock(Bytes(data), k)));
        m_link.WaitForAnswer(timings.longAnswerMs);
        if (m_link.answerState() != 1) {
            m_prompt.ShowWarning(QLatin1String(kNoResponse));
            return;
        }
    }
    SetProgress(QStringLiteral("100"));
    if (m_state.terminateRequested) {
        m_prompt.ShowWarning(QLatin1String(kInterrupted));
        return;
    }
    m_link.ExpectAnswer(-1, -1);
    m_link.SendFrame(SerialDallasCloseFrame(m_link.sequence(), n, dataType, closingValue));
    m_link.WaitForAnswer(timings.closeMs);
    switch (m_link.answerState()) {
        case 1:
            Done(QStringLiteral("Operation done correctly"));
            break;
        case 2:
            m_prompt.ShowWarning(QStringLiteral("Authorization failed"));
            break;
        default:
            m_prompt.ShowWarning(QLatin1String(kNoResponse));
            break;
    }
}
