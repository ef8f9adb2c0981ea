#include "PasswordForm.h"

#include <QCoreApplication>
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

    auto *label = new QLabel(QCoreApplication::translate("vx::PasswordForm", "&Password:"), dialog);
    label->setObjectName(QStringLiteral("passwordLabel"));
    label->setAccessibleName(QCoreApplication::translate("vx::PasswordForm", "Password:"));

    form.entry = new QLineEdit(dialog);
    form.entry->setObjectName(QStringLiteral("passwordEdit"));
    form.entry->setEchoMode(QLineEdit::Password);
    form.entry->setAccessibleName(QCoreApplication::translate("vx::PasswordForm", "Password"));
    form.entry->setMinimumWidth(180);
    label->setBuddy(form.entry);

    auto *ok = form.okButton = new QPushButton(QCoreApplication::translate("vx::PasswordForm", "OK"), dialog);
    auto *cancel = form.cancelButton = new QPushButton(QCoreApplication::translate("vx::PasswordForm", "Cancel"), dialog);
    ok->setObjectName(QStringLiteral("okButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    ok->setAccessibleName(QCoreApplication::translate("vx::PasswordForm", "OK"));
    cancel->setAccessibleName(QCoreApplication::translate("vx::PasswordForm", "Cancel"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    cancel->setAutoDefault(false);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);

    auto *grid = new QGridLayout(dialog);
    grid->addWidget(label, 0, 0);
    grid->addWidget(form.entry, 0, 1);
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
