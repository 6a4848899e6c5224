#pragma once
// Everything the logic asks of the person at the screen: warnings, yes/no
// questions, the repository's name chooser and the off-line access code.
// The windows implement it with message boxes and dialogs; tests answer
// from scripts.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct RepoListEntry {
    QString name;
    QStringList description;  // the lines of its "description" element
};

class UserPrompt {
  public:
    virtual ~UserPrompt() = default;
    // A modal warning with the single button OK.
    virtual void ShowWarning(const QString& text) = 0;
    // An information box with the buttons "Yes" and "No"; true for "Yes".
    virtual bool AskYesNo(const QString& question) = 0;
    // The "Import/Export" dialog: returns the chosen name, or an empty text
    // for Cancel. `remove` deletes an entry on the server (true when it was
    // removed); it is empty when removal is not offered. A new name may be
    // typed only with `allowNewName`.
    virtual QString ChooseRepositoryName(const QList<RepoListEntry>& entries, bool allowNewName,
                                         const std::function<bool(const QString&)>& remove) = 0;
    // The "Repository" dialog asking for the day's access code; the text
    // typed, or nothing when it was cancelled.
    virtual std::optional<QString> AskAccessCode() = 0;
    // The "Local configuration" dialog ("Type password to configure:",
    // masked, at most 4 characters); nothing when it was cancelled.
    virtual std::optional<QString> AskUnitPin() = 0;
    // File dialogs. `filter` is written "Description|*.ext|Description|*.ext";
    // `defaultExtension` is added to a typed name without one. An empty text
    // when the person cancelled.
    virtual QString AskOpenFile(const QString& filter, const QString& defaultExtension) = 0;
    virtual QString AskSaveFile(const QString& filter, const QString& defaultExtension) = 0;
};
