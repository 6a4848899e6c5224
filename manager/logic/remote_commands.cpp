#include "manager/logic/remote_commands.h"

#include "manager/logic/device_list.h"
#include "manager/logic/manager_state.h"

int GenerationOfProtocol(int bit) {
    switch (bit) {
        case 1:
        case 2:
            return kVimko1;
        case 4:
        case 8:
            return kVimko2;
        case 256:
        case 512:
            return kVimko3;
        default:
            return -1;
    }
}

bool ModeNameFits(int deviceType, const QString& modeName) {
    static const int kBits[kDeviceTypeCount][2] = {{1, 2}, {4, 8}, {256, 512}};
    if (deviceType < 0 || deviceType >= kDeviceTypeCount) return false;
    return modeName == ProtocolName(kBits[deviceType][0]) ||
           modeName == ProtocolName(kBits[deviceType][1]);
}

namespace {

struct TabCommands {
    const char* read[kDeviceTypeCount];
    const char* write[kDeviceTypeCount];
};

// nullptr: the generation has no command for the tab.
// clang-format off
const TabCommands kCommands[kTabCount] = {
    {{"readcfg", "readcfg", "readcfg"},    {"writecfg", "writecfg", "writecfg3"}},
    {{nullptr, nullptr, "readcal"},        {nullptr, nullptr, "writecal3"}},
    {{"readfms", "readfms", "readfms"},    {"writefms", "writefms", "writefms3"}},
    {{nullptr, "readcan", "readcan"},      {nullptr, "writecan", "writecan3"}},
    {{nullptr, "readstat", "readstat"},    {nullptr, "writestat", "writestat3"}},
    {{nullptr, "readcane", "readcane"},    {nullptr, "writecane", "writecane3"}},
    {{"readmask", "readmask", "readbtn"},  {"writemask", "writemask", "writebtn"}},
    {{nullptr, "readntwk", "readntwk"},    {nullptr, "writentwk", "writentwk3"}},
    {{nullptr, nullptr, "readcan2"},       {nullptr, nullptr, "writecan2"}},
};
// clang-format on

QString Word(const char* const (&words)[kDeviceTypeCount], int deviceType) {
    if (deviceType < 0 || deviceType >= kDeviceTypeCount) return QString();
    const char* w = words[deviceType];
    return w ? QLatin1String(w) : QString();
}

}  // namespace

QString ReadCommandWord(int tab, int deviceType) {
    if (tab < 0 || tab >= kTabCount) return QString();
    return Word(kCommands[tab].read, deviceType);
}

QString WriteCommandWord(int tab, int deviceType) {
    if (tab < 0 || tab >= kTabCount) return QString();
    return Word(kCommands[tab].write, deviceType);
}

QString BuildReadCommand(int tab, int deviceType, const QString& imei) {
    QString word = ReadCommandWord(tab, deviceType);
    return word.isEmpty() ? QString() : word + QLatin1Char(' ') + imei;
}

QString BuildWriteCommand(int tab, int deviceType, const QString& imei, bool offline,
                          const QStringList& values) {
    QString word = WriteCommandWord(tab, deviceType);
    if (word.isEmpty()) return QString();
    QString command = word + QLatin1Char(' ') + imei + (offline ? ",1" : ",0");
    for (const QString& v : values) command += QLatin1Char(',') + v;
    return command;
}

QString SelectTypeQuestion(int deviceType) {
    static const char* const kNames[kDeviceTypeCount] = {"Vimko-1", "Vimko-2", "Vimko-3"};
    if (deviceType < 0 || deviceType >= kDeviceTypeCount) return QString();
    return QStringLiteral("Does before the operation select the type of device on ") +
           QLatin1String(kNames[deviceType]) + QLatin1Char('?');
}

QString OfflineStatusMessage(const QString& answer, int& status) {
    status = NumberOr0(FieldOf(answer, 1));
    if (status == 0) return QString();
    static const char* const kTabs[9] = {"General", "Calibration", "FMS i J1708",
                                         "CAN",     "Statuses",    "Events",
                                         "Dallas",  "Network",     "CanEx"};
    static const char* const kStatuses[7] = {
        "Waiting to contact with server",    "The first attempt to configure",
        "The second attempt to configure",   "The third attempt to configure",
        "Limit attempts to setup exhausted", "Setup was rejected",
        "Configuration saved successfully"};
    QString tabField = FieldOf(answer, 2);
    bool tabOk = false;
    int tab = tabField.trimmed().toInt(&tabOk);
    QString message = QStringLiteral("OFF-LINE Configuration Status:\r\n") + FieldOf(answer, 3) +
                      QLatin1Char(' ') + FieldOf(answer, 4);
    if (tabOk && tab >= 0 && tab < 9) message += QStringLiteral(" [") + kTabs[tab] + ']';
    message += QLatin1Char(' ');
    if (status >= 1 && status <= 7) message += QLatin1String(kStatuses[status - 1]);
    return message;
}
