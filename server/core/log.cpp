#include "server/core/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

std::atomic<uint32_t> gLogClock{0};

namespace {

// The log's statics are never destroyed: the writer thread may still be
// writing while a process that returns from main destroys its statics.
std::string& gLogPath = *new std::string;  // written once before the threads start

// The log stays open between entries, but before each entry the path is
// looked up again: when the file was deleted or moved away (its inode is no
// longer the one open), the entry goes to a new file created at the path.
//
// Writes to the file take no lock: appends to one file descriptor opened
// O_APPEND are whole and ordered by the kernel, so a write costs one lookup
// and one append, and writers never wait on each other's disk writes. Only
// the rare reopen is locked. A replaced file stays open until its last
// writer is done with it.
struct OpenLog {
    int fd = -1;
    dev_t dev = 0;
    ino_t ino = 0;
    // Writers using `fd` now, or kClosed once it was closed.
    std::atomic<int> users{0};
    std::atomic<bool> retired{false};  // another file took its place
};

constexpr int kClosed = std::numeric_limits<int>::min() / 2;

std::mutex gReopenLock;               // one reopen at a time
std::atomic<OpenLog*> gLog{nullptr};  // the current file; written under gReopenLock
// Replaced files are kept, not freed: a writer may still hold the pointer
// between loading it and counting itself in. One small record per rotation.
std::vector<std::unique_ptr<OpenLog>>& gAllLogs =
    *new std::vector<std::unique_ptr<OpenLog>>;  // gReopenLock

// Closes a replaced file when nobody writes to it: whoever sees it unused
// last (its final writer or the reopen) closes it, exactly once.
void CloseIfUnused(OpenLog* log) {
    int idle = 0;
    if (log->retired.load() && log->users.compare_exchange_strong(idle, kClosed)) {
        if (log->fd >= 0) ::close(log->fd);
    }
}

// Counts the caller in as a writer of the current file; nullptr when none
// is open.
OpenLog* Enter() {
    for (;;) {
        OpenLog* log = gLog.load();
        if (log == nullptr) return nullptr;
        if (log->users.fetch_add(1) >= 0 && !log->retired.load()) return log;
        // Replaced meanwhile (and perhaps closed): take the newer one.
        if (log->users.fetch_sub(1) - 1 == 0) CloseIfUnused(log);
    }
}

void Leave(OpenLog* log) {
    if (log->users.fetch_sub(1) - 1 == 0) CloseIfUnused(log);
}

// Opens the path again unless another thread already did so since `seen`
// was current. Returns the caller counted in on the current file.
OpenLog* Reopen(OpenLog* seen) {
    {
        std::lock_guard<std::mutex> lock(gReopenLock);
        OpenLog* current = gLog.load();
        if (current == seen) {
            auto fresh = std::make_unique<OpenLog>();
            fresh->fd = ::open(gLogPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
            struct stat opened {};
            if (fresh->fd >= 0 && ::fstat(fresh->fd, &opened) == 0) {
                fresh->dev = opened.st_dev;
                fresh->ino = opened.st_ino;
            }
            // A path that cannot be opened loses the entry; the next one
            // tries again, without keeping a record per attempt.
            gLog.store(fresh->fd >= 0 ? fresh.get() : nullptr);
            if (fresh->fd >= 0) gAllLogs.push_back(std::move(fresh));
            if (current != nullptr) {
                current->retired.store(true);
                CloseIfUnused(current);
            }
        }
    }
    return Enter();
}

// Entries of this thread kept back by LogHold.
thread_local std::string tHeld;

// Whether the log's path still names the open file. Only the file's
// identity is asked for: a lookup that reads the change times marks them as
// seen, and the kernel then stamps the next write with a fresh fine-grained
// time, which costs every entry an inode update that writes within the same
// clock tick would otherwise share.
bool PathIsOpenFile(const OpenLog& log) {
    struct statx atPath {};
    return ::statx(AT_FDCWD, gLogPath.c_str(), 0, STATX_INO, &atPath) == 0 &&
           makedev(atPath.stx_dev_major, atPath.stx_dev_minor) == log.dev &&
           atPath.stx_ino == log.ino;
}

// Writes `text` to the file at the log's path in one append.
void WriteToFile(std::string_view text) {
    OpenLog* log = Enter();
    if (log == nullptr || !PathIsOpenFile(*log)) {
        OpenLog* seen = log;
        if (log != nullptr) Leave(log);
        log = Reopen(seen);
    }
    if (log == nullptr) return;
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(log->fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    Leave(log);
}

// A unit's line entries are written after its acknowledgement went out, so
// nobody waits for them, and a busy fleet logs thousands of them a second.
// Those that come within kGather of the previous write are gathered and go
// out together once kGather has passed: one lookup and one write for many
// lines. Every other entry is in the file when its call returns. Entries
// reach the file in the order they were taken in: an entry that finds
// gathered ones waiting is written behind them, at once.
constexpr std::chrono::milliseconds kGather{2};
// A gathering this large is written by the entry that fills it, without
// waiting for the writer thread.
constexpr size_t kGatherMax = 256 * 1024;

struct Gathered {
    std::mutex lock;
    std::condition_variable wake;  // the writer thread, when a gathering begins
    std::string text;              // entries taken in and not yet written
    bool writing = false;          // a taken batch is on its way to the file
    bool writerWaits = false;      // the writer thread sleeps until woken
    bool writerStarted = false;    // false also when it could not be started
    std::chrono::steady_clock::time_point lastWrite{};  // when the latest write began
    std::mutex flushLock;  // held while a taken batch is written: batches go in order
    std::string batch;     // flushLock; the batch being written, its room reused
};

Gathered& Gather() {
    static Gathered* gathered = new Gathered;
    return *gathered;
}

// Writes everything taken in so far, behind any batch already on its way.
void FlushGathered(Gathered& g) {
    std::lock_guard<std::mutex> flushing(g.flushLock);
    g.batch.clear();
    {
        std::lock_guard<std::mutex> lock(g.lock);
        if (g.text.empty()) return;
        g.batch.swap(g.text);
        g.writing = true;
        g.lastWrite = std::chrono::steady_clock::now();
    }
    WriteToFile(g.batch);
    std::lock_guard<std::mutex> lock(g.lock);
    g.writing = false;
}

// Writes each gathering once kGather has passed; sleeps while nothing is
// gathered.
[[noreturn]] void WriterMain(Gathered& g) {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(g.lock);
            g.writerWaits = true;
            g.wake.wait(lock, [&g] { return !g.text.empty(); });
            g.writerWaits = false;
        }
        std::this_thread::sleep_for(kGather);
        FlushGathered(g);
    }
}

// Writes `text` before returning, behind whatever was taken in before it.
void WriteEntry(std::string_view text) {
    Gathered& g = Gather();
    bool behindGathered;
    {
        std::lock_guard<std::mutex> lock(g.lock);
        behindGathered = !g.text.empty() || g.writing;
        if (behindGathered) {
            g.text.append(text);
        } else {
            // Nothing waits: no entry taken in earlier can follow this one.
            g.lastWrite = std::chrono::steady_clock::now();
        }
    }
    if (behindGathered) {
        FlushGathered(g);
    } else {
        WriteToFile(text);
    }
}

// Writes `text` now, or with the next gathering when the log was written
// to within kGather.
void WriteSoon(std::string_view text) {
    Gathered& g = Gather();
    auto now = std::chrono::steady_clock::now();
    bool quiet;
    bool wake = false;
    bool full = false;
    {
        std::lock_guard<std::mutex> lock(g.lock);
        quiet = g.text.empty() && !g.writing && now - g.lastWrite >= kGather;
        if (!quiet && !g.writerStarted) {
            try {
                std::thread(WriterMain, std::ref(g)).detach();
                g.writerStarted = true;
            } catch (const std::system_error&) {
                // Without a writer thread every entry is written at once.
            }
        }
        if (quiet) {
            g.lastWrite = now;
        } else {
            wake = g.text.empty() && g.writerWaits;
            g.text.append(text);
            full = g.text.size() >= kGatherMax || !g.writerStarted;
        }
    }
    if (quiet) {
        WriteToFile(text);
        return;
    }
    if (wake) g.wake.notify_one();
    if (full) FlushGathered(g);
}

void AppendEntry(std::string_view text) {
    if (tHeld.empty()) {
        WriteEntry(text);
        return;
    }
    tHeld.append(text);
    LogReleaseHeld();
}

}  // namespace

void LogSetPath(const std::string& path) {
    // What was taken in belongs to the file it was written for.
    LogFlush();
    std::lock_guard<std::mutex> lock(gReopenLock);
    gLogPath = path;
    // The next entry opens the new path; the old file closes once unused.
    OpenLog* current = gLog.exchange(nullptr);
    if (current != nullptr) {
        current->retired.store(true);
        CloseIfUnused(current);
    }
}

void LogHold(const std::string& text) {
    tHeld += text;
}

void LogReleaseHeld() {
    if (tHeld.empty()) return;
    WriteSoon(tHeld);
    tHeld.clear();
}

void LogFlush() {
    FlushGathered(Gather());
}

std::string LogPrefix(uint32_t clock) {
    // What "%06u " prints; every entry starts with it.
    if (clock > 999999) return StringPrintf("%06u ", clock);
    std::string prefix(7, ' ');
    for (int i = 5; i >= 0; --i) {
        prefix[static_cast<size_t>(i)] = static_cast<char>('0' + clock % 10);
        clock /= 10;
    }
    return prefix;
}

void LogWrite(const char* format, ...) {
    std::string text = LogPrefix(gLogClock.load(std::memory_order_relaxed));
    va_list args;
    va_start(args, format);
    text += StringPrintfV(format, args);
    va_end(args);
    AppendEntry(text);
}

void LogAppend(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = StringPrintfV(format, args);
    va_end(args);
    AppendEntry(text);
}

void LogAppendText(const std::string& text) {
    if (!text.empty()) AppendEntry(text);
}

namespace {

// Appends each message behind the entry prefix of the current clock.
void AppendEntries(std::string& text, const std::vector<std::string>& messages) {
    std::string prefix = LogPrefix(gLogClock.load(std::memory_order_relaxed));
    size_t size = text.size();
    for (const std::string& message : messages) size += prefix.size() + message.size();
    text.reserve(size);
    for (const std::string& message : messages) {
        text += prefix;
        text += message;
    }
}

std::string EntriesText(const std::vector<std::string>& messages) {
    std::string text;
    AppendEntries(text, messages);
    return text;
}

}  // namespace

void LogWriteEntries(const std::vector<std::string>& messages) {
    if (messages.empty()) return;
    AppendEntry(EntriesText(messages));
}

void LogHoldEntries(const std::vector<std::string>& messages) {
    if (messages.empty()) return;
    if (tHeld.empty()) {
        AppendEntry(EntriesText(messages));
        return;
    }
    AppendEntries(tHeld, messages);
}
