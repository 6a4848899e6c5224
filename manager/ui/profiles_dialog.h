#pragma once
// "Configurations" (TOKRightDlg2): the saved server profiles. "Add" puts a
// profile of the typed name and the current Address/User/Password before
// the selected one (or at the end), "Remove" deletes the selected one; both
// rewrite the profile sections of the settings file at once. OK (or a
// double click) with a selection takes that profile's server.

#include <QDialog>

#include "manager/logic/manager_settings.h"

class QLineEdit;
class QListWidget;
class QPushButton;

class ProfilesDialog : public QDialog {
  public:
    ProfilesDialog(const QString& settingsPath, const ServerProfile& current,
                   QWidget* parent = nullptr);

    // The server after OK: the selected profile's, or the current one.
    ServerProfile Chosen() const;
    const QList<ServerProfile>& profiles() const { return m_profiles; }

    QLineEdit* nameField() const { return m_name; }
    QListWidget* list() const { return m_list; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* removeButton() const { return m_remove; }

  private:
    void Add();
    void Remove();
    void Fill();
    void UpdateButtons();

    QString m_path;
    ServerProfile m_current;
    QList<ServerProfile> m_profiles;
    QLineEdit* m_name;
    QListWidget* m_list;
    QPushButton* m_add;
    QPushButton* m_remove;
};
