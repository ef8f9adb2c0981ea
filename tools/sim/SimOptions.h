// The simulator's command line.
#pragma once

#include "TerminalModel.h"

#include <QStringList>
#include <optional>

namespace vx::sim {

struct SimOptions {
    QStringList records;         // from --records, then --generate
    int id = 0;
    QString version;             // empty: the model's own
    QString voltage;
    QString stationVersion;
    QString stationInformation;
    BAnswer answer = BAnswer::Voltage;
    qint64 selfTestMs = 2000;
    QString linkPath;
    int registerPort = 0;        // COMn to register as (0: none)
    bool pace = false;
    bool log = false;
    int lateMs = 0;              // every answer this late
    Faults faults;
};

// How a run ends before (or instead of) serving the line: text for
// standard output (help, version), a message for standard error, and the
// exit status. main() alone prints it and ends the program.
struct Ending {
    int status = 0;
    QString output;  // printed as it is on standard output
    QString message; // "vx500-sim: message" on standard error; empty: none
};

// What the command line says: the options to serve with, or how the run
// ends (help, version, status 2 for a wrong option); notes for standard
// error either way, printed first.
struct ParsedOptions {
    SimOptions options;
    std::optional<Ending> ending;
    QStringList notes;
};

// Reads the arguments (argv as given, the program name first).
ParsedOptions parseOptions(const QStringList &arguments);

// Gives the model what the options say.
void applyOptions(const SimOptions &options, TerminalModel &model);

} // namespace vx::sim
