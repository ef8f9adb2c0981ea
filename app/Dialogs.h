// The one seam for message boxes, confirmations, the save-file dialog and
// the file manager. The program shows Qt's boxes through QtDialogs; tests
// install their own Dialogs that answer from a script and record what was
// asked.
#pragma once

#include "terminal/Failure.h"

#include <QString>
#include <optional>

class QWidget;

namespace vx {

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

struct Message {
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    QString title;
    QString text;
    // The button that Enter presses: one of the box's buttons; without one,
    // the first (OK or Yes).
    std::optional<Answer> defaultAnswer{};
};

struct SaveRequest {
    QString title;
    QString folder;   // where the dialog opens
    QString filter;   // "description|pattern", e.g. "(*.txt)|*.txt"
    QString proposed; // the file name preset in the dialog
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box; returns the button pressed (closing the box
    // counts as Cancel or No, or Ok when OK is the only button).
    virtual Answer ask(const Message &message) = 0;
    // The save-file dialog; nullopt when cancelled, else the full path chosen.
    virtual std::optional<QString> saveFileName(const SaveRequest &request) = 0;
    // Shows a folder in the system's file manager; false when none took it.
    virtual bool openFolder(const QString &folder) = 0;

    // A run-time failure: its text, the OK button only, and the given
    // title, or the failure's number without one.
    void report(const Failure &failure, const QString &title = {});
};

// The program's own title, "VX500-500A Monitor".
QString appTitle();

class QtDialogs : public Dialogs {
public:
    Answer ask(const Message &message) override;
    std::optional<QString> saveFileName(const SaveRequest &request) override;
    bool openFolder(const QString &folder) override;
};

} // namespace vx
