// The tool run in-process on a fake port, in virtual time: by default against
// the simulated terminal, or against a scripted one (port.setDevice(&script)).
#pragma once

#include "FakePort.h"
#include "terminal/Frame.h"
#include "ModelDevice.h"
#include "Run.h"
#include "TerminalModel.h"
#include "portnames/PortNames.h"
#include "TestFiles.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Readable failure messages for Qt's strings.
inline void PrintTo(const QString &text, std::ostream *os) { *os << ::testing::PrintToString(text.toStdString()); }
inline void PrintTo(const QByteArray &bytes, std::ostream *os) { *os << ::testing::PrintToString(bytes.toStdString()); }

namespace vx::test {

inline const QByteArray kAck(1, ACK), kEot(1, EOT);

struct CtlResult {
    int status = -1;
    QByteArray out;
    QString err;
};

class CtlTest : public ::testing::Test {
protected:
    // Each test has a download ledger of its own.
    CtlTest() { QFile::remove(settingsPath()), qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath("state"))); }
    ~CtlTest() override { QFile::remove(settingsPath()); }

    static QString settingsPath() { return qEnvironmentVariable("XDG_CONFIG_HOME") + "/VX500-500A Monitor.ini"; }

    // The tool with these arguments; standard input holds `input`.
    CtlResult run(const QStringList &args)
    {
        QBuffer out, err, in;
        out.open(QIODevice::WriteOnly), err.open(QIODevice::WriteOnly);
        in.setData(input), in.open(QIODevice::ReadOnly);
        io.out = &out, io.err = &err, io.in = &in;
        const int status = ctl::run(QStringList{"vx500ctl"} + args, io, [this] { return port.lend(); });
        port.advance(100); // the terminal hears the last bytes sent
        return {status, out.data(), QString::fromUtf8(err.data())};
    }

    // Runs the tool and checks its status and both streams whole.
    void expectRun(const QStringList &args, int status, const QByteArray &out, const QString &err)
    {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CtlResult r = run(args);
        EXPECT_EQ(r.status, status);
        EXPECT_EQ(r.out, out);
        EXPECT_EQ(r.err, err);
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    sim::TerminalModel model;
    ModelDevice device{model};
    ScriptDevice script;
    FakePort port{&device};
    ctl::Io io;
    QByteArray input;
    QTemporaryDir dir;
};

} // namespace vx::test
