#include "ChangePasswordDialog.h"

#include "Dialogs.h"
#include "Globals.h"
#include "PasswordForm.h"
#include "SettingsStore.h"

#include <QButtonGroup>
#include <QLineEdit>

ChangePasswordDialog::ChangePasswordDialog(vx::SettingsStore &settings, QWidget *parent)
    : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("ChangePasswordDialog"));
    setWindowTitle(QStringLiteral("Change Password"));
    const vx::PasswordForm form = vx::buildPasswordForm(this);
    txtPassword = form.txtPassword;
    cmdCtrl = form.cmdCtrl;
    connect(cmdCtrl, &QButtonGroup::idClicked, this, &ChangePasswordDialog::cmdCtrl_Click);
}

void ChangePasswordDialog::cmdCtrl_Click(int index)
{
    if (index == vx::kCtrlCancel) {
        m_isOk = false;
        reject();
        return;
    }
    // Any text, the empty one included, becomes the password. When the store
    // refuses it, the store has said why and the dialog stays as it was.
    const QString entry = txtPassword->text();
    if (!m_settings.write(vx::key::Password, entry))
        return;
    g_password = entry;
    m_isOk = true;
    accept();
}
