#include "ChangePasswordDialog.h"

#include "Password.h"
#include "PasswordForm.h"
#include "SettingsStore.h"

#include <QLineEdit>
#include <QPushButton>

ChangePasswordDialog::ChangePasswordDialog(vx::SettingsStore &settings, vx::Password &password, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_password(password)
{
    setObjectName(QStringLiteral("ChangePasswordDialog"));
    setWindowTitle(tr("Change Password"));
    const vx::PasswordForm form = vx::buildPasswordForm(this);
    m_entry = form.entry;
    connect(form.okButton, &QPushButton::clicked, this, &ChangePasswordDialog::storeEntry);
}

void ChangePasswordDialog::storeEntry()
{
    // Any text, the empty one included, becomes the password. When the store
    // refuses it, the store has said why and the dialog stays as it was.
    const QString entry = m_entry->text();
    if (!m_settings.write(vx::key::Password, entry))
        return;
    m_password.replace(entry);
    accept();
}
