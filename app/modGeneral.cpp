#include "modGeneral.h"

#include "Dialogs.h"

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace modGeneral {

bool SaveDialogAppend(vx::Dialogs &dlg, const QString &i_sTitle, const QString &i_sInitDir,
                      const QString &i_sFilter, const QString &i_sFileName, QString &o_sFileName)
{
    for (;;) {
        const auto chosen = dlg.saveFileName({i_sTitle, i_sInitDir, i_sFilter, i_sFileName});
        if (!chosen)
            return false;
        o_sFileName = *chosen;
        if (!QFileInfo::exists(o_sFileName))
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
