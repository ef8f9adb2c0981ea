// The tool's commands in one table: the help text, the argument rules and
// the dispatch all come from it.
#pragma once

#include "ExitCode.h"

#include <QString>
#include <QtGlobal>
#include <span>

namespace vx::ctl {

class Session;

// The one argument a command may take after its words.
enum class Arg {
    None,
    When,          // set-time: "now" or YYYY-MM-DDThh:mm:ss, optional
    MachineNumber, // set-id N
    File,          // tags upload FILE
};

// Options that belong to some commands only.
enum Option : unsigned {
    kOutputOption = 1u << 0,     // -o FILE
    kYesOption = 1u << 1,        // --yes
    kAutomationOptions = 1u << 2, // --clear, --update-time, --power-down
    kMappingOptions = 1u << 3,   // --map, --unmap
    kRangeOptions = 1u << 4,     // --from N, --to M
    kIntervalOption = 1u << 5,   // --interval SECONDS
    kQuietOption = 1u << 6,      // -q, --quiet
    kJsonOption = 1u << 7,       // --json
    kSinceOption = 1u << 8,      // --since DATE
};

struct Command {
    // Every field is given, the handler included: a command without one does not build.
    constexpr Command(const char *name, Arg arg, const char *argName, unsigned options, qint32 replyBudget,
                      const char *help, Exit (*run)(Session &), const char *example)
        : name(name), arg(arg), argName(argName), options(options), replyBudget(replyBudget), help(help), run(run),
          example(example)
    {
    }
    const char *name;        // one word, or two for a sub-command ("tags upload")
    Arg arg;
    const char *argName;     // as the help shows it: "N", "FILE", "[WHEN]"
    unsigned options;        // Option bits
    qint32 replyBudget;      // ms; 0 for a command that uses no port
    const char *help;        // lines joined by '\n'
    Exit (*run)(Session &);
    const char *example;     // one command line, for "vx500ctl COMMAND --help"
};

std::span<const Command> commands();

// The command line of a command as the help shows it:
// "download [-o FILE] [--clear] [--update-time] [--power-down]".
QString synopsis(const Command &command);

} // namespace vx::ctl
