#pragma once
// The texts of the console's information commands, built from snapshots of
// the tables and from the log file's contents. Pure.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One unit slot as `list` shows it.
struct DeviceListRow {
    int index = 0;
    int state = 0;  // 1 held, 2 active
    bool tcp = true;
    std::string protocol;  // "PICO", "OLD", "S-1", "S-2", "S-3"
    int typeCode = 0;
    std::string devId;
    std::string description;
    std::string address;
    int port = 0;
    std::tm loginTime{};
    unsigned long received = 0;
    unsigned long sent = 0;
    int offlineStatus = 0;
};

// One console session as the text-mode `list` shows it.
struct ConsoleListRow {
    int index = 0;
    std::string user;
    std::string address;
    int port = 0;
    bool binary = false;
};

// Text mode: the active units and the console sessions as two tables.
std::string FormatListText(const std::vector<DeviceListRow>& devices,
                           const std::vector<ConsoleListRow>& sessions);
// Binary mode: one "answer" line per held or active unit, then "done".
std::string FormatListBinary(const std::vector<DeviceListRow>& devices);

// The log as a line reader with a 4096-byte buffer sees it: pieces of a line
// and its LF, or 4095 characters of a longer line (each piece counts as a
// line of its own). Bytes come in any chunks; memory stays one piece.
class LogPieceSplitter {
  public:
    static constexpr size_t kPieceMax = 4095;

    // Feeds `bytes`; `piece(std::string_view)` is called for every piece
    // completed by them.
    template <typename OnPiece>
    void Feed(std::string_view bytes, OnPiece&& piece) {
        for (char c : bytes) {
            m_piece += c;
            if (c == '\n' || m_piece.size() == kPieceMax) {
                piece(std::string_view(m_piece));
                m_piece.clear();
            }
        }
    }
    // The end of the file: a last piece without LF, if any.
    template <typename OnPiece>
    void Finish(OnPiece&& piece) {
        if (!m_piece.empty()) piece(std::string_view(m_piece));
        m_piece.clear();
    }

  private:
    std::string m_piece;
};

// One piece as `readlog` sends it: a trailing LF, then a trailing CR
// removed, CR LF appended.
std::string FormatLogPiece(std::string_view piece);

inline const char* const kLogSkipNotice = "Pominieto pierwsze linie pliku\r\n";

// Sends the last `maxLog` pieces of a log, after the skip notice when pieces
// were left out, without holding more than a piece: `read(bytes)` is called
// twice and each time feeds the whole log to `bytes(std::string_view)` (it
// returns false when the log cannot be read); `out(std::string)` receives
// the text to send, a piece at a time.
template <typename Read, typename Out>
bool StreamLogTail(Read&& read, int maxLog, Out&& out) {
    size_t count = 0;
    LogPieceSplitter counter;
    auto countPiece = [&](std::string_view) { ++count; };
    if (!read([&](std::string_view bytes) { counter.Feed(bytes, countPiece); })) return false;
    counter.Finish(countPiece);
    size_t keep = maxLog < 0 ? 0 : static_cast<size_t>(maxLog);
    size_t skip = count > keep ? count - keep : 0;
    if (skip > 0) out(std::string(kLogSkipNotice));
    size_t seen = 0;
    LogPieceSplitter printer;
    auto printPiece = [&](std::string_view piece) {
        if (seen++ >= skip) out(FormatLogPiece(piece));
    };
    read([&](std::string_view bytes) { printer.Feed(bytes, printPiece); });
    printer.Finish(printPiece);
    return true;
}

// The same tail of a whole log text.
std::string FormatLogTail(const std::string& log, int maxLog);

// A select's result: the rule, the column names, the rule, the rows (a NULL
// prints as nothing) up to MAX_SELECT + 1 with the stop notice after it, the
// rule and the row count of the whole result. The command prints it in
// these pieces, row by row, so a large result is never copied whole.
std::string FormatSelectHeader(const std::vector<std::string>& columns);
std::string FormatSelectRow(const std::vector<std::optional<std::string>>& values);
inline const char* const kSelectStopNotice = "Zatrzymano dalsze wyswietlanie\r\n";
std::string FormatSelectFooter(unsigned long long rowCount);

struct SelectResult {
    std::vector<std::string> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
};
std::string FormatSelectResult(const SelectResult& result, int maxSelect);

// The longest argument text a `select` takes: "select " and the text must fit
// the 2047-character query buffer.
inline constexpr size_t kSelectArgsMax = 2047 - 7;
