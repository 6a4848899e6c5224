#include "manager/logic/file_filter.h"

#include <QFileInfo>
#include <QStringList>

QString QtFileFilter(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        // Several patterns of one entry are written "*.a;*.b".
        QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(' ');
        out.append(parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    // A description without its pattern is taken as a pattern alone.
    if (parts.size() % 2 == 1 && !parts.last().isEmpty()) out.append(parts.last());
    return out.join(QStringLiteral(";;"));
}

QString WithDefaultExtension(const QString& name, const QString& defaultExtension) {
    if (name.isEmpty() || defaultExtension.isEmpty()) return name;
    if (!QFileInfo(name).suffix().isEmpty()) return name;
    return name + QLatin1Char('.') + defaultExtension;
}
