// One terminal command at a time, and what the rest of the window may do
// meanwhile. The link serves the window's events while it waits for the
// terminal, so any control can be clicked in the middle of a command; the
// rules, all of them here:
// - A command (a terminal button, a station query) starts only when none
//   runs: start() gives nothing then, and the click is dropped.
// - While one runs, the guarded buttons are greyed and say why: those that
//   start an exchange, and those that open a dialog, whose event loop would
//   hold the link's wait (and the terminal) until it closed.
// - Stop asks a download to end at the next record.
// - Closing the window ends the program: the wait returns at once, the
//   command unwinds and closes its files, and nothing more is sent.
// - The other controls stay live: they write settings and change what is
//   shown; a running command read the port and the machine number when it
//   started, and a download reads its steps when the records end.
#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QAbstractButton;
class QWidget;

namespace vx {

class CommandGuard {
public:
    explicit CommandGuard(QWidget &window) : m_window(window) {}
    CommandGuard(const CommandGuard &) = delete;
    CommandGuard &operator=(const CommandGuard &) = delete;

    // The buttons greyed while a command runs.
    void guard(QAbstractButton *button) { m_guarded << button; }
    // Run when a command ends, after its buttons are back: switches off
    // again what the operator's changes meanwhile switched off.
    void setWhenIdle(std::function<void()> whenIdle) { m_whenIdle = std::move(whenIdle); }

    // A running command: the window is busy (its buttons greyed, the busy
    // pointer over it) until this goes.
    class Command {
    public:
        explicit Command(CommandGuard &guard);
        Command(Command &&other) noexcept : m_guard(std::exchange(other.m_guard, nullptr)) {}
        Command(const Command &) = delete;
        Command &operator=(const Command &) = delete;
        Command &operator=(Command &&) = delete;
        ~Command();

    private:
        CommandGuard *m_guard;
    };
    // Nothing while a command runs.
    [[nodiscard]] std::optional<Command> start();

    bool isBusy() const { return m_busy; }
    // What a greyed button says while a command runs.
    static QString busyText();
    void requestStop() { m_stopRequested = true; }
    void endProgram() { m_ending = true; }
    bool isEnding() const { return m_ending; }
    // A download asks between two records.
    bool stopRequested() const { return m_ending || m_stopRequested; }

private:
    QWidget &m_window;
    QList<QAbstractButton *> m_guarded;
    std::function<void()> m_whenIdle;
    QList<QPointer<QAbstractButton>> m_greyed; // greyed by the command, not for another reason
    bool m_busy = false;
    bool m_stopRequested = false;
    bool m_ending = false;
};

} // namespace vx
