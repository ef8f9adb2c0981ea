// The tool run in-process on a fake port with a scripted terminal, in virtual time.
#pragma once

#include "FakePort.h"
#include "Frame.h"
#include "Run.h"
#include "UserSettings.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vx::test {

// Lends the fixture's fake port to the link, which owns what it is given.
class BorrowedPort : public SerialPort {
public:
    explicit BorrowedPort(FakePort &port) : m_port(port) {}
    void setPortName(const QString &name) override { m_port.setPortName(name); }
    QString portName() const override { return m_port.portName(); }
    bool setSettings(const QString &s) override { return m_port.setSettings(s); }
    QString settings() const override { return m_port.settings(); }
    bool open() override { return m_port.open(); }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    qint64 bytesAvailable() override { return m_port.bytesAvailable(); }
    QByteArray readAll() override { return m_port.readAll(); }
    bool write(const QByteArray &bytes) override { return m_port.write(bytes); }
    PortFailure lastError() const override { return m_port.lastError(); }
    bool waitForBytes(qint64 msecs) override { return m_port.waitForBytes(msecs); }
    qint64 now() const override { return m_port.now(); }
    void interrupt() override { m_port.interrupt(); }

private:
    FakePort &m_port;
};

struct CtlResult {
    int status = -1;
    QByteArray out;
    QString err;
};

inline QByteArray frameOf(const QByteArray &data) { return dataFrame(data); }
inline const QByteArray kAck(1, ACK);
inline const QByteArray kEot(1, EOT);

class CtlTest : public ::testing::Test {
protected:
    CtlTest() { openUserSettings()->clear(); }
    ~CtlTest() override { openUserSettings()->clear(); }

    CtlResult run(QStringList args)
    {
        args.prepend(QStringLiteral("vx500ctl"));
        QBuffer out, err, in;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        in.setData(input);
        in.open(QIODevice::ReadOnly);
        ctl::Io io{&out, &err, &in, inputIsTerminal, errorsOnTerminal};
        CtlResult r;
        r.status = ctl::run(args, io, [this] { return std::make_unique<BorrowedPort>(port); });
        r.out = out.data();
        r.err = QString::fromUtf8(err.data());
        return r;
    }

    // The command letters the host sent, in order ("A", "ID" ...).
    QByteArray commandLetters() const
    {
        QByteArray letters;
        for (const Written &w : port.writes())
            if (w.bytes.size() == 4 && w.bytes.front() == ENQ)
                letters.append(w.bytes.back());
        return letters;
    }

    QString tempPath(const QString &name) const { return dir.filePath(name); }

    ScriptDevice device;
    FakePort port{&device};
    QByteArray input;
    bool inputIsTerminal = false;
    bool errorsOnTerminal = false;
    QTemporaryDir dir;
};

} // namespace vx::test
