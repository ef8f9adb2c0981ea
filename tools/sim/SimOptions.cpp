#include "SimOptions.h"

#include "PortNames.h"
#include "RecordGenerator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace vx::sim {

namespace {

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "vx500-sim: %s\n", qPrintable(message));
    std::exit(2);
}

int number(const QCommandLineParser &p, const QString &name, int lowest, int highest)
{
    bool ok = false;
    const int n = p.value(name).toInt(&ok);
    if (!ok || n < lowest || n > highest)
        fail(QStringLiteral("--%1 wants a number from %2 to %3, not \"%4\"")
                 .arg(name).arg(lowest).arg(highest).arg(p.value(name)));
    return n;
}

QStringList readRecords(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    QStringList out;
    for (int number = 1; !file.atEnd(); ++number) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        // A control byte in a record would pass for part of the protocol on the line.
        for (const char c : line)
            if (static_cast<uchar>(c) < 0x20 && c != '\t')
                fail(QStringLiteral("%1 line %2: control byte 0x%3; records hold text and tabs only")
                         .arg(path).arg(number)
                         .arg(QString::number(static_cast<uchar>(c), 16).rightJustified(2, QLatin1Char('0')).toUpper()));
        if (!line.isEmpty())
            out << QString::fromLatin1(line);
    }
    return out;
}

} // namespace

SimOptions parseOptions(const QStringList &arguments)
{
    // "--version" alone asks for the program's version, as it does of the
    // other two programs; with a text it is the old name of --firmware.
    const qsizetype v = arguments.indexOf(QStringLiteral("--version"));
    if (v > 0 && (v + 1 == arguments.size() || arguments[v + 1].startsWith(QLatin1Char('-')))) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        std::exit(0);
    }

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
        {QStringLiteral("log"), QStringLiteral("Print each transmission in hex with a time stamp on stderr.")},
        {QStringLiteral("bad-bcc"), QStringLiteral("Fault: record <k> goes out with a wrong check byte."), QStringLiteral("k")},
        {QStringLiteral("silent-from"), QStringLiteral("Fault: the record stream falls silent at record <k>."), QStringLiteral("k")},
        {QStringLiteral("eot-in-record"), QStringLiteral("Fault: record <k> goes out with an EOT after its first data byte (a frame broken on the line); the terminal waits for the ACK as ever."), QStringLiteral("k")},
        {QStringLiteral("noise"), QStringLiteral("Fault: a burst of line noise in place of every answer.")},
        {QStringLiteral("noise-stream"), QStringLiteral("Fault: line noise in place of every answer, on and on until the host writes again (at most 72 KiB).")},
        {QStringLiteral("eot-reply"), QStringLiteral("Fault: EOT in place of every answer.")},
        {QStringLiteral("nak"), QStringLiteral("Fault: NAK in place of every ACK.")},
        {QStringLiteral("hangup-after"), QStringLiteral("Fault: the far end closes the line (a pulled cable) once record <k> is acknowledged; 0 closes it at the download command. The simulator then ends."), QStringLiteral("k")},
    });
    if (!p.parse(arguments))
        fail(p.errorText() + QStringLiteral(" (see --help)"));
    if (p.isSet(help) || p.isSet(QStringLiteral("help-all"))) {
        // The usage line names the program as it is called, not by its path.
        QString text = p.helpText();
        const qsizetype end = text.indexOf(QLatin1String(" [options]"));
        if (text.startsWith(QLatin1String("Usage: ")) && end > 0)
            text.replace(7, end - 7, QStringLiteral("vx500-sim"));
        std::fputs(qPrintable(text), stdout);
        std::exit(0);
    }
    if (p.isSet(QStringLiteral("V")))
        p.showVersion();
    if (!p.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument \"%1\" (see --help)").arg(p.positionalArguments().first()));

    SimOptions o;
    if (p.isSet(QStringLiteral("records")))
        o.records = readRecords(p.value(QStringLiteral("records")));
    if (p.isSet(QStringLiteral("generate"))) {
        RecordGenerator gen;
        bool ok = false;
        gen.seed = p.value(QStringLiteral("seed")).toULongLong(&ok);
        if (!ok)
            fail(QStringLiteral("--seed wants a number, not \"%1\"").arg(p.value(QStringLiteral("seed"))));
        o.records += gen.generate(number(p, QStringLiteral("generate"), 0, 1'000'000));
    }
    o.id = number(p, QStringLiteral("id"), 0, 255);
    o.version = p.value(QStringLiteral("firmware"));
    if (p.isSet(QStringLiteral("version"))) {
        std::fputs("vx500-sim: note: --version TEXT is now --firmware TEXT; the old spelling goes in a later release\n",
                   stderr);
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
        fail(QStringLiteral("--b-answer is voltage or tag-count, not \"%1\"").arg(b));
    o.selfTestMs = number(p, QStringLiteral("self-test-time"), 0, 3'600'000);
    o.linkPath = p.value(QStringLiteral("link"));
    if (p.isSet(QStringLiteral("register"))) {
        o.registerPort = commNumber(p.value(QStringLiteral("register"))).value_or(0);
        if (o.registerPort == 0)
            fail(QStringLiteral("--register wants a port name from COM1 to COM16, not \"%1\"")
                     .arg(p.value(QStringLiteral("register"))));
    }
    o.pace = p.isSet(QStringLiteral("pace"));
    o.log = p.isSet(QStringLiteral("log"));
    if (p.isSet(QStringLiteral("bad-bcc")))
        o.faults.badCheckRecord = number(p, QStringLiteral("bad-bcc"), 1, 1'000'000);
    if (p.isSet(QStringLiteral("silent-from")))
        o.faults.silentFromRecord = number(p, QStringLiteral("silent-from"), 1, 1'000'000);
    if (p.isSet(QStringLiteral("eot-in-record")))
        o.faults.eotInRecord = number(p, QStringLiteral("eot-in-record"), 1, 1'000'000);
    if (p.isSet(QStringLiteral("hangup-after")))
        o.faults.hangUpAfterRecord = number(p, QStringLiteral("hangup-after"), 0, 1'000'000);
    o.faults.noise = p.isSet(QStringLiteral("noise"));
    o.faults.noiseStream = p.isSet(QStringLiteral("noise-stream"));
    o.faults.eotReply = p.isSet(QStringLiteral("eot-reply"));
    o.faults.nak = p.isSet(QStringLiteral("nak"));
    return o;
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
