#include "tools/unit_sim/fleet.h"

#include <poll.h>
#include <sys/epoll.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <queue>
#include <utility>

#include "common/unique_fd.h"

namespace unit_sim {
namespace {

using Clock = std::chrono::steady_clock;

// Longest single wait of the loop, so that `stop` is seen promptly even when
// a signal arrives between the check and epoll_wait().
constexpr std::chrono::milliseconds kMaxWait{250};

struct PendingLine {
    Clock::time_point deadline;  // unanswered after this
    Clock::time_point sent;
    bool location;  // not the identification
    bool measured;  // sent after the warm-up
};

struct UnitState {
    std::unique_ptr<SimUnit> unit;
    bool connected = false;
    bool identified = false;  // identification line sent
    uint64_t location_lines = 0;
    std::deque<PendingLine> pending;  // unanswered lines, oldest first
    Clock::time_point next_send;
    uint64_t unanswered = 0;
    uint64_t location_acks = 0;
    uint64_t measured_acks = 0;
    // The loop's own bookkeeping.
    bool active = false;  // in the epoll set
    bool due = false;     // in this round's list of units to look at
    bool want_out = false;
    Clock::time_point wake_at = Clock::time_point::max();  // its live heap entry
};

}  // namespace

std::string NthSerial(std::string_view first, int n) {
    size_t digits_at = first.size();
    while (digits_at > 0 && first[digits_at - 1] >= '0' && first[digits_at - 1] <= '9') {
        --digits_at;
    }
    std::string out(first);
    if (digits_at == first.size()) return n == 0 ? out : out + std::to_string(n);
    // Decimal addition on the digit run, so 15-digit serials never overflow.
    unsigned carry = static_cast<unsigned>(std::max(n, 0));
    for (size_t i = out.size(); i > digits_at && carry > 0; --i) {
        unsigned sum = static_cast<unsigned>(out[i - 1] - '0') + carry;
        out[i - 1] = static_cast<char>('0' + sum % 10);
        carry = sum / 10;
    }
    if (carry > 0) out.insert(digits_at, std::to_string(carry));
    return out;
}

FleetSummary RunFleet(const FleetOptions& options, const LineSource& source, const FrameSink& sink,
                      const std::atomic<bool>& stop) {
    FleetSummary summary;
    int count = std::max(options.count, 1);
    summary.units = count;
    std::vector<UnitState> units(static_cast<size_t>(count));

    for (int i = 0; i < count; ++i) {
        UnitState& state = units[static_cast<size_t>(i)];
        UnitConfig config = options.unit;
        config.identity.serial = NthSerial(options.unit.identity.serial, i);
        // Each unit of a fleet keeps its own received image.
        if (count > 1 && !config.firmware_out.empty()) {
            config.firmware_out += "." + config.identity.serial;
        }
        state.unit = std::make_unique<SimUnit>(config);
        SimUnit& unit = *state.unit;
        unit.KeepLines(false);
        unit.SetLogLimit(64);
        unit.AnswerRequests(options.answer);
        unit.SetRefuseEvery(RequestKind::kMessage, options.refuse_every_messages);
        unit.SetRefuseEvery(RequestKind::kWrite, options.refuse_every_writes);
        unit.SetRefuseEvery(RequestKind::kDownload, options.refuse_every_downloads);
        std::string serial = config.identity.serial;
        UnitState* s = &state;
        bool closed_loop = options.closed_loop;
        std::vector<uint32_t>* latencies = &summary.latencies_us;
        unit.SetFrameObserver([s, serial, closed_loop, latencies, &sink](const ServerFrame& f) {
            if ((f.id == kServerAck || f.id == kServerNack) && !s->pending.empty()) {
                PendingLine line = s->pending.front();
                s->pending.pop_front();
                auto now = Clock::now();
                if (line.location && f.id == kServerAck) ++s->location_acks;
                if (line.measured) {
                    ++s->measured_acks;
                    latencies->push_back(static_cast<uint32_t>(
                        std::chrono::duration_cast<std::chrono::microseconds>(now - line.sent)
                            .count()));
                }
                if (closed_loop) s->next_send = now;
            }
            if (sink) sink(serial, f);
        });
        state.connected = unit.Connect(options.connect_timeout);
        if (state.connected) {
            ++summary.connected;
        } else {
            summary.failed.push_back(serial);
        }
    }

    auto start = Clock::now();
    auto never = Clock::time_point::max();
    auto measure_from = start + options.warmup;
    auto last_measured_send = measure_from;
    auto stop_sending_at = options.duration.count() > 0 ? start + options.duration : never;
    for (int i = 0; i < count; ++i) {
        // Spread the first lines over one interval so the units do not all
        // report in the same millisecond.
        units[static_cast<size_t>(i)].next_send =
            options.closed_loop ? start : start + options.interval * i / count;
    }

    // One epoll set for the fleet, and the units' next deadlines (a send or
    // an unanswered line) in a heap, so a round costs what happened in it,
    // not a pass over every unit. Heap entries are not removed when a unit's
    // deadline moves: an entry that no longer matches `wake_at` is skipped.
    UniqueFd epoll(::epoll_create1(EPOLL_CLOEXEC));
    using Deadline = std::pair<Clock::time_point, size_t>;
    std::priority_queue<Deadline, std::vector<Deadline>, std::greater<>> deadlines;
    std::vector<size_t> due;
    for (size_t i = 0; i < units.size(); ++i) {
        UnitState& s = units[i];
        if (!s.connected || !epoll.valid()) continue;
        epoll_event event{};
        event.events = EPOLLIN | EPOLLRDHUP;
        event.data.u64 = i;
        if (::epoll_ctl(epoll.get(), EPOLL_CTL_ADD, s.unit->fd(), &event) != 0) continue;
        s.active = true;
        s.due = true;
        due.push_back(i);
    }
    size_t active = due.size();

    // Looks at one unit: times out its overdue lines, sends its next line
    // when it may, and settles what it waits for next. A unit with nothing
    // left to send or await leaves the set.
    auto visit = [&](size_t i, Clock::time_point now, bool stopping) {
        UnitState& s = units[i];
        s.due = false;
        if (!s.active) return;
        bool done = s.unit->Closed();
        while (!done && !s.pending.empty() && s.pending.front().deadline <= now) {
            s.pending.pop_front();
            ++s.unanswered;
            if (options.closed_loop) s.next_send = now;
        }
        bool all_sent = options.lines > 0 && s.location_lines >= options.lines;
        bool sending = !stopping && !all_sent;
        bool may_send = sending && (!options.closed_loop || s.pending.empty());
        if (!done && may_send && now >= s.next_send) {
            std::vector<std::string> frames;
            if (!s.identified) {
                frames.push_back(s.unit->IdentificationFrame());
            } else {
                frames = source(static_cast<int>(i));
            }
            if (s.unit->SendLine(frames)) {
                bool location = s.identified;
                if (location) ++s.location_lines;
                s.identified = true;
                bool measured = location && now >= measure_from;
                if (measured) last_measured_send = now;
                s.pending.push_back(
                    PendingLine{now + options.ack_timeout, now, location, measured});
            }
            if (options.closed_loop) {
                s.next_send = never;
            } else {
                s.next_send += options.interval;
                if (s.next_send < now) s.next_send = now + options.interval;  // fell behind
            }
            all_sent = options.lines > 0 && s.location_lines >= options.lines;
            sending = !all_sent;
        }
        if (done || s.unit->Closed() || (!sending && s.pending.empty())) {
            ::epoll_ctl(epoll.get(), EPOLL_CTL_DEL, s.unit->fd(), nullptr);
            s.active = false;
            --active;
            return;
        }
        auto wake = never;
        if (sending && s.next_send != never) wake = s.next_send;
        if (!s.pending.empty()) wake = std::min(wake, s.pending.front().deadline);
        // A deadline already due needs an entry even when it equals the one
        // just popped (two equal clock readings).
        if (wake != never && (wake != s.wake_at || wake <= now)) deadlines.emplace(wake, i);
        s.wake_at = wake;
        bool want_out = (s.unit->PollEvents() & POLLOUT) != 0;
        if (want_out != s.want_out) {
            epoll_event event{};
            event.events = EPOLLIN | EPOLLRDHUP | (want_out ? EPOLLOUT : 0u);
            event.data.u64 = i;
            ::epoll_ctl(epoll.get(), EPOLL_CTL_MOD, s.unit->fd(), &event);
            s.want_out = want_out;
        }
    };

    std::vector<epoll_event> events(256);
    bool was_stopping = false;
    while (active > 0) {
        auto now = Clock::now();
        bool stopping = stop.load() || now >= stop_sending_at;
        if (stopping && !was_stopping) {
            // Every unit learns it is to stop sending.
            for (size_t i = 0; i < units.size(); ++i) {
                if (units[i].active && !units[i].due) {
                    units[i].due = true;
                    due.push_back(i);
                }
            }
            was_stopping = true;
        }
        while (!deadlines.empty() && deadlines.top().first <= now) {
            auto [when, i] = deadlines.top();
            deadlines.pop();
            if (units[i].wake_at == when && !units[i].due) {
                units[i].due = true;
                due.push_back(i);
            }
        }
        for (size_t k = 0; k < due.size(); ++k) visit(due[k], now, stopping);
        due.clear();
        if (active == 0) break;

        auto wake = stopping ? now + kMaxWait : std::min(stop_sending_at, now + kMaxWait);
        if (!deadlines.empty()) wake = std::min(wake, deadlines.top().first);
        auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now());
        int n = ::epoll_wait(epoll.get(), events.data(), static_cast<int>(events.size()),
                             static_cast<int>(std::max<int64_t>(0, wait.count())));
        for (int k = 0; k < n; ++k) {
            size_t i = static_cast<size_t>(events[static_cast<size_t>(k)].data.u64);
            uint32_t got = events[static_cast<size_t>(k)].events;
            short revents = static_cast<short>(
                ((got & EPOLLIN) ? POLLIN : 0) | ((got & EPOLLOUT) ? POLLOUT : 0) |
                ((got & (EPOLLHUP | EPOLLRDHUP)) ? POLLHUP : 0) | ((got & EPOLLERR) ? POLLERR : 0));
            units[i].unit->HandleEvents(revents);
            // An answer may let the unit send, and a close takes it out.
            if (!units[i].due) {
                units[i].due = true;
                due.push_back(i);
            }
        }
    }

    for (UnitState& s : units) {
        UnitStats st = s.unit->Stats();
        summary.lines_sent += st.lines_sent;
        summary.acks += st.acks;
        summary.acks_with_time += st.acks_with_time;
        summary.nacks += st.nacks;
        summary.frames_received += st.frames_received;
        summary.answered += st.answered;
        summary.refused += st.refused;
        summary.blocks += st.blocks;
        summary.unanswered += s.unanswered + s.pending.size();
        summary.location_acks += s.location_acks;
        summary.measured_acks += s.measured_acks;
        if (s.connected && s.unit->Closed()) ++summary.closed_by_server;
        s.unit->Close();
    }
    summary.measured_time =
        std::chrono::duration_cast<std::chrono::milliseconds>(last_measured_send - measure_from);
    return summary;
}

}  // namespace unit_sim
