// The tool's commands in one table: the help text, the argument rules,
// the options each takes, the reply budget and the dispatch all come from
// it. A new command is one row here (and its handler).
#pragma once

#include "ExitCode.h"
#include "Options.h"

#include <QString>
#include <QtGlobal>
#include <span>
#include <type_traits>

namespace vx::ctl {

class Session;

// The one argument a command may take after its words.
enum class Arg {
    None,
    When,          // set-time: "now" or YYYY-MM-DDThh:mm:ss, optional
    MachineNumber, // set-id N
    File,          // tags upload FILE
};

// Whom a command talks to: the reply budget and the advice given for
// silence follow from it.
enum class Target {
    Terminal,      // the terminal at --id
    Station,       // the reader station, which has no machine number
    EveryTerminal, // each machine number of a range in turn (scan)
    NoPort,        // nobody: the command uses no port
};

// What a command does: a function, or a lambda without captures. Made from
// nothing else, and never null: a command without one does not build.
class Handler {
public:
    using Function = Exit (*)(Session &);
    consteval Handler(Exit (&function)(Session &)) : m_function(&function) {}
    template <typename Lambda>
        requires(std::is_class_v<Lambda> && std::is_convertible_v<Lambda, Function>)
    consteval Handler(Lambda lambda) : m_function(lambda)
    {
        if (!m_function)
            throw "a command needs a handler";
    }
    Exit operator()(Session &session) const { return m_function(session); }

private:
    Function m_function;
};

struct Command {
    const char *name;        // one word, or two for a sub-command ("tags upload")
    Target target;
    Arg arg;
    const char *argName;     // as the help shows it: "N", "FILE", "[WHEN]"; nullptr without an argument
    unsigned options;        // the OptionGroup bits of the options it takes
    bool recordsNeedFile;    // standard output carries its events: -o FILE is needed, and may hold the date
    const char *help;        // lines joined by '\n'
    Handler run;
    const char *example;     // one command line, for "vx500ctl COMMAND --help"
};

std::span<const Command> commands();

// How long the command waits for a reply (ms) unless --timeout says; 0 for
// a command that uses no port.
qint32 replyBudget(const Command &command);

// The command line of a command as the help shows it:
// "download [-o FILE] [--clear] [--update-time] [--power-down]".
QString synopsis(const Command &command);

} // namespace vx::ctl
