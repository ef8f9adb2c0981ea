#include "PasswordDialog.h"

#include "Dialogs.h"
#include "Password.h"
#include "PasswordForm.h"

#include <QLineEdit>
#include <QPushButton>

PasswordDialog::PasswordDialog(vx::Dialogs &dialogs, vx::Password &password, QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs), m_password(password)
{
    setObjectName(QStringLiteral("PasswordDialog"));
    setWindowTitle(tr("Password Required"));
    const vx::PasswordForm form = vx::buildPasswordForm(this);
    m_entry = form.entry;
    connect(form.okButton, &QPushButton::clicked, this, &PasswordDialog::checkEntry);
}

void PasswordDialog::checkEntry()
{
    const QString entry = m_entry->text();
    if (m_password.admits(entry)) {
        m_password.replace(entry);
        accept();
        return;
    }
    m_dialogs.ask({.icon = vx::Icon::Exclamation, .title = vx::appTitle(), .text = tr("Invalid password.")});
    m_entry->setSelection(0, static_cast<int>(entry.size()));
    m_entry->setFocus();
}
