#include "modGeneral.h"

#include "Dialogs.h"

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace modGeneral {

bool SaveDialogAppend(vx::Dialogs &dlg, const QString &title, const QString &folder,
                      const QString &filter, const QString &proposed, QString &fileName)
{
    for (;;) {
        const auto chosen = dlg.saveFileName({title, folder, filter, proposed});
        if (!chosen)
            return false;
        fileName = *chosen;
        if (!QFileInfo::exists(fileName))
            return true;
        const vx::Answer answer = dlg.ask({vx::Icon::Exclamation, vx::Buttons::OkCancel, vx::appTitle(),
                                           QStringLiteral("File already exists, append?")});
        if (answer == vx::Answer::Ok)
            return true;
    }
}

void AppendLine(QPlainTextEdit *box, const QString &line)
{
    QTextCursor caret(box->document());
    caret.movePosition(QTextCursor::End);
    caret.insertText(line + QStringLiteral("\r\n"));
    box->setTextCursor(caret);
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
}

} // namespace modGeneral
