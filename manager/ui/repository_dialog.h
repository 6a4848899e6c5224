#pragma once
// "Import/Export" (TOKRightDlg): the names of a repository list with the
// description lines of the selected one, a name field (typed into only when
// a new name is allowed), "&Remove" when removal is offered, OK and Cancel.

#include <QDialog>
#include <functional>

#include "manager/logic/user_prompt.h"

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

class RepositoryDialog : public QDialog {
  public:
    RepositoryDialog(const QList<RepoListEntry>& entries, bool allowNewName,
                     std::function<bool(const QString&)> remove, QWidget* parent = nullptr);
    QString Name() const;

    QListWidget* list() const { return m_list; }
    QLineEdit* nameField() const { return m_name; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* okButton() const { return m_ok; }

  private:
    void OnSelection();
    void OnRemove();

    QList<RepoListEntry> m_entries;
    std::function<bool(const QString&)> m_removeEntry;
    QListWidget* m_list;
    QLineEdit* m_name;
    QPlainTextEdit* m_description;
    QPushButton* m_remove;
    QPushButton* m_ok;
};
