#pragma once
// What VimkoInfo does with its command line, apart from the file system.
//
//   VimkoInfo                    usage line, exit 1
//   VimkoInfo file               "Name: ..." and "File: OK|ERROR|NOT EXIST"
//   VimkoInfo file -n            the name only
//   VimkoInfo file -r            rename the file after its name
//   VimkoInfo file <other>       nothing
//   VimkoInfo file <two or more> as for file alone

#include <string>
#include <string_view>
#include <vector>

#include "info/ddd_walk.h"

inline constexpr char kInfoUsage[] = "Usage: ./VimkoInfo file.ddd [-r | -n]\n";

enum class InfoAction { kUsage, kReport, kName, kRename, kNothing };

InfoAction ChooseInfoAction(const std::vector<std::string>& args);  // args without argv[0]

// The printed name: the walk's name, or "unknown" when it found none.
std::string ShownName(const DddWalk& walk);

// The output of kReport and kName; `walk` is null when the file could not be opened.
std::string ReportText(const DddWalk* walk);
std::string NameText(const DddWalk* walk);

// The new path of a renamed file: the argument up to the first "." of its
// file name (after the last "/"; all of it without one), "_", the name, then
// ".ddd". A "/" in the name becomes "_", so the file stays in its directory.
std::string RenamedPath(std::string_view argument, std::string_view name);
