#pragma once
// GoogleTest prints Qt texts as text (and lists of them element by element)
// rather than as bytes.

#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
