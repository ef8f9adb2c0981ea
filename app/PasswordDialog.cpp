#include "PasswordDialog.h"

#include "Dialogs.h"
#include "Globals.h"
#include "PasswordForm.h"

#include <QButtonGroup>
#include <QLineEdit>

PasswordDialog::PasswordDialog(vx::Dialogs &dialogs, QWidget *parent) : QDialog(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("PasswordDialog"));
    setWindowTitle(QStringLiteral("Password Required"));
    const vx::PasswordForm form = vx::buildPasswordForm(this);
    txtPassword = form.txtPassword;
    cmdCtrl = form.cmdCtrl;
    connect(cmdCtrl, &QButtonGroup::idClicked, this, &PasswordDialog::cmdCtrl_Click);
}

void PasswordDialog::cmdCtrl_Click(int index)
{
    if (index == vx::kCtrlCancel) {
        m_isOk = false;
        reject();
        return;
    }
    // The entry as typed: no trimming, case counts.
    const QString entry = txtPassword->text();
    if (entry == g_password || entry == vx::kMasterPassword) {
        g_password = entry;
        m_isOk = true;
        accept();
        return;
    }
    m_dialogs.ask({vx::Icon::Exclamation, vx::Buttons::Ok, vx::appTitle(), QStringLiteral("Invalid password.")});
    txtPassword->setSelection(0, static_cast<int>(entry.size()));
    txtPassword->setFocus();
}
