// The program password for the run. Startup::run() owns it: the start-up
// loads the stored one into it, the gate (PasswordDialog) replaces it by the
// entry it admits, and the main window, handed it, shows the service buttons
// under the master password and hands it to ChangePasswordDialog.
#pragma once

#include <QString>

namespace vx {

inline const QString kPresetPassword = QStringLiteral("5813");
inline const QString kMasterPassword = QStringLiteral("QORN");

class Password
{
public:
    explicit Password(const QString &text = kPresetPassword) : m_text(text) {}

    const QString &text() const { return m_text; }
    void replace(const QString &text) { m_text = text; }
    // An entry as typed (no trimming, case counts): the password in force or
    // the master password.
    bool admits(const QString &entry) const { return entry == m_text || entry == kMasterPassword; }
    bool isMaster() const { return m_text == kMasterPassword; }

private:
    QString m_text;
};

} // namespace vx
