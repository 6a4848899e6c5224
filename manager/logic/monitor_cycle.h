#pragma once
// The monitoring page without its widgets: the poll cycle driven by the
// 100 ms timer, the grid rows and their headings, `rowOf` (which grid row
// shows which item) and `unanswered`.
//
// Each step sends one request and first empties the row of the previous
// request when no answer filled it, so a silent unit leaves every row empty
// after one cycle. "Move up"/"Move down" swap two grid rows and the two
// items' `rowOf` entries, so later answers land in the moved rows.

#include <array>
#include <string>
#include <string_view>

inline constexpr int kMonitorMaxItems = 23;

// Number of grid rows of a generation (17, 17, 23) and the heading of item k.
int MonitorItemCount(int deviceType);
const char* MonitorHeading(int deviceType, int item);

// The binary request code of step `step` (1-based) and the item it feeds;
// -1 when the step sends nothing (the cycle's end).
int MonitorStepCode(int deviceType, int step);
// The item a binary answer with `code` fills, -1 for none.
int MonitorItemOfCode(int deviceType, int code);

class MonitorBoard {
  public:
    // What one step does: the row to empty first (-1 none), then the
    // request to send (binary code or the text body; code -1 none).
    struct Step {
        int emptyRow = -1;
        int code = -1;
        std::string textBody;
        bool ended = false;
    };

    // Lays the grid out for the generation: headings in item order, empty
    // values, `rowOf` kept from earlier moves of the same generation.
    void Reset(int deviceType);

    int DeviceType() const { return m_deviceType; }
    int RowCount() const { return MonitorItemCount(m_deviceType); }
    const std::string& Heading(int row) const { return m_headings[static_cast<size_t>(row)]; }
    const std::string& Value(int row) const { return m_values[static_cast<size_t>(row)]; }
    int RowOf(int item) const {
        return m_rowOf[static_cast<size_t>(m_deviceType)][static_cast<size_t>(item)];
    }

    // "&Refresh" or "&Automatic" checked: starts a cycle when idle.
    bool Start();
    int MonitorStep() const { return m_step; }
    bool Unanswered() const { return m_unanswered; }
    void SetAutomatic(bool on) { m_automatic = on; }

    // One timer step; does nothing while idle.
    Step PollStep();

    // A decoded answer for `item`: fills its row and clears `unanswered`.
    void Fill(int item, std::string_view text);

    // Swaps `row` with the row above (-1) or below (+1); false when the move
    // leaves the grid.
    bool Move(int row, int direction);

  private:
    int m_deviceType = 2;
    int m_step = 0;  // monitorStep: 0 idle, else the next step
    bool m_automatic = false;
    bool m_unanswered = false;
    int m_lastRow = -1;  // row fed by the previous request
    std::array<std::array<int, kMonitorMaxItems>, 3> m_rowOf = Identity();
    std::array<std::string, kMonitorMaxItems> m_headings, m_values;

    static std::array<std::array<int, kMonitorMaxItems>, 3> Identity();
};
