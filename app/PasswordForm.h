// The layout both password dialogs share: "&Password:", a masked entry and
// the buttons OK (default) and Cancel.
#pragma once

class QDialog;
class QLineEdit;
class QPushButton;

namespace vx {

struct PasswordForm {
    QLineEdit *entry = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
};

PasswordForm buildPasswordForm(QDialog *dialog);

} // namespace vx
