#include "manager/ui/settings_page.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "manager/logic/file_filter.h"
#include "manager/ui/password_dialogs.h"

namespace {

QLineEdit* Field(QWidget* parent, const char* name, bool masked = false) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    if (masked) MaskWithStars(edit);
    return edit;
}

}  // namespace

SettingsPage::SettingsPage(QWidget* parent)
    : QWidget(parent),
      m_serverAddress(Field(this, "serverAddress")),
      m_serverUser(Field(this, "serverUser")),
      m_serverPassword(Field(this, "serverPassword", true)),
      m_serverStatus(new QLabel(QStringLiteral("Disconneced"), this)),
      m_manage(new QPushButton(QStringLiteral("&Manage"), this)),
      m_grouping(new QCheckBox(QStringLiteral("Grouping devices"), this)),
      m_onlyLogged(new QCheckBox(QStringLiteral("Show only logged"), this)),
      m_repoAddress(Field(this, "repoAddress")),
      m_repoUser(Field(this, "repoUser")),
      m_repoPassword(Field(this, "repoPassword", true)),
      m_repoWrite(new QPushButton(QStringLiteral("&Write"), this)),
      m_offline(new QCheckBox(QStringLiteral("Work without network access"), this)),
      m_speed(new QCheckBox(QStringLiteral("Use the speed 4800bps"), this)),
      m_localStatus(new QLabel(QStringLiteral("Disconnected"), this)),
      m_printer(Field(this, "printerProgram")),
      m_browse(new QPushButton(QStringLiteral("&Browse"), this)) {
    setObjectName(QStringLiteral("settingsPage"));
    m_serverStatus->setObjectName(QStringLiteral("dataServerStatus"));
    m_localStatus->setObjectName(QStringLiteral("localStatus"));
    m_manage->setObjectName(QStringLiteral("manage"));
    m_repoWrite->setObjectName(QStringLiteral("repositoryWrite"));
    m_grouping->setObjectName(QStringLiteral("grouping"));
    m_onlyLogged->setObjectName(QStringLiteral("onlyLogged"));
    m_offline->setObjectName(QStringLiteral("workOffline"));
    m_speed->setObjectName(QStringLiteral("speed4800"));
    m_printer->setText(QStringLiteral("Printer.exe"));

    auto* server = new QGroupBox(QStringLiteral("Data server:"), this);
    auto* serverForm = new QFormLayout(server);
    serverForm->addRow(QStringLiteral("Address:"), m_serverAddress);
    serverForm->addRow(QStringLiteral("User:"), m_serverUser);
    serverForm->addRow(QStringLiteral("Password:"), m_serverPassword);
    serverForm->addRow(QStringLiteral("Status:"), m_serverStatus);
    serverForm->addRow(m_grouping);
    serverForm->addRow(m_onlyLogged);
    serverForm->addRow(m_manage);

    auto* repo = new QGroupBox(QStringLiteral("Repository:"), this);
    auto* repoForm = new QFormLayout(repo);
    repoForm->addRow(QStringLiteral("Address:"), m_repoAddress);
    repoForm->addRow(QStringLiteral("User:"), m_repoUser);
    repoForm->addRow(QStringLiteral("Password:"), m_repoPassword);
    repoForm->addRow(m_offline);
    repoForm->addRow(m_repoWrite);

    auto* local = new QGroupBox(QStringLiteral("Local connection:"), this);
    auto* localForm = new QFormLayout(local);
    localForm->addRow(m_speed);
    localForm->addRow(QStringLiteral("Status:"), m_localStatus);

    auto* printer = new QGroupBox(QStringLiteral("Label printer"), this);
    auto* printerRow = new QHBoxLayout(printer);
    printerRow->addWidget(new QLabel(QStringLiteral("Executable:"), printer));
    printerRow->addWidget(m_printer, 1);
    printerRow->addWidget(m_browse);

    auto* grid = new QGridLayout(this);
    grid->addWidget(server, 0, 0);
    grid->addWidget(repo, 0, 1);
    grid->addWidget(local, 1, 0);
    grid->addWidget(printer, 1, 1);
    grid->setRowStretch(2, 1);

    connect(m_manage, &QPushButton::clicked, this, &SettingsPage::manageClicked);
    connect(m_repoWrite, &QPushButton::clicked, this, &SettingsPage::repositoryWriteClicked);
    for (QLineEdit* e : {m_repoAddress, m_repoUser, m_repoPassword}) {
        connect(e, &QLineEdit::textChanged, this, &SettingsPage::repositoryEdited);
    }
    connect(m_offline, &QCheckBox::toggled, this, &SettingsPage::repositoryEdited);
    connect(m_browse, &QPushButton::clicked, this, [this] {
        QFileDialog dialog(this);
        dialog.setNameFilter(QtFileFilter(QStringLiteral("Executable|*.exe")));
        dialog.setDefaultSuffix(QStringLiteral("exe"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            m_printer->setText(dialog.selectedFiles().first());
        }
    });
}

void SettingsPage::Show(const ManagerSettings& s) {
    SetServerFields(s.server.address, s.server.user, s.server.password);
    m_grouping->setChecked(s.server.grouping);
    m_onlyLogged->setChecked(s.server.onlyLogged);
    m_repoAddress->setText(s.repo.address);
    m_repoUser->setText(s.repo.user);
    m_repoPassword->setText(s.repo.password);
    m_offline->setChecked(s.repo.offline);
}

ServerSettings SettingsPage::Server() const {
    ServerSettings s;
    s.address = m_serverAddress->text();
    s.user = m_serverUser->text();
    s.password = m_serverPassword->text();
    s.grouping = m_grouping->isChecked();
    s.onlyLogged = m_onlyLogged->isChecked();
    return s;
}

RepoSettings SettingsPage::Repository() const {
    RepoSettings s;
    s.address = m_repoAddress->text();
    s.user = m_repoUser->text();
    s.password = m_repoPassword->text();
    s.offline = m_offline->isChecked();
    return s;
}

void SettingsPage::SetServerFields(const QString& address, const QString& user,
                                   const QString& password) {
    m_serverAddress->setText(address);
    m_serverUser->setText(user);
    m_serverPassword->setText(password);
}

void SettingsPage::SetDataServerStatus(const QString& text) {
    m_serverStatus->setText(text);
}

void SettingsPage::SetLocalStatus(const QString& text) {
    m_localStatus->setText(text);
}

bool SettingsPage::use4800() const {
    return m_speed->isChecked();
}

QString SettingsPage::printerProgram() const {
    return m_printer->text();
}
