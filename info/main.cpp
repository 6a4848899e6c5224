// VimkoInfo: names a tachograph download file (".ddd") after the card holder
// or vehicle it belongs to, and renames it on request. See info_command.h.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "info/ddd_walk.h"
#include "info/info_command.h"

namespace {

// The whole file, or nothing when it cannot be opened.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    InfoAction action = ChooseInfoAction(args);
    if (action == InfoAction::kUsage) {
        std::fputs(kInfoUsage, stdout);
        return 1;
    }
    if (action == InfoAction::kNothing) return 0;

    std::optional<std::string> file = ReadWholeFile(args[0]);
    std::optional<DddWalk> walk;
    if (file) walk = WalkDdd(*file);
    const DddWalk* found = walk ? &*walk : nullptr;
    switch (action) {
        case InfoAction::kReport:
            std::fputs(ReportText(found).c_str(), stdout);
            return 0;
        case InfoAction::kName:
            std::fputs(NameText(found).c_str(), stdout);
            return 0;
        case InfoAction::kRename:
            if (found == nullptr) return 0;
            return std::rename(args[0].c_str(), RenamedPath(args[0], ShownName(*found)).c_str()) ==
                           0
                       ? 0
                       : 1;
        default:
            return 0;
    }
}
