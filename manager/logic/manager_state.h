#pragma once
// The manager's application state, shared by the controllers of one main
// window. Everything here is read and written on the GUI thread only; the
// console reader hands its lines over through the event loop.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <deque>

// Index of the device combo: selects the parameter lists, the console
// commands, the serial framing and the monitor rows.
enum DeviceType : int {
    kVimko1 = 0,
    kVimko2 = 1,
    kVimko3 = 2,  // "Vimko-3/4"
};
inline constexpr int kDeviceTypeCount = 3;

// The nine configuration tabs, in the order of their "type" numbers.
enum ConfigTab : int {
    kTabGeneral = 0,
    kTabCalibration,
    kTabFms,
    kTabCan,
    kTabStatuses,
    kTabEvents,
    kTabDallas,
    kTabNetwork,
    kTabCan2,
};
inline constexpr int kTabCount = 9;

// "General", "Calibration", ... as the tabs are captioned.
QString TabCaption(int tab);

// Outcome of one console command: the last final keyword of its answer.
enum ConsoleResult : int {
    kResultNone = 0,  // no final keyword came
    kResultDone = 1,
    kResultError = 2,
    kResultTerminated = 3,
    kResultTimeout = 4,
    kResultBusy = 5,
    kResultReject = 6,
};

struct ManagerState {
    bool localLinkOpen = false;
    bool consoleConnected = false;
    bool remoteView = false;
    bool busy = false;
    bool terminateRequested = false;  // set by the "Terminate" button or a tree click while busy
    bool consoleFailed = false;       // set when the console socket reported an error
    bool localControlsOn = false;
    bool remoteControlsOn = false;
    bool firmwareLoaded = false;
    int statusCountdown = 0;  // 100-ms ticks until the status text returns to "Ready"
    int busyTicks = 0;
    int monitorStep = 0;
    QStringList deviceList;            // rows of the last "list" answer
    std::deque<QString> consoleLines;  // lines from the console, oldest first
    QByteArray firmwareImage;

    int deviceType = kVimko3;
    int firmwareKind = 0;      // the firmware-kind combo: 0 Vimko, 1 KX-05/Tacho, 2 Korvalen
    int firmwareFlags = 0;     // kind bit | CPU bit of firmwareImage, set when it was taken
    QString firmwareVersion;   // the firmware-version line
    bool offlineMode = false;  // the "OFF-LINE mode" check box
    QString statusText = QStringLiteral("Ready");  // the status panel
    QString progress = QStringLiteral("0");        // the status bar's progress value, percent

    // The state half of the busy protocol (the windows add the Terminate
    // window and the disabled combos). BeginBusy returns true, and does
    // nothing, when an operation already runs.
    bool BeginBusy() {
        if (busy) return true;
        busy = true;
        terminateRequested = false;
        busyTicks = 0;
        statusCountdown = 0;
        return false;
    }
    void EndBusy() {
        busy = false;
        if (statusCountdown == 0) statusCountdown = 10;
    }

    // Shows `text` in the status panel for `ticks` timer ticks.
    void ShowStatus(const QString& text, int ticks) {
        statusText = text;
        statusCountdown = ticks;
    }
};

// One tick of the main window's 100-ms timer: counts the busy time, runs
// the status countdown back to "Ready", or shows "Executing command: 12.3...".
// True when the status text changed. (The monitor poll step is the local
// link's.)
bool StatusTick(ManagerState& state);

// BeginBusy on construction, EndBusy on every path out of the scope that
// began it; refused() when another operation was running.
class BusyScope {
  public:
    explicit BusyScope(ManagerState& state) : m_state(state), m_refused(state.BeginBusy()) {}
    ~BusyScope() {
        if (!m_refused) m_state.EndBusy();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    bool refused() const { return m_refused; }

  private:
    ManagerState& m_state;
    bool m_refused;
};
