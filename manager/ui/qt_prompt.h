#pragma once
// The person at the screen for the program: message boxes, the
// "Import/Export", "Repository" and "Local configuration" dialogs and the
// file dialogs, all modal and centred on the main window.

#include "manager/logic/user_prompt.h"

class QWidget;

class QtPrompt : public UserPrompt {
  public:
    explicit QtPrompt(QWidget* mainWindow) : m_window(mainWindow) {}
    void ShowWarning(const QString& text) override;
    bool AskYesNo(const QString& question) override;
    QString ChooseRepositoryName(const QList<RepoListEntry>& entries, bool allowNewName,
                                 const std::function<bool(const QString&)>& remove) override;
    std::optional<QString> AskAccessCode() override;
    std::optional<QString> AskUnitPin() override;
    QString AskOpenFile(const QString& filter, const QString& defaultExtension) override;
    QString AskSaveFile(const QString& filter, const QString& defaultExtension) override;

  private:
    // A minimised main window is shown again before a box appears over it.
    void Restore();
    QWidget* m_window;
};
