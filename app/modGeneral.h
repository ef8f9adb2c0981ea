// Routines shared by the windows.
#pragma once

#include <QString>

class QPlainTextEdit;

namespace vx {
class Dialogs;
}

namespace modGeneral {

// The save-file chooser: shows the save dialog with the proposed name; a
// chosen file that exists must be confirmed with "File already exists,
// append?", and Cancel there opens the dialog again with the proposed name.
// True with the chosen path in fileName, false when the dialog was cancelled.
bool SaveDialogAppend(vx::Dialogs &dlg, const QString &title, const QString &folder,
                      const QString &filter, const QString &proposed, QString &fileName);

// Puts the caret after the last character of the box and inserts the line
// followed by CR LF.
void AppendLine(QPlainTextEdit *box, const QString &line);

} // namespace modGeneral
