#pragma once
// The two masked-entry dialogs: "Repository" (TPasswordDlg), asking for the
// day's access code to configure without the repository, and "Local
// configuration" (TPasswordDlg2), asking for the unit's configuration PIN.

#include <QDialog>
#include <QString>

class QLineEdit;

// Makes `field` a masked field that shows each character as '*'.
void MaskWithStars(QLineEdit* field);

class PasswordDialog : public QDialog {
  public:
    // `lines` above the field; `maxLength` 0 for no limit; Cancel offered
    // when `cancel`.
    PasswordDialog(const QString& title, const QStringList& lines, int maxLength, bool cancel,
                   QWidget* parent = nullptr);
    QString Text() const;
    QLineEdit* field() const { return m_field; }

  private:
    QLineEdit* m_field;
};

PasswordDialog* NewAccessCodeDialog(QWidget* parent);
PasswordDialog* NewUnitPinDialog(QWidget* parent);
