// The terminal link: owns the serial port, frames every request, checks every
// reply and leaves the outcome of each operation in status().
//
// Device operations are procedures: results come back through the reference
// arguments, which are written only when the exchange ends with 0. id is the
// machine number of the terminal addressed. Run-time failures (the port cannot
// be opened, a write fails, a reply cannot be decoded) leave a failure status
// and are handed, as one vx::Failure, to the handler that the holder
// installs; the link itself never shows anything.
#pragma once

#include "terminal/Failure.h"
#include "portnames/PortNames.h"
#include "terminal/SerialPort.h"
#include "terminal/Status.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace vx {

// Where the link's run-time failures go.
using ErrorHandler = std::function<void(const Failure &)>;

// Reply budgets (timeout()) the holders use: terminal commands, station queries.
constexpr qint32 kTerminalTimeoutMs = 2000;
constexpr qint32 kStationTimeoutMs = 3000;

class TerminalLink : public QObject
{
    Q_OBJECT
public:
    // A link on the platform's serial port.
    explicit TerminalLink(QObject *parent = nullptr);
    // A link on the given port (tests, tracing, the simulator's fake line).
    explicit TerminalLink(std::unique_ptr<SerialPort> port, QObject *parent = nullptr);
    ~TerminalLink() override;

    // COMn, resolved to a device by the port resolver; closes an open port.
    void setCommPort(qint16 number);
    // The reply budget in milliseconds.
    qint32 timeout() const;
    void setTimeout(qint32 ms);
    // The status code of the last exchange (Status.h).
    qint32 status() const;
    // Text of code; with 0 (or no argument) the text of the current status.
    QString statusText(qint32 code = 0) const;

    void setTime(qint16 id, const QDateTime &dt);
    void readTime(qint16 id, QDateTime &dt);
    void readRecordCount(qint16 id, qint16 &count);
    void setMachineNumber(qint16 id, qint16 newNumber);
    void readMachineNumber(qint16 id, qint16 &number);
    void readVersion(qint16 id, QString &version);
    void readVoltage(qint16 id, QString &voltage);
    void clearData(qint16 id);
    void recoverData(qint16 id);
    void runSelfTest(qint16 id);
    void powerDown(qint16 id);

    // Streams: begin, then next until status() is no longer 0 (1 is the
    // stream's end). A tag upload is begin, one sendTagCode per tag, end.
    void beginDownload(qint16 id);
    void nextRecord(QString &data);
    void readTagCount(qint16 id, qint16 &count);
    void beginTagUpload(qint16 id);
    void sendTagCode(qint16 index, const QString &code);
    void endTagUpload();
    void beginTagDownload(qint16 id);
    void nextTagCode(QString &data);

    // The reader station, on its own line settings.
    void readStationVersion(QString &version);
    void readStationInformation(QString &information);

    void closePort();

    // How COMn becomes a device, for setCommPort(n) and setPortName("COMn"); the
    // default is defaultCommPort(). Takes effect at the next port change.
    void setPortResolver(PortResolver resolver);
    // Use a device path (or "COMn") directly instead of a port number.
    void setPortName(const QString &name);
    QString portName() const;
    // Where run-time failures go; without a handler they go to qWarning().
    void setErrorHandler(ErrorHandler handler);
    // End the wait in progress and every later one at once (the program is closing).
    void abort();
    SerialPort &port();

private:
    enum class Wake { Bytes, Silence, Closed };

    bool ensureOpen();
    qint32 pollBudget() const;
    Wake delay(qint32 &polls);
    bool awaitBytes(qint32 &polls);
    void report(const Failure &failure);
    bool write(const QByteArray &bytes);

    bool sendCommand(qint16 id, char letter);
    bool sendDataFrame(const QString &data);
    void waitAck();
    void waitEot();
    void waitByte(char expected, qint32 wrongCode);
    void receiveFrame(QString &data);
    void sendAck();
    void sendEot();

    // Exchange shapes.
    bool queryExchange(qint16 id, char letter, QString &data);
    // A query exchange whose reply is a decimal count.
    void queryCount(qint16 id, char letter, const char *what, qint16 &count);
    void setExchange(qint16 id, char letter, const QString &data);
    void confirmedCommand(qint16 id, char letter);
    void streamItem(QString &data);
    void stationQuery(char letter, QString &reply);
    void invalidData(FailureKind kind, const QString &what);

    std::unique_ptr<SerialPort> m_port;
    PortResolver m_resolver = defaultCommPort;
    qint32 m_status = 0;
    qint32 m_timeout = 3000;
    ErrorHandler m_errorHandler;
    bool m_aborted = false;
};

} // namespace vx
