#include "manager/ui/password_dialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QVBoxLayout>

namespace {

// The platform style's own mask character is a dot; the manager's fields
// have always shown '*'.
class StarStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

}  // namespace

void MaskWithStars(QLineEdit* field) {
    // One style for the program's life: widgets do not own their style.
    static StarStyle* style = new StarStyle;
    field->setEchoMode(QLineEdit::Password);
    field->setStyle(style);
}

PasswordDialog::PasswordDialog(const QString& title, const QStringList& lines, int maxLength,
                               bool cancel, QWidget* parent)
    : QDialog(parent), m_field(new QLineEdit(this)) {
    setWindowTitle(title);
    MaskWithStars(m_field);
    if (maxLength > 0) m_field->setMaxLength(maxLength);
    auto* layout = new QVBoxLayout(this);
    for (const QString& line : lines) layout->addWidget(new QLabel(line, this));
    layout->addWidget(m_field);
    auto* buttons =
        new QDialogButtonBox(cancel ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                    : QDialogButtonBox::StandardButtons(QDialogButtonBox::Ok),
                             this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString PasswordDialog::Text() const {
    return m_field->text();
}

PasswordDialog* NewAccessCodeDialog(QWidget* parent) {
    auto* dialog =
        new PasswordDialog(QStringLiteral("Repository"),
                           {QStringLiteral("In order to configure without connecting to"),
                            QStringLiteral("the repository enter password:")},
                           0, false, parent);
    dialog->setObjectName(QStringLiteral("TPasswordDlg"));
    return dialog;
}

PasswordDialog* NewUnitPinDialog(QWidget* parent) {
    auto* dialog =
        new PasswordDialog(QStringLiteral("Local configuration"),
                           {QStringLiteral("Type password to configure:")}, 4, true, parent);
    dialog->setObjectName(QStringLiteral("TPasswordDlg2"));
    return dialog;
}
