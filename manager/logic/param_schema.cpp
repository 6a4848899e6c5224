#include "manager/logic/param_schema.h"

#include <array>

#include "common/param_blocks.h"
#include "manager/logic/manager_state.h"

namespace {

ParamBlock BlockOf(int tab, int deviceType) {
    switch (tab) {
        case kTabGeneral:
            return ParamBlock::kGeneral;
        case kTabCalibration:
            return ParamBlock::kCalibration;
        case kTabFms:
            return ParamBlock::kFms;
        case kTabCan:
            return ParamBlock::kCan;
        case kTabStatuses:
            return ParamBlock::kStatus;
        case kTabEvents:
            return ParamBlock::kCanEvent;
        case kTabDallas:
            return deviceType == kVimko3 ? ParamBlock::kDallas : ParamBlock::kMask;
        case kTabNetwork:
            return ParamBlock::kNetwork;
        default:
            return ParamBlock::kCan2;
    }
}

QString Key2(const char* prefix, int k) {
    return QString::fromLatin1(prefix) + QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'));
}

// Where the manager's names and labels differ from the shared table's row
// names: the key of row `i` (empty for a continuation row) and its label.
void NameRow(int tab, int deviceType, int i, const char* sharedName, ParamRow& row) {
    QString shared = QString::fromLatin1(sharedName);
    switch (tab) {
        case kTabGeneral:
            // The manager has always shown the configuration PIN under both its names.
            row.name = shared == QLatin1String("AUTHPIN") ? QStringLiteral("SMS/AUTHPIN") : shared;
            row.labelId = 1001 + i;
            if (shared == QLatin1String("MODE")) row.bitEditor = 1;
            if (shared == QLatin1String("MEASURE")) row.bitEditor = 2;
            if (shared == QLatin1String("AUTOSMS")) row.bitEditor = 3;
            if (shared.startsWith(QLatin1String("DIN"))) row.bitEditor = 4;
            if (shared == QLatin1String("MODE2")) row.bitEditor = 5;
            if (shared == QLatin1String("MODE3")) row.bitEditor = 6;
            if (shared == QLatin1String("MODE4")) row.bitEditor = 7;
            return;
        case kTabCalibration:
            // Two calibration words are named for what the manager's users set with them.
            if (shared == QLatin1String("Y1LOSS")) shared = QStringLiteral("OFFTIME");
            if (shared == QLatin1String("Y2LOSS")) shared = QStringLiteral("SLEEPTIME");
            row.name = shared;
            row.labelId = i < 4 ? 3000 + i : 3022 + (i - 4);
            return;
        case kTabFms:
            if (i == 0) {
                row.name = shared;
                row.labelId = 1100;
            } else if (i % 2 == 1) {
                int k = (i - 1) / 2;
                row.name = Key2("PGN", k) + QLatin1Char(',') + Key2("SPN", k);
                row.labelId = 1101 + k;
            }
            return;
        case kTabCan:
            if (i < 5) {
                row.name = shared;
                row.labelId = i == 0 ? 1100 : 1139 + i;
            } else if ((i - 5) % 9 == 0) {
                int k = (i - 5) / 9;
                row.name = Key2("CAN", k);
                row.labelId = 1101 + k;
            }
            return;
        case kTabCan2:
            if (i == 0) {
                row.name = shared;
                row.labelId = 1150;
            } else if ((i - 1) % 9 == 0) {
                int k = (i - 1) / 9;
                row.name = Key2("CAN", 16 + k);
                row.labelId = 1101 + k;
            }
            return;
        case kTabStatuses:
            row.name = shared;
            row.labelId = i < 10 ? 1200 + i : 1220 + (i - 10);
            return;
        case kTabEvents:
            row.name = shared;
            row.labelId = 1300 + i;
            return;
        case kTabDallas:
            row.name = shared;
            row.labelId = deviceType == kVimko3 ? 1500 + i : 1400 + i;
            if (deviceType == kVimko3) row.defaultValue = QStringLiteral("0000000000000000");
            return;
        default:  // kTabNetwork
            row.name = shared;
            row.labelId = 1600 + i;
            return;
    }
}

QList<ParamRow> BuildSchema(int tab, int deviceType) {
    const ParamSchema& shared = ParamSchemaOf(BlockOf(tab, deviceType));
    // Generations 1 and 2 carry a block's text layout; Vimko-3/4 the whole
    // binary block. Blocks without a text layout are the same for all.
    size_t count = shared.rows.size();
    if (deviceType != kVimko3 && shared.textRows > 0) count = static_cast<size_t>(shared.textRows);
    QList<ParamRow> rows;
    for (size_t i = 0; i < count; ++i) {
        const ParamDescriptor& d = shared.rows[i];
        ParamRow row;
        row.textOffset = d.textOffset;
        row.textLength = d.textLength;
        row.kind = d.kind;
        row.binaryOffset = d.binaryOffset;
        row.binarySize = d.binarySize;
        row.defaultValue = d.kind == kParamNumber ? QStringLiteral("0") : QString();
        NameRow(tab, deviceType, static_cast<int>(i), d.name, row);
        rows.append(row);
    }
    return rows;
}

}  // namespace

const QList<ParamRow>& ParamSchemaFor(int tab, int deviceType) {
    static const auto schemas = [] {
        std::array<std::array<QList<ParamRow>, kDeviceTypeCount>, kTabCount> all;
        for (int t = 0; t < kTabCount; ++t) {
            for (int d = 0; d < kDeviceTypeCount; ++d) all[t][d] = BuildSchema(t, d);
        }
        return all;
    }();
    return schemas[static_cast<size_t>(tab)][static_cast<size_t>(deviceType)];
}

QList<ParamEntry> ParamEntriesFor(int tab, int deviceType) {
    const QList<ParamRow>& rows = ParamSchemaFor(tab, deviceType);
    QList<ParamEntry> entries;
    for (int i = 0; i < rows.size(); ++i) {
        if (!rows[i].name.isEmpty() || entries.isEmpty()) {
            entries.append({rows[i].name, rows[i].labelId, i, 1, rows[i].bitEditor});
        } else {
            ++entries.last().valueCount;
        }
    }
    return entries;
}
