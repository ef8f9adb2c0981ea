#include "SimOptions.h"

#include "portnames/PortNames.h"
#include "RecordGenerator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

namespace vx::sim {

namespace {

// A wrong command line: the message, status 2.
Ending wrong(const QString &message) { return {2, {}, message}; }

std::optional<Ending> readNumber(const QCommandLineParser &p, const QString &name, int lowest, int highest, int &n)
{
    bool ok = false;
    n = p.value(name).toInt(&ok);
    if (!ok || n < lowest || n > highest)
        return wrong(QStringLiteral("--%1 wants a number from %2 to %3, not \"%4\"")
                         .arg(name).arg(lowest).arg(highest).arg(p.value(name)));
    return std::nullopt;
}

std::optional<Ending> readRecords(const QString &path, QStringList &records)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return wrong(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    for (int number = 1; !file.atEnd(); ++number) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        // A control byte in a record would pass for part of the protocol on the line.
        for (const char c : line)
            if (static_cast<uchar>(c) < 0x20 && c != '\t')
                return wrong(QStringLiteral("%1 line %2: control byte 0x%3; records hold text and tabs only")
                                 .arg(path).arg(number)
                                 .arg(QString::number(static_cast<uchar>(c), 16).rightJustified(2, QLatin1Char('0')).toUpper()));
        if (!line.isEmpty())
            records << QString::fromLatin1(line);
    }
    return std::nullopt;
}

QString programVersion()
{
    return QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion()
        + QLatin1Char('\n');
}

std::optional<Ending> readOptions(const QStringList &arguments, SimOptions &o, QStringList &notes)
{
    // "--version" alone asks for the program's version, as it does of the
    // other two programs; with a text it is the old name of --firmware.
    const qsizetype v = arguments.indexOf(QStringLiteral("--version"));
    if (v > 0 && (v + 1 == arguments.size() || arguments[v + 1].startsWith(QLatin1Char('-'))))
        return Ending{0, programVersion(), {}};

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "A simulated VX500 terminal and VX500R/U reader station on a pseudo-terminal.\n"
        "Prints the device path on the first line of its output and serves the line\n"
        "until interrupted. The terminal answers at 19200,n,8,1, the reader station at\n"
        "9600,n,8,1; at any other setting the host reads garbage. On a pseudo-terminal\n"
        "only the speed (and the stop bits) can be wrong: it refuses other parity and\n"
        "data bits, so the host's port keeps n,8.\n"
        "Signals: SIGINT or SIGTERM end the simulator; SIGUSR1 wakes a terminal that was powered down."));
    const QCommandLineOption help = p.addHelpOption();
    p.addOptions({
        {QStringLiteral("V"), QStringLiteral("Print the simulator's own version (so does --version).")},
        {QStringLiteral("records"), QStringLiteral("Stored records, one per line of <file> (empty lines are skipped)."), QStringLiteral("file")},
        {QStringLiteral("generate"), QStringLiteral("Add <n> generated records: tag code, barcode, date, time."), QStringLiteral("n")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the generated records (default 1)."), QStringLiteral("n"), QStringLiteral("1")},
        {QStringLiteral("id"), QStringLiteral("Machine number of the terminal, 0 to 255 (default 0)."), QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("firmware"), QStringLiteral("Firmware version text the terminal reports (\"V\")."), QStringLiteral("text")},
        {QStringLiteral("version"), QStringLiteral("The simulator's own version; with a text, the old name of --firmware."), QStringLiteral("text")},
        {QStringLiteral("voltage"), QStringLiteral("Battery voltage text the terminal reports (\"B\")."), QStringLiteral("text")},
        {QStringLiteral("b-answer"), QStringLiteral("What the terminal answers to \"B\": voltage (default) or tag-count."), QStringLiteral("what"), QStringLiteral("voltage")},
        {QStringLiteral("station-version"), QStringLiteral("Version text of the reader station."), QStringLiteral("text")},
        {QStringLiteral("station-info"), QStringLiteral("Information text of the reader station."), QStringLiteral("text")},
        {QStringLiteral("self-test-time"), QStringLiteral("Milliseconds the terminal stays deaf after \"Z\" (default 2000)."), QStringLiteral("ms"), QStringLiteral("2000")},
        {QStringLiteral("link"), QStringLiteral("Make <path> a symbolic link to the device (removed on exit)."), QStringLiteral("path")},
        {QStringLiteral("register"), QStringLiteral("Store the device under the monitor's setting Ports/<COMn>, so the monitor's COMn reaches the simulator; the old value comes back on exit."), QStringLiteral("COMn")},
        {QStringLiteral("pace"), QStringLiteral("Send every byte at the real line rate (10 bits per byte) instead of at once.")},
        {QStringLiteral("log"), QStringLiteral("Print each transmission in hex with a time stamp on stderr, and what the terminal did (\"the terminal now holds 0 records\").")},
        {QStringLiteral("bad-bcc"), QStringLiteral("Fault: record <k> goes out with a wrong check byte."), QStringLiteral("k")},
        {QStringLiteral("silent-from"), QStringLiteral("Fault: the record stream falls silent at record <k>."), QStringLiteral("k")},
        {QStringLiteral("eot-in-record"), QStringLiteral("Fault: record <k> goes out with an EOT after its first data byte (a frame broken on the line); the terminal waits for the ACK as ever."), QStringLiteral("k")},
        {QStringLiteral("noise"), QStringLiteral("Fault: a burst of line noise in place of every answer.")},
        {QStringLiteral("noise-stream"), QStringLiteral("Fault: line noise in place of every answer, on and on until the host writes again (at most 72 KiB).")},
        {QStringLiteral("eot-reply"), QStringLiteral("Fault: EOT in place of every answer.")},
        {QStringLiteral("nak"), QStringLiteral("Fault: NAK in place of every ACK.")},
        {QStringLiteral("late"), QStringLiteral("Fault: every answer goes out <ms> late (a slow terminal; over 2000 the host takes it for silence)."), QStringLiteral("ms")},
        {QStringLiteral("refuse"), QStringLiteral("Fault: NAK in place of the ACK to the commands of these letters: D clear, S set the clock, O power down, P set the machine number, M recover, K tag upload."), QStringLiteral("letters")},
        {QStringLiteral("hangup-after"), QStringLiteral("Fault: the far end closes the line (a pulled cable) once record <k> is acknowledged; 0 closes it at the download command. The simulator then ends."), QStringLiteral("k")},
    });
    if (!p.parse(arguments))
        return wrong(p.errorText() + QStringLiteral(" (see --help)"));
    if (p.isSet(help) || p.isSet(QStringLiteral("help-all"))) {
        // The usage line names the program as it is called, not by its path.
        QString text = p.helpText();
        const qsizetype end = text.indexOf(QLatin1String(" [options]"));
        if (text.startsWith(QLatin1String("Usage: ")) && end > 0)
            text.replace(7, end - 7, QStringLiteral("vx500-sim"));
        return Ending{0, text, {}};
    }
    if (p.isSet(QStringLiteral("V")))
        return Ending{0, programVersion(), {}};
    if (!p.positionalArguments().isEmpty())
        return wrong(QStringLiteral("unexpected argument \"%1\" (see --help)").arg(p.positionalArguments().first()));

    if (p.isSet(QStringLiteral("records")))
        if (auto ending = readRecords(p.value(QStringLiteral("records")), o.records))
            return ending;
    if (p.isSet(QStringLiteral("generate"))) {
        RecordGenerator generator;
        bool ok = false;
        generator.seed = p.value(QStringLiteral("seed")).toULongLong(&ok);
        if (!ok)
            return wrong(QStringLiteral("--seed wants a number, not \"%1\"").arg(p.value(QStringLiteral("seed"))));
        int count = 0;
        if (auto ending = readNumber(p, QStringLiteral("generate"), 0, 1'000'000, count))
            return ending;
        o.records += generator.generate(count);
    }
    if (auto ending = readNumber(p, QStringLiteral("id"), 0, 255, o.id))
        return ending;
    o.version = p.value(QStringLiteral("firmware"));
    if (p.isSet(QStringLiteral("version"))) {
        notes << QStringLiteral("note: --version TEXT is now --firmware TEXT; the old spelling goes in a later release");
        if (o.version.isEmpty())
            o.version = p.value(QStringLiteral("version"));
    }
    o.voltage = p.value(QStringLiteral("voltage"));
    o.stationVersion = p.value(QStringLiteral("station-version"));
    o.stationInformation = p.value(QStringLiteral("station-info"));
    const QString b = p.value(QStringLiteral("b-answer"));
    if (b == u"voltage")
        o.answer = BAnswer::Voltage;
    else if (b == u"tag-count")
        o.answer = BAnswer::TagCount;
    else
        return wrong(QStringLiteral("--b-answer is voltage or tag-count, not \"%1\"").arg(b));
    int selfTestMs = 0;
    if (auto ending = readNumber(p, QStringLiteral("self-test-time"), 0, 3'600'000, selfTestMs))
        return ending;
    o.selfTestMs = selfTestMs;
    o.linkPath = p.value(QStringLiteral("link"));
    if (p.isSet(QStringLiteral("register"))) {
        o.registerPort = commNumber(p.value(QStringLiteral("register"))).value_or(0);
        if (o.registerPort == 0)
            return wrong(QStringLiteral("--register wants a port name from COM1 to COM16, not \"%1\"")
                     .arg(p.value(QStringLiteral("register"))));
    }
    o.pace = p.isSet(QStringLiteral("pace"));
    if (p.isSet(QStringLiteral("late")))
        if (auto ending = readNumber(p, QStringLiteral("late"), 0, 60'000, o.lateMs))
            return ending;
    o.log = p.isSet(QStringLiteral("log"));
    const struct {
        const char *name;
        int lowest;
        int &into;
    } faultRecords[] = {{"bad-bcc", 1, o.faults.badCheckRecord},
                        {"silent-from", 1, o.faults.silentFromRecord},
                        {"eot-in-record", 1, o.faults.eotInRecord},
                        {"hangup-after", 0, o.faults.hangUpAfterRecord}};
    for (const auto &fault : faultRecords)
        if (p.isSet(QLatin1String(fault.name)))
            if (auto ending = readNumber(p, QLatin1String(fault.name), fault.lowest, 1'000'000, fault.into))
                return ending;
    o.faults.noise = p.isSet(QStringLiteral("noise"));
    o.faults.noiseStream = p.isSet(QStringLiteral("noise-stream"));
    o.faults.eotReply = p.isSet(QStringLiteral("eot-reply"));
    o.faults.nak = p.isSet(QStringLiteral("nak"));
    o.faults.refuse = p.value(QStringLiteral("refuse")).toLatin1();
    for (const char letter : std::as_const(o.faults.refuse))
        if (!QByteArray("DSOPMK").contains(letter))
            return wrong(QStringLiteral("--refuse takes the letters of the commands that the terminal acknowledges "
                                        "(D S O P M K), not \"%1\"").arg(QLatin1Char(letter)));
    return std::nullopt;
}

} // namespace

ParsedOptions parseOptions(const QStringList &arguments)
{
    ParsedOptions parsed;
    parsed.ending = readOptions(arguments, parsed.options, parsed.notes);
    return parsed;
}

void applyOptions(const SimOptions &o, TerminalModel &model)
{
    model.setRecords(o.records);
    model.setMachineNumber(static_cast<quint8>(o.id));
    if (!o.version.isEmpty())
        model.setVersion(o.version);
    if (!o.voltage.isEmpty())
        model.setVoltage(o.voltage);
    if (!o.stationVersion.isEmpty())
        model.setStationVersion(o.stationVersion);
    if (!o.stationInformation.isEmpty())
        model.setStationInformation(o.stationInformation);
    model.setBAnswer(o.answer);
    model.setSelfTestMs(o.selfTestMs);
    model.setFaults(o.faults);
}

} // namespace vx::sim
