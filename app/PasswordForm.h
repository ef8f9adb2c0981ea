// The layout both password dialogs share: "&Password:", a masked entry and
// the buttons OK (default) and Cancel as the control array cmdCtrl.
#pragma once

class QButtonGroup;
class QDialog;
class QLineEdit;

namespace vx {

struct PasswordForm {
    QLineEdit *txtPassword = nullptr;
    QButtonGroup *cmdCtrl = nullptr;
};

PasswordForm buildPasswordForm(QDialog *dialog);

} // namespace vx
