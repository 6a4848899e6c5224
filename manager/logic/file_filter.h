#pragma once
// File dialog filters. The manager writes them as pairs separated by '|':
// "Extensible Markup Language|*.xml|Config files|*.cfg"; Qt's file dialogs
// want "Extensible Markup Language (*.xml);;Config files (*.cfg)".

#include <QString>

QString QtFileFilter(const QString& filter);

// `name` with ".ext" appended when its file name has no extension and
// `defaultExtension` (without the dot) is not empty.
QString WithDefaultExtension(const QString& name, const QString& defaultExtension);
