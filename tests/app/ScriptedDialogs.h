// Dialogs for tests: answers from a script, and a record of everything asked.
#pragma once

#include "Dialogs.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace vx::test {

class ScriptedDialogs : public Dialogs {
public:
    // Answers for the next boxes that offer a choice (OK-only boxes need none).
    QList<Answer> answers;
    // Results for the next save dialogs (nullopt: cancelled).
    QList<std::optional<QString>> saveResults;
    // Run when a box is shown (before it answers), e.g. to act in the middle.
    std::function<void(const Message &)> onAsk;

    QList<Message> asked;
    QList<SaveRequest> saveRequests;
    // Boxes with a choice that found no scripted answer (a test fault).
    int unscripted = 0;

    Answer ask(const Message &message) override;
    std::optional<QString> saveFileName(const SaveRequest &request) override;

    QStringList texts() const;
};

} // namespace vx::test
