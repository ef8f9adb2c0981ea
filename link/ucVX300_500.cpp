#include "ucVX300_500.h"

#include "Frame.h"
#include "Numbers.h"
#include "SystemSerialPort.h"

#include <QDebug>
#include <limits>

using namespace vx;

namespace {
constexpr qint64 kPollMs = 20;            // one reply poll
constexpr qsizetype kMaxFrameBytes = 65536; // longest reply awaited before giving up
} // namespace

ucVX300_500::ucVX300_500(QObject *parent)
    : ucVX300_500(makeSystemSerialPort(), parent)
{
}

ucVX300_500::ucVX300_500(std::unique_ptr<SerialPort> port, QObject *parent)
    : QObject(parent), comm(std::move(port))
{
    comm->setSettings(kTerminalLine);
    comm->setPortName(m_resolver(1)); // COM1 until the holder picks a port
}

ucVX300_500::~ucVX300_500()
{
    comm->close();
}

// ---- properties -----------------------------------------------------------

void ucVX300_500::CommPort(qint16 i_iCommPort)
{
    if (comm->isOpen())
        comm->close();
    comm->setPortName(m_resolver(i_iCommPort));
}

qint32 ucVX300_500::Timeout() const { return m_lTimeout; }
void ucVX300_500::Timeout(qint32 i_lTimeout) { m_lTimeout = i_lTimeout; }
qint32 ucVX300_500::ErrCode() const { return m_lErrCode; }
void ucVX300_500::ErrCode(qint32 i_lErrCode) { m_lErrCode = i_lErrCode; }

QString ucVX300_500::ErrMessage(qint32 i_lErrCode) const
{
    return QString::fromLatin1(statusText(i_lErrCode == 0 ? m_lErrCode : i_lErrCode));
}

void ucVX300_500::Disconnect()
{
    if (comm->isOpen())
        comm->close();
}

void ucVX300_500::SetPortName(const QString &i_sPortName)
{
    if (comm->isOpen())
        comm->close();
    const auto number = commNumber(i_sPortName);
    comm->setPortName(number ? m_resolver(*number) : i_sPortName);
}

void ucVX300_500::SetPortResolver(PortResolver i_resolver)
{
    m_resolver = i_resolver ? std::move(i_resolver) : PortResolver(defaultCommPort);
}

QString ucVX300_500::PortName() const { return comm->portName(); }
void ucVX300_500::SetErrorHandler(ErrorHandler i_handler) { m_errorHandler = std::move(i_handler); }

void ucVX300_500::Abort()
{
    m_bAborted = true;
    comm->interrupt();
}

SerialPort &ucVX300_500::Port() { return *comm; }

// ---- failures ---------------------------------------------------------------

void ucVX300_500::Report(const Failure &i_failure)
{
    if (m_errorHandler)
        m_errorHandler(i_failure);
    else
        qWarning().noquote() << i_failure.number() << describe(i_failure);
}

void ucVX300_500::InvalidData(FailureKind i_kind, const QString &i_sWhat)
{
    m_lErrCode = VX_ERR_INVALID_DATA;
    Report({i_kind, i_sWhat});
}

// ---- the line -------------------------------------------------------------

bool ucVX300_500::EnsureOpen()
{
    if (comm->isOpen())
        return true;
    if (comm->open())
        return true;
    m_lErrCode = VX_ERR_PORT_NOT_OPEN;
    Report(comm->lastError());
    return false;
}

bool ucVX300_500::Write(const QByteArray &i_bytes)
{
    if (comm->write(i_bytes))
        return true;
    const Failure failure = comm->lastError();
    comm->close();
    m_lErrCode = VX_ERR_PORT_NOT_OPEN;
    Report(failure);
    return false;
}

qint32 ucVX300_500::PollBudget() const
{
    // One poll per whole 20 ms of the budget, at least one.
    return std::max<qint32>(1, m_lTimeout / static_cast<qint32>(kPollMs));
}

// Waits for received bytes. io_lPolls is the budget of silent polls: every
// stretch of more than 20 ms without a byte spends one. The wait sleeps in the
// event loop and wakes as soon as bytes arrive.
ucVX300_500::Wake ucVX300_500::Delay(qint32 &io_lPolls)
{
    for (;;) {
        if (!comm->isOpen())
            return Wake::Closed;
        if (comm->bytesAvailable() > 0)
            return Wake::Bytes;
        if (m_bAborted || io_lPolls <= 0)
            return Wake::Silence;
        const qint64 start = comm->now();
        const bool got = comm->waitForBytes(static_cast<qint64>(io_lPolls) * kPollMs + 1);
        const qint64 waited = comm->now() - start;
        if (waited > kPollMs)
            io_lPolls -= static_cast<qint32>(std::min<qint64>((waited - 1) / kPollMs, io_lPolls));
        if (got)
            return Wake::Bytes;
    }
}

bool ucVX300_500::SendCommand(qint16 i_iID, char i_cLetter)
{
    if (!EnsureOpen())
        return false;
    comm->readAll(); // stale bytes of an earlier exchange must not pass for the reply
    return Write(commandFrame(i_iID, i_cLetter));
}

bool ucVX300_500::SendDataFrame(const QString &i_sData)
{
    return Write(dataFrame(toLine(i_sData)));
}

void ucVX300_500::WaitByte(char i_cExpected, qint32 i_lWrongCode)
{
    qint32 polls = PollBudget();
    if (!comm->isOpen()) {
        m_lErrCode = VX_ERR_PORT_NOT_OPEN;
        return;
    }
    switch (Delay(polls)) {
    case Wake::Closed:
        m_lErrCode = VX_ERR_PORT_NOT_OPEN;
        Report(comm->lastError());
        return;
    case Wake::Silence:
        m_lErrCode = VX_ERR_TIMEOUT;
        return;
    case Wake::Bytes:
        break;
    }
    const QByteArray got = comm->readAll();
    m_lErrCode = (!got.isEmpty() && got.front() == i_cExpected) ? VX_SUCCESS : i_lWrongCode;
}

void ucVX300_500::WaitACK() { WaitByte(ACK, VX_ERR_ACK_NOT_GET); }
void ucVX300_500::WaitEOT() { WaitByte(EOT, VX_ERR_EOT_NOT_GET); }

// Receives one reply in answer to a request: a data frame (0), EOT as its
// first byte (1, the end of a stream), or a failure. A reply that starts with
// any other byte is no frame whatever follows, so it fails at once (-4)
// rather than after the budget; so does a complete frame that fails its
// check. A frame is delivered only when it is whole and checked; anything
// else leaves o_sData as it was.
void ucVX300_500::ReceiveFrame(QString &o_sData)
{
    qint32 polls = PollBudget();
    if (!comm->isOpen()) {
        m_lErrCode = VX_ERR_PORT_NOT_OPEN;
        return;
    }
    QByteArray buffer;
    for (;;) {
        switch (Delay(polls)) {
        case Wake::Closed:
            m_lErrCode = VX_ERR_PORT_NOT_OPEN;
            Report(comm->lastError());
            return;
        case Wake::Silence:
            m_lErrCode = VX_ERR_TIMEOUT;
            return;
        case Wake::Bytes:
            break;
        }
        buffer += comm->readAll();
        const Reply reply = readReply(buffer);
        switch (reply.kind) {
        case Reply::Frame:
            o_sData = fromLine(reply.data);
            m_lErrCode = VX_SUCCESS;
            return;
        case Reply::EndOfStream:
            m_lErrCode = VX_END_OF_STREAM;
            return;
        case Reply::Broken:
            m_lErrCode = VX_ERR_INVALID_BCC;
            return;
        case Reply::Incomplete:
            // Longer than any frame: a broken reply, not a silent terminal.
            if (buffer.size() > kMaxFrameBytes) {
                m_lErrCode = VX_ERR_INVALID_BCC;
                return;
            }
            break;
        }
    }
}

void ucVX300_500::SendACK()
{
    if (comm->isOpen())
        Write(QByteArray(1, ACK));
}

void ucVX300_500::SendEOT()
{
    if (comm->isOpen())
        Write(QByteArray(1, EOT));
}

// ---- exchange shapes ------------------------------------------------------------

bool ucVX300_500::QueryExchange(qint16 i_iID, char i_cLetter, QString &o_sData)
{
    if (!SendCommand(i_iID, i_cLetter))
        return false;
    QString data;
    ReceiveFrame(data);
    if (m_lErrCode != VX_SUCCESS)
        return false;
    SendACK();
    if (m_lErrCode != VX_SUCCESS)
        return false;
    WaitEOT();
    if (m_lErrCode != VX_SUCCESS)
        return false;
    o_sData = data;
    return true;
}

void ucVX300_500::SetExchange(qint16 i_iID, char i_cLetter, const QString &i_sData)
{
    if (!SendCommand(i_iID, i_cLetter))
        return;
    WaitACK();
    if (m_lErrCode != VX_SUCCESS || !SendDataFrame(i_sData))
        return;
    WaitACK();
    if (m_lErrCode != VX_SUCCESS)
        return;
    SendEOT();
}

void ucVX300_500::ConfirmedCommand(qint16 i_iID, char i_cLetter)
{
    if (!SendCommand(i_iID, i_cLetter))
        return;
    WaitACK();
    if (m_lErrCode == VX_SUCCESS)
        SendEOT();
}

void ucVX300_500::StreamItem(QString &o_sData)
{
    if (!comm->isOpen()) {
        m_lErrCode = VX_ERR_PORT_NOT_OPEN;
        return;
    }
    QString data;
    ReceiveFrame(data);
    if (m_lErrCode != VX_SUCCESS)
        return;
    SendACK();
    if (m_lErrCode == VX_SUCCESS) // an item the terminal was not told of is not delivered
        o_sData = data;
}

// ---- terminal maintenance -------------------------------------------------------

void ucVX300_500::SetTime(qint16 i_iID, const QDateTime &i_dt)
{
    // The terminal keeps no time zone: it gets the fields as they are given.
    if (!i_dt.isValid()) {
        InvalidData(FailureKind::BadData, QStringLiteral("Type mismatch: no valid date and time to set"));
        return;
    }
    SetExchange(i_iID, 'S', i_dt.toString(QStringLiteral("yyyyMMddHHmmss")));
}

void ucVX300_500::GetTime(qint16 i_iID, QDateTime &o_dt)
{
    QString data;
    if (!QueryExchange(i_iID, 'T', data))
        return;
    // yyyyMMddhhnnss by position; anything after the fourteenth character is unused.
    const QString digits = data.left(14);
    bool allDigits = digits.size() == 14;
    for (QChar c : digits)
        allDigits = allDigits && c.unicode() >= '0' && c.unicode() <= '9';
    const auto field = [&](int from, int len) { return digits.mid(from, len).toInt(); };
    const QDate date = allDigits ? QDate(field(0, 4), field(4, 2), field(6, 2)) : QDate();
    const QTime time = allDigits ? QTime(field(8, 2), field(10, 2), field(12, 2)) : QTime();
    if (!date.isValid() || !time.isValid()) {
        InvalidData(FailureKind::BadData,
                    QStringLiteral("Type mismatch: the terminal's clock reads \"%1\", which is no valid date and time")
                        .arg(data));
        return;
    }
    QDateTime when(date, time);
    if (!when.isValid()) // a moment the local clock skips (daylight saving): keep the fields
        when = QDateTime(date, time, Qt::UTC);
    o_dt = when;
}

void ucVX300_500::QueryCount(qint16 i_iID, char i_cLetter, const char *i_sWhat, qint16 &o_iCount)
{
    QString data;
    if (!QueryExchange(i_iID, i_cLetter, data))
        return;
    const auto count = toInt16(leadingNumber(data));
    if (!count) {
        InvalidData(FailureKind::Overflow,
                    QStringLiteral("Overflow: the %1 \"%2\" is out of range").arg(QLatin1String(i_sWhat), data));
        return;
    }
    o_iCount = *count;
}

void ucVX300_500::GetRecordCount(qint16 i_iID, qint16 &o_iRecordCount)
{
    QueryCount(i_iID, 'A', "record count", o_iRecordCount);
}

void ucVX300_500::SetID(qint16 i_iID, qint16 i_iNewID)
{
    SetExchange(i_iID, 'P', fromLine(hexId(i_iNewID)));
}

void ucVX300_500::GetID(qint16 i_iID, qint16 &o_iID)
{
    QString data;
    if (!QueryExchange(i_iID, 'Q', data))
        return;
    const auto id = toInt16(leadingNumber(QStringLiteral("&H") + data));
    if (!id) {
        InvalidData(FailureKind::Overflow, QStringLiteral("Overflow: the machine number \"%1\" is out of range").arg(data));
        return;
    }
    o_iID = *id;
}

void ucVX300_500::GetVersion(qint16 i_iID, QString &o_sVersion) { QueryExchange(i_iID, 'V', o_sVersion); }
void ucVX300_500::GetVoltage(qint16 i_iID, QString &o_sVoltage) { QueryExchange(i_iID, 'B', o_sVoltage); }
void ucVX300_500::ClearData(qint16 i_iID) { ConfirmedCommand(i_iID, 'D'); }
void ucVX300_500::RecoverData(qint16 i_iID) { ConfirmedCommand(i_iID, 'M'); }

void ucVX300_500::InvokeTest(qint16 i_iID)
{
    if (SendCommand(i_iID, 'Z'))
        m_lErrCode = VX_SUCCESS;
}

void ucVX300_500::PowerDown(qint16 i_iID)
{
    if (SendCommand(i_iID, 'O'))
        WaitACK();
}

// ---- record and tag transfer ------------------------------------------------------

void ucVX300_500::BeginDownload(qint16 i_iID) { SendCommand(i_iID, 'I'); }
void ucVX300_500::GetRecord(QString &o_sData) { StreamItem(o_sData); }

void ucVX300_500::GetTagCount(qint16 i_iID, qint16 &o_iTagCount)
{
    QueryCount(i_iID, 'B', "tag count", o_iTagCount);
}

void ucVX300_500::BeginTagUpload(qint16 i_iID)
{
    if (SendCommand(i_iID, 'K'))
        WaitACK();
}

void ucVX300_500::SendTagCode(qint16 i_iIndex, const QString &i_sCode)
{
    if (!comm->isOpen()) {
        m_lErrCode = VX_ERR_PORT_NOT_OPEN;
        return;
    }
    const QString index = i_iIndex < 0
        ? QStringLiteral("-%1").arg(-static_cast<int>(i_iIndex), 5, 10, QLatin1Char('0'))
        : QStringLiteral("%1").arg(static_cast<int>(i_iIndex), 5, 10, QLatin1Char('0'));
    if (SendDataFrame(index + i_sCode))
        WaitACK();
}

void ucVX300_500::EndTagUpload() { SendEOT(); }
void ucVX300_500::BeginTagDownload(qint16 i_iID) { SendCommand(i_iID, 'J'); }
void ucVX300_500::GetTagCode(QString &o_sData) { StreamItem(o_sData); }

// ---- reader station ---------------------------------------------------------------------

void ucVX300_500::StationQuery(char i_cLetter, QString &o_sData)
{
    const QByteArray request = stationRequest(i_cLetter);
    if (comm->isOpen())
        comm->close();
    comm->setSettings(kStationLine);
    if (!comm->open()) {
        m_lErrCode = VX_ERR_PORT_NOT_OPEN;
        Report(comm->lastError());
    } else {
        comm->readAll();
        if (Write(request)) {
            QString data;
            ReceiveFrame(data);
            if (m_lErrCode == VX_SUCCESS)
                o_sData = data;
        }
    }
    // Whatever happened, the terminals' line settings come back.
    comm->close();
    comm->setSettings(kTerminalLine);
}

void ucVX300_500::DS90_GetVersion(QString &o_sVersion) { StationQuery('V', o_sVersion); }
void ucVX300_500::DS90_GetInformation(QString &o_sInformation) { StationQuery('N', o_sInformation); }
