// The terminal link: owns the serial port, frames every request, checks every
// reply and leaves the outcome of each operation in ErrCode().
//
// Device operations are procedures: results come back through the o_
// reference arguments, which are written only when the exchange ends with 0.
// Run-time failures (the port cannot be opened, a write fails, a reply cannot
// be decoded) leave a failure status and are reported to the handler that the
// holder installs; the link itself never shows anything.
#pragma once

#include "Failure.h"
#include "PortNames.h"
#include "SerialPort.h"
#include "Status.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace vx {

// Where the link's run-time failures go.
using ErrorHandler = std::function<void(const Failure &)>;

// Reply budgets (Timeout) the holders use: terminal commands, station queries.
constexpr qint32 kTerminalTimeoutMs = 2000;
constexpr qint32 kStationTimeoutMs = 3000;

} // namespace vx

class ucVX300_500 : public QObject
{
    Q_OBJECT
public:
    // A link on the platform's serial port.
    explicit ucVX300_500(QObject *parent = nullptr);
    // A link on the given port (tests, tracing, the simulator's fake line).
    explicit ucVX300_500(std::unique_ptr<vx::SerialPort> port, QObject *parent = nullptr);
    ~ucVX300_500() override;

    void CommPort(qint16 i_iCommPort);
    qint32 Timeout() const;
    void Timeout(qint32 i_lTimeout);
    qint32 ErrCode() const;
    void ErrCode(qint32 i_lErrCode);
    // Text of i_lErrCode; with 0 (or no argument) the text of the current ErrCode.
    QString ErrMessage(qint32 i_lErrCode = 0) const;

    void SetTime(qint16 i_iID, const QDateTime &i_dt);
    void GetTime(qint16 i_iID, QDateTime &o_dt);
    void GetRecordCount(qint16 i_iID, qint16 &o_iRecordCount);
    void SetID(qint16 i_iID, qint16 i_iNewID);
    void GetID(qint16 i_iID, qint16 &o_iID);
    void GetVersion(qint16 i_iID, QString &o_sVersion);
    void GetVoltage(qint16 i_iID, QString &o_sVoltage);
    void ClearData(qint16 i_iID);
    void RecoverData(qint16 i_iID);
    void InvokeTest(qint16 i_iID);
    void PowerDown(qint16 i_iID);

    void BeginDownload(qint16 i_iID);
    void GetRecord(QString &o_sData);
    void GetTagCount(qint16 i_iID, qint16 &o_iTagCount);
    void BeginTagUpload(qint16 i_iID);
    void SendTagCode(qint16 i_iIndex, const QString &i_sCode);
    void EndTagUpload();
    void BeginTagDownload(qint16 i_iID);
    void GetTagCode(QString &o_sData);

    void DS90_GetVersion(QString &o_sVersion);
    void DS90_GetInformation(QString &o_sInformation);

    void Disconnect();

    // How COMn becomes a device, for CommPort(n) and SetPortName("COMn"); the
    // default is defaultCommPort(). Takes effect at the next port change.
    void SetPortResolver(vx::PortResolver i_resolver);
    // Use a device path (or "COMn") directly instead of a port number.
    void SetPortName(const QString &i_sPortName);
    QString PortName() const;
    // Where run-time failures go; without a handler they go to qWarning().
    void SetErrorHandler(vx::ErrorHandler i_handler);
    // End the wait in progress and every later one at once (the program is closing).
    void Abort();
    vx::SerialPort &Port();

private:
    enum class Wake { Bytes, Silence, Closed };

    bool EnsureOpen();
    qint32 PollBudget() const;
    Wake Delay(qint32 &io_lPolls);
    void Report(const vx::Failure &i_failure);
    bool Write(const QByteArray &i_bytes);

    bool SendCommand(qint16 i_iID, char i_cLetter);
    bool SendDataFrame(const QString &i_sData);
    void WaitACK();
    void WaitEOT();
    void WaitByte(char i_cExpected, qint32 i_lWrongCode);
    void ReceiveFrame(QString &o_sData);
    void SendACK();
    void SendEOT();

    // Exchange shapes.
    bool QueryExchange(qint16 i_iID, char i_cLetter, QString &o_sData);
    // A query exchange whose reply is a decimal count.
    void QueryCount(qint16 i_iID, char i_cLetter, const char *i_sWhat, qint16 &o_iCount);
    void SetExchange(qint16 i_iID, char i_cLetter, const QString &i_sData);
    void ConfirmedCommand(qint16 i_iID, char i_cLetter);
    void StreamItem(QString &o_sData);
    void StationQuery(char i_cLetter, QString &o_sData);
    void InvalidData(vx::FailureKind i_kind, const QString &i_sWhat);

    std::unique_ptr<vx::SerialPort> comm;
    vx::PortResolver m_resolver = vx::defaultCommPort;
    qint32 m_lErrCode = 0;
    qint32 m_lTimeout = 3000;
    vx::ErrorHandler m_errorHandler;
    bool m_bAborted = false;
};
