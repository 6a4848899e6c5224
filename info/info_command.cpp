#include "info/info_command.h"

InfoAction ChooseInfoAction(const std::vector<std::string>& args) {
    if (args.empty()) return InfoAction::kUsage;
    if (args.size() != 2) return InfoAction::kReport;
    if (args[1] == "-n") return InfoAction::kName;
    if (args[1] == "-r") return InfoAction::kRename;
    return InfoAction::kNothing;
}

std::string ShownName(const DddWalk& walk) {
    // The name is text: a NUL byte in the file ends it.
    std::string name = walk.name.substr(0, walk.name.find('\0'));
    return name.empty() ? "unknown" : name;
}

std::string ReportText(const DddWalk* walk) {
    if (walk == nullptr) return "Name: unknown\nFile: NOT EXIST\n";
    return "Name: " + ShownName(*walk) + "\nFile: " + (walk->complete ? "OK" : "ERROR") + "\n";
}

std::string NameText(const DddWalk* walk) {
    return (walk == nullptr ? std::string("unknown") : ShownName(*walk)) + "\n";
}

std::string RenamedPath(std::string_view argument, std::string_view name) {
    size_t slash = argument.rfind('/');
    size_t base = slash == std::string_view::npos ? 0 : slash + 1;
    size_t dot = argument.find('.', base);
    std::string out(argument.substr(0, dot));
    out += '_';
    for (char c : name) out += c == '/' ? '_' : c;
    out += ".ddd";
    return out;
}
