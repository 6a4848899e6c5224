#pragma once
// The value list of one configuration tab: rows key=value in list order
// (key=value1,value2,... for a parameter with several values) and the
// tab's description line. Keys not in the schema (from an imported
// document) are kept as rows of their own.

#include <QList>
#include <QString>
#include <QStringList>

struct ListRow {
    QString key;
    QString value;
};

class ParamList {
  public:
    QList<ListRow> rows;
    QString description;

    // The value of `key`, or nothing when there is no such row.
    bool Has(const QString& key) const { return IndexOf(key) >= 0; }
    QString Value(const QString& key) const;
    // Sets the value of `key`; a key that is not in the list is appended.
    void SetValue(const QString& key, const QString& value);
    // The rows as text: "key=value".
    QStringList Lines() const;
    int IndexOf(const QString& key) const;
};

// The tab's defaults for `deviceType`, in schema order, with the
// description "Default configuration".
ParamList DefaultList(int tab, int deviceType);

// The values of a tab's console command, in schema order: each parameter's
// values as they stand in its row (a missing row gives empty values).
QStringList CommandValues(const ParamList& list, int tab, int deviceType);

// Stores the comma-separated fields of a read answer into the tab's values:
// field n goes to the n-th value in schema order, a multi-value row takes
// consecutive fields. Missing fields leave the values empty.
void ApplyAnswer(ParamList& list, int tab, int deviceType, const QString& answer);

// The key column: label + " (" + key + ")" for a key of the tab's schema,
// the key as it is otherwise. "Dallas" looks in both of its schemas.
QString DisplayKey(int tab, int deviceType, const QString& key);

// Holds the nine lists of a main window.
struct ParamLists {
    ParamList tabs[9];
    // ResetForDeviceType: every list back to its defaults.
    void Reset(int deviceType);
};
