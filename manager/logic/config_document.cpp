#include "manager/logic/config_document.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>

#include "manager/logic/manager_state.h"
#include "manager/logic/param_schema.h"

QByteArray ExportConfig(int tab, int deviceType, const ParamList& list) {
    QDomDocument doc;
    doc.appendChild(doc.createProcessingInstruction(
        "xml", QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = doc.createElement(QStringLiteral("vimko"));
    root.setAttribute(QStringLiteral("ver"), QStringLiteral("1"));
    doc.appendChild(root);
    QDomElement config = doc.createElement(QStringLiteral("config"));
    config.setAttribute(QStringLiteral("device"), deviceType + 1);
    config.setAttribute(QStringLiteral("type"), tab + 1);
    root.appendChild(config);
    for (const ListRow& row : list.rows) {
        QDomElement record = doc.createElement(QStringLiteral("record"));
        record.setAttribute(QStringLiteral("key"), row.key);
        record.setAttribute(QStringLiteral("value"), row.value);
        config.appendChild(record);
    }
    QDomElement description = doc.createElement(QStringLiteral("description"));
    description.appendChild(doc.createTextNode(list.description));
    config.appendChild(description);
    return doc.toByteArray(2);
}

int ImportConfig(int tab, int deviceType, ParamList& list, const QByteArray& document) {
    list.description.clear();
    QDomDocument doc;
    if (!doc.setContent(document)) return 0;
    QDomElement root = doc.documentElement();
    if (root.tagName() != QLatin1String("vimko")) return 0;
    const QString device = QString::number(deviceType + 1);
    const QString type = QString::number(tab + 1);
    int applied = 0;
    for (QDomElement config = root.firstChildElement(QStringLiteral("config")); !config.isNull();
         config = config.nextSiblingElement(QStringLiteral("config"))) {
        if (config.attribute(QStringLiteral("device")) != device ||
            config.attribute(QStringLiteral("type")) != type) {
            continue;
        }
        for (QDomElement e = config.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            if (e.tagName() == QLatin1String("record")) {
                list.SetValue(e.attribute(QStringLiteral("key")),
                              e.attribute(QStringLiteral("value")));
                ++applied;
            } else if (e.tagName() == QLatin1String("description")) {
                list.description = e.text();
            }
        }
    }
    return applied;
}

namespace {

// ".cfg" keys (without '=') and the list key each one sets.
QList<QPair<QString, QString>> CfgKeyMap(int tab, int deviceType) {
    QList<QPair<QString, QString>> map;
    QList<ParamEntry> entries = ParamEntriesFor(tab, deviceType);
    auto key2 = [](const char* prefix, int k) {
        return QString::fromLatin1(prefix) + QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'));
    };
    if (tab == kTabGeneral) {
        static const char* const kKeys[29] = {
            "MYID",    "APN",     "LOGIN",    "PASSWD", "SIMPIN",  "IP",   "PORT",    "MINTIME",
            "MAXTIME", "MAXDIST", "MAXANGLE", "SMSNO",  "SMSPIN",  "MODE", "MEASURE", "AUTOSMS",
            "NETWORK", "DIN0",    "DIN1",     "DIN2",   "DIN3",    "DIN4", "DIN5",    "DIN6",
            "DIN7",    "DALLAS",  "MINTIME2", "MODE2",  "GPRSTIME"};
        for (int i = 0; i < 29 && i < entries.size(); ++i) {
            map.append({QLatin1String(kKeys[i]), entries[i].key});
        }
    } else if (tab == kTabFms) {
        map.append({QStringLiteral("CONFIGID"), entries.value(0).key});
        for (int k = 0; k < 20 && k + 1 < entries.size(); ++k) {
            map.append({key2("FMS", k), entries[k + 1].key});
        }
    } else if (tab == kTabCan) {
        static const char* const kHead[5] = {"CONFIGID", "TYPEID", "SPEED1", "SPEED2", "SPEED3"};
        for (int i = 0; i < 5 && i < entries.size(); ++i) {
            map.append({QLatin1String(kHead[i]), entries[i].key});
        }
        for (int k = 0; k < 10 && k + 5 < entries.size(); ++k) {
            map.append({key2("CAN", k), entries[k + 5].key});
        }
    }
    return map;
}

constexpr qsizetype kCfgLineMax = 255;

}  // namespace

int ImportCfgFile(int tab, int deviceType, ParamList& list, const QString& path) {
    QList<QPair<QString, QString>> map = CfgKeyMap(tab, deviceType);
    QFile file(path);
    if (map.isEmpty() || !file.open(QIODevice::ReadOnly)) return 0;
    int set = 0;
    while (!file.atEnd()) {
        QString line = QString::fromLatin1(file.readLine());
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r'))) line.chop(1);
        line.truncate(kCfgLineMax);
        for (const auto& [cfgKey, listKey] : map) {
            if (line.startsWith(cfgKey + QLatin1Char('='))) {
                list.SetValue(listKey, line.mid(cfgKey.size() + 1));
                ++set;
                break;
            }
        }
    }
    if (set > 0) {
        list.description = QStringLiteral("Imported from file: ") + QFileInfo(path).fileName() +
                           QStringLiteral(" Readed: ") + QString::number(set);
    }
    return set;
}
