#include "ScriptedDialogs.h"

namespace vx::test {

Answer ScriptedDialogs::ask(const Message &message)
{
    asked.append(message);
    if (onAsk)
        onAsk(message);
    if (message.buttons == Buttons::Ok)
        return Answer::Ok;
    if (answers.isEmpty()) {
        ++unscripted;
        return message.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
    return answers.takeFirst();
}

std::optional<QString> ScriptedDialogs::saveFileName(const SaveRequest &request)
{
    saveRequests.append(request);
    if (saveResults.isEmpty()) {
        ++unscripted;
        return std::nullopt;
    }
    return saveResults.takeFirst();
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Message &m : asked)
        out.append(m.text);
    return out;
}

} // namespace vx::test
