// Replaces the stored program password.
#pragma once

#include <QDialog>

class QButtonGroup;
class QLineEdit;

namespace vx {
class SettingsStore;
}

class ChangePasswordDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ChangePasswordDialog(vx::SettingsStore &settings, QWidget *parent = nullptr);

    bool IsOK() const { return m_isOk; }

private:
    void cmdCtrl_Click(int index);

    vx::SettingsStore &m_settings;
    QLineEdit *txtPassword;
    QButtonGroup *cmdCtrl;
    bool m_isOk = false;
};
