// The start-up gate: admits the stored password or the master password.
#pragma once

#include <QDialog>

class QButtonGroup;
class QLineEdit;

namespace vx {
class Dialogs;
}

class PasswordDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PasswordDialog(vx::Dialogs &dialogs, QWidget *parent = nullptr);

    // True once OK has been pressed with an accepted entry.
    bool IsOK() const { return m_isOk; }

private:
    void cmdCtrl_Click(int index);

    vx::Dialogs &m_dialogs;
    QLineEdit *txtPassword;
    QButtonGroup *cmdCtrl;
    bool m_isOk = false;
};
