// vx500ctl and vx500-sim as the user runs them: child processes talking
// through a pseudo-terminal, with a private settings folder.
#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vx::test {

struct ToolResult {
    int status = -1;
    QByteArray out;
    QString err;
};

class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest();
    ~EndToEndTest() override;

    // Starts the simulator; false when it did not report its device.
    bool startSim(const QStringList &arguments);
    // vx500ctl with --port set to the simulator (unless the arguments name a
    // port), standard input from a pipe.
    ToolResult ctl(QStringList arguments, const QByteArray &input = {});
    // vx500ctl exactly as given.
    ToolResult ctlRaw(const QStringList &arguments, const QByteArray &input = {});
    // vx500ctl on the simulator with its standard output going to a file.
    ToolResult ctlToFile(const QString &outputFile, const QStringList &arguments);
    // The simulator's transmission log so far.
    QString simLog() const;
    // Commands the host sent, as the log shows them ("05 30 30 44" for clear).
    bool simHeard(const char *hex) const { return simLog().contains(QLatin1String(hex)); }
    // Wakes the powered-down terminal; true once the simulator says so.
    bool wakeTerminal();
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QProcessEnvironment environment() const { return m_env; }

    QString device;

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    QProcess m_sim;
    QString m_outputFile;
};

} // namespace vx::test
