#pragma once
// The manager's window-free parts wired as a main window wires them, with a
// scripted person, logged in to a running server.

#include <QStringList>

#include "manager/logic/console_client.h"
#include "manager/logic/param_list.h"
#include "manager/logic/param_schema.h"
#include "manager/logic/remote_config.h"
#include "manager/logic/repo_client.h"
#include "tests/manager/logic/scripted_prompt.h"

struct ManagerFixture {
    ManagerState state;
    ScriptedPrompt prompt;
    ParamLists lists;
    ConsoleClient console{state, prompt};
    RepoClient repo{prompt};
    RemoteConfig remote{state, lists, console, repo, prompt};

    ManagerFixture() {
        lists.Reset(state.deviceType);
        // Off-line work already granted unless a test says otherwise.
        repo.settings.offline = true;
        repo.offlineAccess = RepoClient::kGranted;
        state.remoteView = true;
    }

    bool Login(int telnetPort) {
        state.consoleConnected = console.ConsoleConnect(
            QStringLiteral("127.0.0.1:%1").arg(telnetPort), "manager", "vimko");
        return state.consoleConnected;
    }

    // Reads the device list and selects the unit `imei` (false when absent).
    bool Select(const QString& imei) {
        QStringList rows;
        if (console.ConsoleExecute("list", rows, false) != kResultDone) return false;
        state.deviceList = rows;
        for (int i = 0; i < rows.size(); ++i) {
            if (FieldOf(rows[i], 2) == imei) {
                remote.SelectUnit(i, 3 + NumberOr0(FieldOf(rows[i], 3)));
                return true;
            }
        }
        return false;
    }

    // The state field of `imei` in a fresh "list" answer; -1 when absent.
    int StateOf(const QString& imei) {
        QStringList rows;
        console.ConsoleExecute("list", rows, false);
        for (const QString& row : rows) {
            if (FieldOf(row, 2) == imei) return NumberOr0(FieldOf(row, 3));
        }
        return -1;
    }
};

// Distinct values for every row of a tab: numbers 1..9, short texts,
// 16 hexadecimal digits.
inline ParamList TestValues(int tab, int deviceType, int seed) {
    ParamList list = DefaultList(tab, deviceType);
    const QList<ParamRow>& schema = ParamSchemaFor(tab, deviceType);
    for (const ParamEntry& e : ParamEntriesFor(tab, deviceType)) {
        QStringList values;
        for (int i = e.firstRow; i < e.firstRow + e.valueCount; ++i) {
            switch (schema[i].kind) {
                case 1:
                    values.append(QString::number(1 + (i + seed) % 9));
                    break;
                case 2:
                    values.append(
                        QStringLiteral("%1").arg(i + seed + 1, 16, 16, QLatin1Char('0')).toUpper());
                    break;
                default:
                    values.append(QStringLiteral("t%1").arg(i + seed));
                    break;
            }
        }
        list.SetValue(e.key, values.join(','));
    }
    return list;
}
