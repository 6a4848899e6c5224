#include "manager/ui/qt_prompt.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>
#include <memory>

#include "manager/logic/file_filter.h"
#include "manager/ui/password_dialogs.h"
#include "manager/ui/repository_dialog.h"

namespace {
const char* const kTitle = "Vimko Manager";

QString AskFile(QWidget* parent, const QString& filter, const QString& defaultExtension,
                QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setNameFilter(QtFileFilter(filter));
    dialog.setDefaultSuffix(defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return WithDefaultExtension(dialog.selectedFiles().first(), defaultExtension);
}
}  // namespace

void QtPrompt::Restore() {
    if (m_window && m_window->isMinimized()) m_window->showNormal();
}

void QtPrompt::ShowWarning(const QString& text) {
    Restore();
    QMessageBox::warning(m_window, QLatin1String(kTitle), text, QMessageBox::Ok);
}

bool QtPrompt::AskYesNo(const QString& question) {
    Restore();
    return QMessageBox::information(m_window, QLatin1String(kTitle), question,
                                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString QtPrompt::ChooseRepositoryName(const QList<RepoListEntry>& entries, bool allowNewName,
                                       const std::function<bool(const QString&)>& remove) {
    RepositoryDialog dialog(entries, allowNewName, remove, m_window);
    return dialog.exec() == QDialog::Accepted ? dialog.Name() : QString();
}

std::optional<QString> QtPrompt::AskAccessCode() {
    std::unique_ptr<PasswordDialog> dialog(NewAccessCodeDialog(m_window));
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    return dialog->Text();
}

std::optional<QString> QtPrompt::AskUnitPin() {
    std::unique_ptr<PasswordDialog> dialog(NewUnitPinDialog(m_window));
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    return dialog->Text();
}

QString QtPrompt::AskOpenFile(const QString& filter, const QString& defaultExtension) {
    return AskFile(m_window, filter, defaultExtension, QFileDialog::AcceptOpen);
}

QString QtPrompt::AskSaveFile(const QString& filter, const QString& defaultExtension) {
    return AskFile(m_window, filter, defaultExtension, QFileDialog::AcceptSave);
}
