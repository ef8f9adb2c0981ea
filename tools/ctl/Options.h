// The tool's options in one table: the help, the command synopses, the
// parser, the rule of which command takes which option and the reading of
// each value all come from it.
#pragma once

#include <QString>
#include <span>

namespace vx::ctl {

struct Invocation;

// The groups of options a command takes (Command::options); an option of
// group kGlobal goes with every command.
enum OptionGroup : unsigned {
    kGlobal = 0,
    kOutputOption = 1u << 0,      // -o FILE
    kYesOption = 1u << 1,         // --yes
    kAutomationOptions = 1u << 2, // --clear, --update-time, --power-down
    kMappingOptions = 1u << 3,    // --map, --unmap
    kRangeOptions = 1u << 4,      // --from N, --to M
    kIntervalOption = 1u << 5,    // --interval SECONDS
    kQuietOption = 1u << 6,       // -q, --quiet
    kJsonOption = 1u << 7,        // --json
    kSinceOption = 1u << 8,       // --since DATE
};

struct Option {
    // Reads the option's value (empty for a switch) into the invocation;
    // what is wrong with it, or an empty text.
    using Reader = QString (*)(const QString &value, Invocation &invocation);

    const char *names;      // "o,output": a letter, then a word; or a word alone
    const char *valueName;  // nullptr for a switch
    unsigned group;         // OptionGroup
    const char *help;       // the --help text; a command's option is shown after the commands that take
                            // it, a global one may hold %1 and %2: the terminal's and the station's reply budgets
    bool excludesPrevious;  // never together with the row before it: "[--map COMn=DEVICE | --unmap COMn]"
    Reader read;
};

// Global options first, then the commands' options, in the order --help
// lists them and a command's synopsis shows them.
std::span<const Option> options();

// "--map", "-o": the option as a command's usage shows it (its first name).
QString optionFlag(const Option &option);
// "-o FILE", "--yes": the flag and its value.
QString optionUsage(const Option &option);
// "--output": the option as a message names it (its last name).
QString optionName(const Option &option);
// "-o, --output": every name, as a command's help lists them.
QString optionNames(const Option &option);

} // namespace vx::ctl
