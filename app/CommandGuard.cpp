#include "CommandGuard.h"

#include "SwitchedOn.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QWidget>

namespace vx {

QString CommandGuard::busyText() { return QCoreApplication::translate("MainWindow", "Busy: a command is running"); }

std::optional<CommandGuard::Command> CommandGuard::start()
{
    if (m_busy)
        return std::nullopt;
    return std::optional<Command>(std::in_place, *this);
}

CommandGuard::Command::Command(CommandGuard &guard) : m_guard(&guard)
{
    guard.m_busy = true;
    guard.m_stopRequested = false;
    for (QAbstractButton *b : std::as_const(guard.m_guarded))
        if (b->isEnabled()) { // a button off for another reason stays so
            setSwitchedOn(b, false, busyText());
            guard.m_greyed << b;
        }
    // Over this window only: message boxes and the save dialog keep the arrow.
    guard.m_window.setCursor(Qt::WaitCursor);
}

CommandGuard::Command::~Command()
{
    if (!m_guard)
        return;
    m_guard->m_window.unsetCursor();
    for (const QPointer<QAbstractButton> &b : std::exchange(m_guard->m_greyed, {}))
        if (b)
            setSwitchedOn(b, true, {});
    m_guard->m_busy = false;
    if (m_guard->m_whenIdle)
        m_guard->m_whenIdle();
}

} // namespace vx
