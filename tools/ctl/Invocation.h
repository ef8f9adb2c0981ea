// The command line, read and checked before anything touches a port.
#pragma once

#include "Commands.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace vx::ctl {

struct Invocation {
    // Global options.
    QString port;                  // empty: the port the monitor last used
    qint16 id = 0;
    std::optional<qint32> timeout;
    bool trace = false;

    const Command *command = nullptr;

    // Command arguments and options.
    std::optional<QDateTime> when; // set-time, fields as given; none: the PC clock at the time of sending
    qint16 newId = 0;              // set-id
    QString file;                  // tags upload FILE
    QString output;                // -o FILE; empty: standard output
    bool yes = false;              // clear
    bool clearAfter = false;       // download --clear
    bool updateTimeAfter = false;  // download --update-time
    bool powerDownAfter = false;   // download --power-down
    int mapPort = 0;               // ports --map COMn=DEVICE: n
    QString mapDevice;             //                       : DEVICE
    int unmapPort = 0;             // ports --unmap COMn: n
    int scanFrom = 0;              // scan --from N
    int scanTo = 255;              // scan --to M
    int intervalSeconds = 2;       // watch --interval SECONDS
    bool quiet = false;            // -q: no record counter, no summary
    bool json = false;             // --json: results as JSON objects, one a line
    QDate since;                   // history --since DATE

    qint32 replyBudget() const { return timeout.value_or(ctl::replyBudget(*command)); }
};

struct Parsed {
    enum Outcome { Run, Help, Version, Usage } outcome = Usage;
    Invocation invocation;
    QString text;                  // Help: the help text; Usage: what is wrong
};

// A machine number as the command line writes it: 0 to 255, blanks around it allowed.
std::optional<qint16> machineNumber(const QString &text);

// arguments[0] is the program name, as in QCoreApplication::arguments().
Parsed parseArguments(const QStringList &arguments);

} // namespace vx::ctl
