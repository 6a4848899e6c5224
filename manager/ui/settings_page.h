#pragma once
// The "&Settings" page: "Data server:" (Address, User, Password, "Status:",
// "&Manage", "Grouping devices", "Show only logged"), "Repository:"
// (Address, User, Password, "&Write", "Work without network access"),
// "Local connection:" ("Use the speed 4800bps", "Status:") and "Label
// printer" (Executable, "&Browse").

#include <QWidget>

#include "manager/logic/manager_settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class SettingsPage : public QWidget {
    Q_OBJECT
  public:
    explicit SettingsPage(QWidget* parent = nullptr);

    void Show(const ManagerSettings& settings);
    ServerSettings Server() const;
    RepoSettings Repository() const;
    void SetServerFields(const QString& address, const QString& user, const QString& password);
    void SetDataServerStatus(const QString& text);
    void SetLocalStatus(const QString& text);
    bool use4800() const;
    QString printerProgram() const;

    QCheckBox* speedBox() const { return m_speed; }
    QLabel* dataServerStatus() const { return m_serverStatus; }
    QLabel* localStatus() const { return m_localStatus; }
    QPushButton* manageButton() const { return m_manage; }
    QPushButton* repositoryWriteButton() const { return m_repoWrite; }

  signals:
    void manageClicked();
    void repositoryWriteClicked();
    // One of the four Repository controls changed.
    void repositoryEdited();

  private:
    QLineEdit* m_serverAddress;
    QLineEdit* m_serverUser;
    QLineEdit* m_serverPassword;
    QLabel* m_serverStatus;
    QPushButton* m_manage;
    QCheckBox* m_grouping;
    QCheckBox* m_onlyLogged;
    QLineEdit* m_repoAddress;
    QLineEdit* m_repoUser;
    QLineEdit* m_repoPassword;
    QPushButton* m_repoWrite;
    QCheckBox* m_offline;
    QCheckBox* m_speed;
    QLabel* m_localStatus;
    QLineEdit* m_printer;
    QPushButton* m_browse;
};
