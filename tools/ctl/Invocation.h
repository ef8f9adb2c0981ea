// The command line, read and checked before anything touches a port.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace vx::ctl {

inline constexpr int kTerminalTimeout = 2000;  // ms, terminal commands
inline constexpr int kStationTimeout = 3000;   // ms, reader station queries

struct Invocation {
    // Global options.
    QString port;                 // empty: the port the monitor last used
    qint16 id = 0;
    std::optional<qint32> timeout;
    bool trace = false;

    // The command: "time", "set-time", ..., "tags", "station", "ports".
    QString command;
    QString subcommand;           // tags: count/download/upload; station: version/info

    // Command arguments and options.
    std::optional<QDateTime> when; // set-time; none: the PC clock at the time of sending
    qint16 newId = 0;              // set-id
    QString file;                  // tags upload FILE
    QString output;                // -o FILE; empty: standard output
    bool yes = false;              // clear
    bool clearAfter = false;       // download --clear
    bool updateTimeAfter = false;  // download --update-time
    bool powerDownAfter = false;   // download --power-down
    QString mapPort;               // ports --map COMn=DEVICE: "COMn"
    QString mapDevice;             //                       : "DEVICE"
    QString unmapPort;             // ports --unmap COMn

    bool isStation() const { return command == u"station"; }
    qint32 effectiveTimeout() const { return timeout.value_or(isStation() ? kStationTimeout : kTerminalTimeout); }
};

struct Parsed {
    enum Outcome { Run, Help, Version, Usage } outcome = Usage;
    Invocation invocation;
    QString text;                  // Help: the help text; Usage: what is wrong
};

// arguments[0] is the program name, as in QCoreApplication::arguments().
Parsed parseArguments(const QStringList &arguments);

// "COM3" (any case) -> 3; 0 for anything else, COM0 and COM17 included.
int comNumber(const QString &name);

} // namespace vx::ctl
