#pragma once
// The person at the screen, scripted: warnings are recorded, questions are
// answered from queues (recorded too), the repository dialog and the access
// code dialog answer through functions the test sets.

#include <QStringList>
#include <deque>
#include <functional>

#include "manager/logic/user_prompt.h"

class ScriptedPrompt : public UserPrompt {
  public:
    QStringList warnings;
    QStringList questions;
    std::deque<bool> answers;  // for AskYesNo; "Yes" when empty
    // The "Import/Export" dialog: entries shown and the removal offered.
    std::function<QString(const QList<RepoListEntry>&, bool allowNewName,
                          const std::function<bool(const QString&)>& remove)>
        chooseName;
    std::deque<std::optional<QString>> accessCodes;  // cancelled when empty
    int accessCodeAsked = 0;
    std::deque<std::optional<QString>> unitPins;  // cancelled when empty
    int unitPinAsked = 0;
    // File dialogs: answered from the queue (cancelled when empty); the
    // filters asked are recorded.
    std::deque<QString> files;
    QStringList fileFilters;

    void ShowWarning(const QString& text) override;
    bool AskYesNo(const QString& question) override;
    QString ChooseRepositoryName(const QList<RepoListEntry>& entries, bool allowNewName,
                                 const std::function<bool(const QString&)>& remove) override;
    std::optional<QString> AskAccessCode() override;
    std::optional<QString> AskUnitPin() override;
    QString AskOpenFile(const QString& filter, const QString& defaultExtension) override;
    QString AskSaveFile(const QString& filter, const QString& defaultExtension) override;

    // Takes and clears the warnings recorded so far.
    QStringList TakeWarnings();
};
