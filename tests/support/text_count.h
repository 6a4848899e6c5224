#pragma once
// Counting the entries of a log or the lines of an answer.

#include <string>

// How often `text` stands in `haystack` (overlapping occurrences included).
inline size_t CountOf(const std::string& haystack, const std::string& text) {
    size_t count = 0;
    for (size_t at = haystack.find(text); at != std::string::npos;
         at = haystack.find(text, at + 1)) {
        ++count;
    }
    return count;
}
