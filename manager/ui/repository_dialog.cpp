#include "manager/ui/repository_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

RepositoryDialog::RepositoryDialog(const QList<RepoListEntry>& entries, bool allowNewName,
                                   std::function<bool(const QString&)> remove, QWidget* parent)
    : QDialog(parent),
      m_entries(entries),
      m_removeEntry(std::move(remove)),
      m_list(new QListWidget(this)),
      m_name(new QLineEdit(this)),
      m_description(new QPlainTextEdit(this)),
      m_remove(new QPushButton(QStringLiteral("&Remove"), this)),
      m_ok(nullptr) {
    setObjectName(QStringLiteral("TOKRightDlg"));
    setWindowTitle(QStringLiteral("Import/Export"));
    m_name->setReadOnly(!allowNewName);
    m_description->setReadOnly(true);
    for (const RepoListEntry& e : m_entries) m_list->addItem(e.name);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    auto* side = new QVBoxLayout;
    side->addWidget(m_description);
    side->addWidget(m_remove);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_name);
    layout->addWidget(buttons);
    m_remove->setVisible(static_cast<bool>(m_removeEntry));
    m_remove->setEnabled(false);
    m_ok->setEnabled(false);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &RepositoryDialog::OnSelection);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] {
        if (!m_name->text().isEmpty()) accept();
    });
    connect(m_name, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_ok->setEnabled(!text.isEmpty()); });
    connect(m_remove, &QPushButton::clicked, this, &RepositoryDialog::OnRemove);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(520, 360);
}

QString RepositoryDialog::Name() const {
    return m_name->text();
}

void RepositoryDialog::OnSelection() {
    int row = m_list->selectedItems().isEmpty() ? -1 : m_list->currentRow();
    m_remove->setEnabled(row >= 0);
    if (row < 0 || row >= m_entries.size()) return;
    m_name->setText(m_entries[row].name);
    m_description->setPlainText(m_entries[row].description.join('\n'));
}

void RepositoryDialog::OnRemove() {
    int row = m_list->currentRow();
    if (row < 0 || row >= m_entries.size() || !m_removeEntry) return;
    if (!m_removeEntry(m_entries[row].name)) return;
    m_entries.removeAt(row);
    delete m_list->takeItem(row);
    m_list->clearSelection();
    m_name->clear();
    m_description->clear();
}
