#pragma once
// The manager's local side wired as a main window wires it, with a scripted
// person, on one end of a socat pseudo-terminal pair; the simulated serial
// unit (vimko-serial-unit) answers on the other end, or nobody does.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "manager/logic/label_command.h"
#include "manager/logic/local_config.h"
#include "manager/logic/local_firmware.h"
#include "manager/logic/monitor_controller.h"
#include "manager/logic/repo_client.h"
#include "manager/logic/serial_link.h"
#include "manager/logic/service_tools.h"
#include "tests/manager/logic/scripted_prompt.h"
#include "tests/manager/qt_printers.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/socat_pair.h"

// Runs the event loop until `done` holds or `ms` pass; woken every 5 ms.
inline bool PumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() >= ms) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

struct LocalFixture {
    TempDir dir;
    SocatPair pair;
    std::unique_ptr<ServerProcess> unit;
    ManagerState state;
    ScriptedPrompt prompt;
    ParamLists lists;
    RepoClient repo{prompt};
    LabelFacts label;
    SerialLink link{state, prompt};
    LocalConfig config{state, lists, link, repo, prompt, label};
    MonitorController monitor{state, link, label};
    LocalFirmware firmware{state, link, prompt};
    ServiceTools tools{state, lists, link, prompt, label};
    QStringList debugLog;

    // `deviceType` 0..2; `answering` false leaves the cable's far end silent.
    explicit LocalFixture(int deviceType, bool answering = true) {
        state.deviceType = deviceType;
        lists.Reset(deviceType);
        monitor.Reset(deviceType);
        // Off-line work already granted unless a test says otherwise.
        repo.settings.offline = true;
        repo.offlineAccess = RepoClient::kGranted;
        QObject::connect(&link, &SerialLink::debugLine,
                         [this](const QString& line) { debugLog.append(line); });
        if (answering) {
            unit = std::make_unique<ServerProcess>(ServerProcess::Options{
                .workDir = dir.path(),
                .args = {"--generation", std::to_string(deviceType + 1), pair.second()},
                .program = "vimko-serial-unit"});
        }
    }

    // The unit is up and the manager's port is open.
    bool Ready() {
        if (!pair.ok()) return false;
        if (unit && !WaitUntil([&] { return unit->Stdout().find("ready") != std::string::npos; },
                               std::chrono::seconds(10))) {
            return false;
        }
        return link.ConnectNode(QString::fromStdString(pair.first()), false);
    }

    std::string UnitLog() const { return unit ? unit->Stderr() : std::string(); }
    // Waits (pumping events, so the manager's port is served) for a report.
    bool WaitForUnitLog(const std::string& text, int ms = 5000) {
        return PumpUntil([&] { return UnitLog().find(text) != std::string::npos; }, ms);
    }

    // Every wait shortened for tests whose far end is silent.
    void ShortWaits() {
        for (LocalTimings* t : {&config.timings, &firmware.timings}) {
            t->answerMs = t->longAnswerMs = t->closeMs = 200;
        }
    }
};
