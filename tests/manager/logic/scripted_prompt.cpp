#include "tests/manager/logic/scripted_prompt.h"

void ScriptedPrompt::ShowWarning(const QString& text) {
    warnings.append(text);
}

bool ScriptedPrompt::AskYesNo(const QString& question) {
    questions.append(question);
    if (answers.empty()) return true;
    bool yes = answers.front();
    answers.pop_front();
    return yes;
}

QString ScriptedPrompt::ChooseRepositoryName(const QList<RepoListEntry>& entries, bool allowNewName,
                                             const std::function<bool(const QString&)>& remove) {
    return chooseName ? chooseName(entries, allowNewName, remove) : QString();
}

std::optional<QString> ScriptedPrompt::AskAccessCode() {
    ++accessCodeAsked;
    if (accessCodes.empty()) return std::nullopt;
    bool given = accessCodes.front().has_value();
    QString code = given ? *accessCodes.front() : QString();
    accessCodes.pop_front();
    if (!given) return std::nullopt;
    return code;
}

std::optional<QString> ScriptedPrompt::AskUnitPin() {
    ++unitPinAsked;
    if (unitPins.empty()) return std::nullopt;
    // Copied out as AskAccessCode does: GCC's -O2 sees the optional's copy
    // as maybe uninitialised and -Werror stops the normal build.
    bool given = unitPins.front().has_value();
    QString pin = given ? *unitPins.front() : QString();
    unitPins.pop_front();
    if (!given) return std::nullopt;
    return pin;
}

QString ScriptedPrompt::AskOpenFile(const QString& filter, const QString&) {
    fileFilters.append(filter);
    if (files.empty()) return {};
    QString name = files.front();
    files.pop_front();
    return name;
}

QString ScriptedPrompt::AskSaveFile(const QString& filter, const QString& defaultExtension) {
    return AskOpenFile(filter, defaultExtension);
}

QStringList ScriptedPrompt::TakeWarnings() {
    QStringList taken = warnings;
    warnings.clear();
    return taken;
}
