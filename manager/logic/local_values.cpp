#include "manager/logic/local_values.h"

#include <QStringList>

#include "manager/logic/param_schema.h"

std::vector<ParamDescriptor> LocalDescriptors(int tab, int deviceType) {
    std::vector<ParamDescriptor> rows;
    for (const ParamRow& r : ParamSchemaFor(tab, deviceType)) {
        rows.push_back({nullptr, r.textOffset, r.textLength, r.kind, r.binaryOffset, r.binarySize});
    }
    return rows;
}

SerialValues LocalValuesOf(const ParamList& list, int tab, int deviceType) {
    SerialValues values;
    for (const ParamEntry& e : ParamEntriesFor(tab, deviceType)) {
        QStringList parts;
        int at = list.IndexOf(e.key);
        if (at >= 0) {
            parts = e.valueCount == 1 ? QStringList{list.rows[at].value}
                                      : list.rows[at].value.split(QLatin1Char(','));
        }
        for (int i = 0; i < e.valueCount; ++i)
            values.push_back(parts.value(i).toLatin1().toStdString());
    }
    return values;
}

void LocalApplyValues(ParamList& list, int tab, int deviceType, const SerialValues& values) {
    for (const ParamEntry& e : ParamEntriesFor(tab, deviceType)) {
        QStringList parts;
        for (int i = 0; i < e.valueCount; ++i) {
            size_t at = static_cast<size_t>(e.firstRow + i);
            parts.append(at < values.size() ? QString::fromLatin1(values[at]) : QString());
        }
        list.SetValue(e.key, parts.join(QLatin1Char(',')));
    }
}

void LocalApplyRowValues(ParamList& list, int tab, int deviceType,
                         const std::vector<std::optional<std::string>>& rows) {
    QList<ParamEntry> entries = ParamEntriesFor(tab, deviceType);
    for (size_t i = 0; i < rows.size() && i < static_cast<size_t>(entries.size()); ++i) {
        if (rows[i]) {
            list.SetValue(entries[static_cast<qsizetype>(i)].key, QString::fromLatin1(*rows[i]));
        }
    }
}
