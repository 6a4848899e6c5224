#include "manager/ui/profiles_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

ProfilesDialog::ProfilesDialog(const QString& settingsPath, const ServerProfile& current,
                               QWidget* parent)
    : QDialog(parent),
      m_path(settingsPath),
      m_current(current),
      m_profiles(LoadProfiles(settingsPath)),
      m_name(new QLineEdit(QStringLiteral("Default"), this)),
      m_list(new QListWidget(this)),
      m_add(new QPushButton(QStringLiteral("Add"), this)),
      m_remove(new QPushButton(QStringLiteral("Remove"), this)) {
    setObjectName(QStringLiteral("TOKRightDlg2"));
    setWindowTitle(QStringLiteral("Configurations"));
    m_name->setObjectName(QStringLiteral("profileName"));
    m_list->setObjectName(QStringLiteral("profileList"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_name, 0, 0);
    layout->addWidget(m_add, 0, 1);
    layout->addWidget(m_list, 1, 0, 2, 1);
    layout->addWidget(m_remove, 1, 1);
    layout->addWidget(buttons, 3, 0, 1, 2);
    Fill();
    connect(m_name, &QLineEdit::textChanged, this, &ProfilesDialog::UpdateButtons);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &ProfilesDialog::UpdateButtons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(m_add, &QPushButton::clicked, this, &ProfilesDialog::Add);
    connect(m_remove, &QPushButton::clicked, this, &ProfilesDialog::Remove);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateButtons();
}

void ProfilesDialog::Fill() {
    m_list->clear();
    for (const ServerProfile& p : m_profiles) m_list->addItem(p.name);
    m_list->clearSelection();
    m_list->setCurrentRow(-1);
}

void ProfilesDialog::UpdateButtons() {
    m_add->setEnabled(!m_name->text().isEmpty());
    m_remove->setEnabled(!m_list->selectedItems().isEmpty());
}

void ProfilesDialog::Add() {
    ServerProfile p = m_current;
    p.name = m_name->text();
    int selected = m_list->selectedItems().isEmpty() ? -1 : m_list->currentRow();
    AddProfile(m_profiles, selected, p);
    RewriteProfiles(m_path, m_profiles);
    Fill();
    UpdateButtons();
}

void ProfilesDialog::Remove() {
    if (m_list->selectedItems().isEmpty()) return;
    int selected = m_list->currentRow();
    if (selected < 0 || selected >= m_profiles.size()) return;
    m_profiles.removeAt(selected);
    RewriteProfiles(m_path, m_profiles);
    Fill();
    UpdateButtons();
}

ServerProfile ProfilesDialog::Chosen() const {
    if (m_list->selectedItems().isEmpty()) return m_current;
    return m_profiles.value(m_list->currentRow(), m_current);
}
