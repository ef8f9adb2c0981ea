// The start-up gate: admits the password in force or the master password,
// which then becomes the password in force.
#pragma once

#include <QDialog>

class QLineEdit;

namespace vx {
class Dialogs;
class Password;
} // namespace vx

class PasswordDialog : public QDialog
{
    Q_OBJECT
public:
    // Accepted once OK has been pressed with an admitted entry.
    PasswordDialog(vx::Dialogs &dialogs, vx::Password &password, QWidget *parent = nullptr);

private:
    void checkEntry();

    vx::Dialogs &m_dialogs;
    vx::Password &m_password;
    QLineEdit *m_entry;
};
