// Dialogs for tests: answers from a script, and a record of everything asked.
#pragma once

#include "Dialogs.h"

#include <QStringList>

namespace vx::test {

class ScriptedDialogs : public Dialogs {
public:
    // Answers for the next boxes that offer a choice (OK-only boxes need
    // none); without one a box is answered No or Cancel.
    QList<Answer> answers;
    // Results for the next save dialogs (nullopt: cancelled).
    QList<std::optional<QString>> saveResults;

    QList<Message> asked;
    QList<SaveRequest> saveRequests;
    QStringList openedFolders;

    Answer ask(const Message &message) override
    {
        asked.append(message);
        return message.buttons == Buttons::Ok ? Answer::Ok : !answers.isEmpty() ? answers.takeFirst()
            : message.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
    std::optional<QString> saveFileName(const SaveRequest &request) override
    {
        saveRequests.append(request);
        return saveResults.isEmpty() ? std::nullopt : saveResults.takeFirst();
    }
    bool openFolder(const QString &folder) override { return openedFolders.append(folder), true; }
    // Each box asked, as its title and its text.
    QStringList texts() const
    {
        QStringList out;
        for (const Message &m : asked)
            out.append(m.title + QLatin1Char(' ') + m.text);
        return out;
    }
};

} // namespace vx::test
