// The database's own limit for the unit road: the statements the server runs
// for one location line (the locdata insert, then the recentdata select and
// update) issued directly, as fast as possible, over as many connections as
// the server's pool has. Prints "key=value" lines for bench/fleet_load.

#include <mysql.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "server/core/server_config.h"
#include "server/device/line_parser.h"
#include "server/store/locdata_sql.h"
#include "tools/unit_sim/route.h"
#include "tools/unit_sim/unit_frames.h"

namespace {

// The record of a line like the ones the benchmark's units send.
LocationRecord SampleRecord() {
    std::vector<unit_sim::RouteStep> steps = unit_sim::CircleRoute(52.2297, 21.0122, 800, 60, 50);
    unit_sim::RoutePlayer player(steps);
    std::string line = unit_sim::UnitLine(player.NextFrames(unit_sim::UtcNow()), '\n');
    line.pop_back();
    LocationRecord record{};
    LineFrames frames;
    ParseDeviceLine(line.c_str(), frames, record);
    return record;
}

}  // namespace

int main(int argc, char** argv) {
    std::string host = "127.0.0.1", user, password, database;
    unsigned port = 3306;
    int connections = 25;
    int units = 2000;
    int seconds = 10;
    std::string config;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string arg = argv[i];
        std::string value = argv[i + 1];
        if (arg == "--host") host = value;
        if (arg == "--port") port = static_cast<unsigned>(std::stoi(value));
        if (arg == "--user") user = value;
        if (arg == "--password") password = value;
        if (arg == "--database") database = value;
        if (arg == "--connections") connections = std::stoi(value);
        if (arg == "--units") units = std::stoi(value);
        if (arg == "--duration-s") seconds = std::stoi(value);
        if (arg == "--config") config = value;
    }
    // The decode rules of the server's configuration, so the insert carries
    // the same FMS columns.
    if (!config.empty() && !LoadServerConfig(config, gConfig, gDecodeTable)) {
        std::fprintf(stderr, "cannot read %s\n", config.c_str());
        return 1;
    }
    mysql_library_init(0, nullptr, nullptr);
    const LocationRecord record = SampleRecord();
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> lines{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < connections; ++t) {
        threads.emplace_back([&, t] {
            MYSQL* db = mysql_init(nullptr);
            if (mysql_real_connect(db, host.c_str(), user.c_str(), password.c_str(),
                                   database.c_str(), port, nullptr, 0) == nullptr) {
                ++failures;
                mysql_close(db);
                return;
            }
            auto escape = [db](std::string_view text) {
                std::string out(text.size() * 2 + 1, '\0');
                out.resize(mysql_real_escape_string(db, out.data(), text.data(),
                                                    static_cast<unsigned long>(text.size())));
                return out;
            };
            for (uint32_t unit = static_cast<uint32_t>(t) + 1; !stop.load();
                 unit = unit + static_cast<uint32_t>(connections) > static_cast<uint32_t>(units)
                            ? static_cast<uint32_t>(t) + 1
                            : unit + static_cast<uint32_t>(connections)) {
                std::time_t now = std::time(nullptr);
                std::tm utc{};
                gmtime_r(&now, &utc);
                std::string insert =
                    BuildLocdataInsert(record, unit, utc, gDecodeTable, escape).sql;
                if (mysql_query(db, insert.c_str()) != 0) {
                    ++failures;
                    continue;
                }
                unsigned long id = static_cast<unsigned long>(mysql_insert_id(db));
                std::string select =
                    "select * from recentdata where device_id=" + std::to_string(unit);
                if (mysql_query(db, select.c_str()) != 0) {
                    ++failures;
                    continue;
                }
                MYSQL_RES* result = mysql_store_result(db);
                bool exists = result != nullptr && mysql_num_rows(result) > 0;
                if (result != nullptr) mysql_free_result(result);
                std::string write = exists
                                        ? "update recentdata set locdata_id=" + std::to_string(id) +
                                              " where device_id=" + std::to_string(unit)
                                        : "insert into recentdata(device_id,locdata_id) values(" +
                                              std::to_string(unit) + "," + std::to_string(id) + ")";
                if (mysql_query(db, write.c_str()) != 0) {
                    ++failures;
                    continue;
                }
                ++lines;
            }
            mysql_close(db);
        });
    }
    // A short warm-up, then the measured window.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    uint64_t start = lines.load();
    auto begin = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    uint64_t done = lines.load() - start;
    double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    stop = true;
    for (std::thread& thread : threads) thread.join();
    std::printf("baseline_lines=%llu\n", static_cast<unsigned long long>(done));
    std::printf("baseline_lines_per_second=%.1f\n", static_cast<double>(done) / elapsed);
    std::printf("baseline_seconds=%.3f\n", elapsed);
    // The warm-up's lines too: the process's CPU time covers them.
    std::printf("baseline_total_lines=%llu\n", static_cast<unsigned long long>(lines.load()));
    std::printf("baseline_failures=%d\n", failures.load());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("baseline_client_cpu_seconds=%.2f\n",
                static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
    return failures.load() == 0 ? 0 : 1;
}
