#pragma once
// The file system calls of the server's tachograph files, in one place:
// whole-file writes, appends and renames, each returning whether it worked.

#include <string>
#include <string_view>

// Creates or replaces `path` with `bytes` (binary).
bool FileReplace(const std::string& path, std::string_view bytes);
// Appends `bytes` to `path`, creating it when missing.
bool FileAppend(const std::string& path, std::string_view bytes);
// Renames `from` to `to`, replacing `to`.
bool FileRename(const std::string& from, const std::string& to);
