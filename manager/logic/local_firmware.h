#pragma once
// Uploads over the serial cable: firmware (text lines to a Vimko-1 unit,
// binary frames to Vimko-2 and Vimko-3/4 units) and the Long DALLAS list.
// Window-free controller on the GUI thread; each upload is one busy
// operation that the "Terminate" button stops between two lines or frames.
//
// The image and the list come in as arguments: loading them from files or
// from the repository is the firmware page's business.

#include <QByteArray>
#include <QObject>
#include <cstdint>

#include "manager/logic/local_timings.h"
#include "manager/logic/manager_state.h"
#include "manager/logic/serial_link.h"
#include "manager/logic/user_prompt.h"

// The firmware's kind bits (the firmware-kind combo) and CPU bits.
inline constexpr int kKindVimko = 0x100;
inline constexpr int kKindKx05 = 0x200;
inline constexpr int kKindKorvalen = 0x400;
inline constexpr int kCpu1 = 1, kCpu2 = 2, kCpu4 = 4;

class LocalFirmware : public QObject {
    Q_OBJECT
  public:
    LocalFirmware(ManagerState& state, SerialLink& link, UserPrompt& prompt,
                  QObject* parent = nullptr);

    LocalTimings timings;

    // Firmware "&Send" on the local link: only the kind "Firmware Vimko";
    // DeviceType 0 sends text lines, the others binary frames.
    void SendFirmware(const QByteArray& image, int kindBit, int cpuBit);
    void TextUpload(const QByteArray& image, int cpuBit);
    void BinaryUpload(const QByteArray& image);

    // "Long DALLAS list:" "&Write" on the local link (Vimko-2 and Vimko-3/4):
    // `dataType` 1..3, the closing value and the list's bytes.
    void WriteDallasList(int dataType, uint32_t closingValue, const QByteArray& data);

  signals:
    // statusText or progress of ManagerState changed.
    void statusChanged();

  private:
    void SetProgress(const QString& value);
    void Done(const QString& text);

    ManagerState& m_state;
    SerialLink& m_link;
    UserPrompt& m_prompt;
};
