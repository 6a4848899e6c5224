#include "manager/logic/param_list.h"

#include "manager/logic/manager_state.h"
#include "manager/logic/param_labels.h"
#include "manager/logic/param_schema.h"

QString TabCaption(int tab) {
    static const char* const kCaptions[kTabCount] = {"General", "Calibration", "FMS i J1708",
                                                     "CAN",     "Statuses",    "Events",
                                                     "Dallas",  "Network",     "CAN2"};
    return tab >= 0 && tab < kTabCount ? QLatin1String(kCaptions[tab]) : QString();
}

int ParamList::IndexOf(const QString& key) const {
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].key == key) return i;
    }
    return -1;
}

QString ParamList::Value(const QString& key) const {
    int i = IndexOf(key);
    return i < 0 ? QString() : rows[i].value;
}

void ParamList::SetValue(const QString& key, const QString& value) {
    int i = IndexOf(key);
    if (i < 0) {
        rows.append({key, value});
    } else {
        rows[i].value = value;
    }
}

QStringList ParamList::Lines() const {
    QStringList lines;
    for (const ListRow& r : rows) lines.append(r.key + QLatin1Char('=') + r.value);
    return lines;
}

ParamList DefaultList(int tab, int deviceType) {
    const QList<ParamRow>& schema = ParamSchemaFor(tab, deviceType);
    ParamList list;
    for (const ParamEntry& e : ParamEntriesFor(tab, deviceType)) {
        QStringList values;
        for (int i = 0; i < e.valueCount; ++i) values.append(schema[e.firstRow + i].defaultValue);
        list.rows.append({e.key, values.join(QLatin1Char(','))});
    }
    list.description = QStringLiteral("Default configuration");
    return list;
}

QStringList CommandValues(const ParamList& list, int tab, int deviceType) {
    QStringList values;
    for (const ParamEntry& e : ParamEntriesFor(tab, deviceType)) {
        int at = list.IndexOf(e.key);
        if (at < 0) {
            for (int i = 0; i < e.valueCount; ++i) values.append(QString());
        } else if (e.valueCount == 1) {
            values.append(list.rows[at].value);
        } else {
            values.append(list.rows[at].value.split(QLatin1Char(',')));
        }
    }
    return values;
}

void ApplyAnswer(ParamList& list, int tab, int deviceType, const QString& answer) {
    QStringList fields = answer.split(QLatin1Char(','));
    for (const ParamEntry& e : ParamEntriesFor(tab, deviceType)) {
        QStringList values;
        for (int i = 0; i < e.valueCount; ++i) values.append(fields.value(e.firstRow + i));
        list.SetValue(e.key, values.join(QLatin1Char(',')));
    }
}

QString DisplayKey(int tab, int deviceType, const QString& key) {
    auto lookup = [&key](int t, int d) -> QString {
        for (const ParamEntry& e : ParamEntriesFor(t, d)) {
            if (e.key == key) return LabelText(e.labelId) + QStringLiteral(" (") + key + ')';
        }
        return QString();
    };
    QString shown = lookup(tab, deviceType);
    if (shown.isEmpty() && tab == kTabDallas) {
        shown = lookup(tab, deviceType == kVimko3 ? kVimko1 : kVimko3);
    }
    return shown.isEmpty() ? key : shown;
}

void ParamLists::Reset(int deviceType) {
    for (int t = 0; t < kTabCount; ++t) tabs[t] = DefaultList(t, deviceType);
}
