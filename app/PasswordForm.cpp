#include "PasswordForm.h"

#include "Dialogs.h"

#include <QButtonGroup>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vx {

PasswordForm buildPasswordForm(QDialog *dialog)
{
    PasswordForm form;
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                           | Qt::MSWindowsFixedSizeDialogHint);

    auto *label = new QLabel(QStringLiteral("&Password:"), dialog);
    label->setObjectName(QStringLiteral("Label1"));
    label->setAccessibleName(QStringLiteral("Password:"));

    form.txtPassword = new QLineEdit(dialog);
    form.txtPassword->setObjectName(QStringLiteral("txtPassword"));
    form.txtPassword->setEchoMode(QLineEdit::Password);
    form.txtPassword->setAccessibleName(QStringLiteral("Password"));
    form.txtPassword->setMinimumWidth(180);
    label->setBuddy(form.txtPassword);

    form.cmdCtrl = new QButtonGroup(dialog);
    form.cmdCtrl->setObjectName(QStringLiteral("cmdCtrl"));
    auto *ok = new QPushButton(QStringLiteral("OK"), dialog);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    ok->setObjectName(QStringLiteral("cmdCtrl(%1)").arg(kCtrlOK));
    cancel->setObjectName(QStringLiteral("cmdCtrl(%1)").arg(kCtrlCancel));
    ok->setAccessibleName(QStringLiteral("OK"));
    cancel->setAccessibleName(QStringLiteral("Cancel"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    cancel->setAutoDefault(false);
    form.cmdCtrl->addButton(ok, kCtrlOK);
    form.cmdCtrl->addButton(cancel, kCtrlCancel);

    auto *grid = new QGridLayout(dialog);
    grid->addWidget(label, 0, 0);
    grid->addWidget(form.txtPassword, 0, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 2, 1);
    grid->setRowStretch(1, 1);
    grid->setHorizontalSpacing(10);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    return form;
}

} // namespace vx
