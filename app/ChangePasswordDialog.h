// Replaces the stored program password and the password in force.
#pragma once

#include <QDialog>

class QLineEdit;

namespace vx {
class Password;
class SettingsStore;
} // namespace vx

class ChangePasswordDialog : public QDialog
{
    Q_OBJECT
public:
    // Accepted once the new password is stored.
    ChangePasswordDialog(vx::SettingsStore &settings, vx::Password &password, QWidget *parent = nullptr);

private:
    void storeEntry();

    vx::SettingsStore &m_settings;
    vx::Password &m_password;
    QLineEdit *m_entry;
};
