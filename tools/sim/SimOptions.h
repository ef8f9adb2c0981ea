// The simulator's command line.
#pragma once

#include "TerminalModel.h"

#include <QStringList>

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
    Faults faults;
};

// Reads the arguments (argv as given, the program name first). --help and
// the program's own version are printed here and end the program; a wrong
// option ends it with a message and status 2.
SimOptions parseOptions(const QStringList &arguments);

// Gives the model what the options say.
void applyOptions(const SimOptions &options, TerminalModel &model);

} // namespace vx::sim
