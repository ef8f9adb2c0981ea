#include "Dialogs.h"

#include "settings/UserSettings.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace vx {

QString appTitle() { return kAppName; }

void Dialogs::report(const Failure &failure, const QString &title)
{
    ask({.title = title.isEmpty() ? QString::number(failure.number()) : title, .text = describe(failure)});
}

Answer QtDialogs::ask(const Message &message)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(message.title.isEmpty() ? appTitle() : message.title);
    box.setText(message.text);
    switch (message.icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    const Answer pressedByEnter = message.defaultAnswer.value_or(message.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok);
    switch (message.buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return Answer::Ok;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(pressedByEnter == Answer::Cancel ? QMessageBox::Cancel : QMessageBox::Ok);
        return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(pressedByEnter == Answer::No ? QMessageBox::No : QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    return Answer::Cancel;
}

namespace {

// "(*.txt)|*.txt" -> "(*.txt)"; "Text|*.txt" -> "Text (*.txt)".
QString qtFilter(const QString &filter)
{
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return filter;
    const QString description = filter.left(bar).trimmed();
    const QString pattern = filter.mid(bar + 1).trimmed();
    if (description.endsWith(QLatin1Char(')')) && description.contains(pattern))
        return description;
    return description.isEmpty() ? QStringLiteral("(%1)").arg(pattern)
                                 : QStringLiteral("%1 (%2)").arg(description, pattern);
}

} // namespace

std::optional<QString> QtDialogs::saveFileName(const SaveRequest &request)
{
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.folder, qtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The caller asks about an existing file itself (it appends).
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.selectFile(request.proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

bool QtDialogs::openFolder(const QString &folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace vx
