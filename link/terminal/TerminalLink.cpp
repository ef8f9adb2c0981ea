#include "terminal/TerminalLink.h"

#include "terminal/Frame.h"
#include "terminal/Numbers.h"
#include "terminal/SystemSerialPort.h"

#include <QDebug>
#include <limits>

namespace vx {

namespace {
constexpr qint64 kPollMs = 20;            // one reply poll
constexpr qsizetype kMaxFrameBytes = 65536; // longest reply awaited before giving up
} // namespace

TerminalLink::TerminalLink(QObject *parent)
    : TerminalLink(makeSystemSerialPort(), parent)
{
}

TerminalLink::TerminalLink(std::unique_ptr<SerialPort> port, QObject *parent)
    : QObject(parent), m_port(std::move(port))
{
    m_port->setSettings(kTerminalLine);
    m_port->setPortName(m_resolver(1)); // COM1 until the holder picks a port
}

TerminalLink::~TerminalLink()
{
    m_port->close();
}

// ---- properties -----------------------------------------------------------

void TerminalLink::setCommPort(qint16 number)
{
    if (m_port->isOpen())
        m_port->close();
    m_port->setPortName(m_resolver(number));
}

qint32 TerminalLink::timeout() const { return m_timeout; }
void TerminalLink::setTimeout(qint32 ms) { m_timeout = ms; }
qint32 TerminalLink::status() const { return m_status; }

QString TerminalLink::statusText(qint32 code) const
{
    return QString::fromLatin1(vx::statusText(code == 0 ? m_status : code));
}

void TerminalLink::closePort()
{
    if (m_port->isOpen())
        m_port->close();
}

void TerminalLink::setPortName(const QString &name)
{
    if (m_port->isOpen())
        m_port->close();
    const auto number = commNumber(name);
    m_port->setPortName(number ? m_resolver(*number) : name);
}

void TerminalLink::setPortResolver(PortResolver resolver)
{
    m_resolver = resolver ? std::move(resolver) : PortResolver(defaultCommPort);
}

QString TerminalLink::portName() const { return m_port->portName(); }
void TerminalLink::setErrorHandler(ErrorHandler handler) { m_errorHandler = std::move(handler); }

void TerminalLink::abort()
{
    m_aborted = true;
    m_port->interrupt();
}

SerialPort &TerminalLink::port() { return *m_port; }

// ---- failures ---------------------------------------------------------------

void TerminalLink::report(const Failure &failure)
{
    if (m_errorHandler)
        m_errorHandler(failure);
    else
        qWarning().noquote() << failure.number() << describe(failure);
}

void TerminalLink::invalidData(FailureKind kind, const QString &what)
{
    m_status = VX_ERR_INVALID_DATA;
    report({kind, what});
}

// ---- the line -------------------------------------------------------------

bool TerminalLink::ensureOpen()
{
    if (m_port->isOpen())
        return true;
    if (m_port->open())
        return true;
    m_status = VX_ERR_PORT_NOT_OPEN;
    report(m_port->lastError());
    return false;
}

bool TerminalLink::write(const QByteArray &bytes)
{
    if (m_port->write(bytes))
        return true;
    const Failure failure = m_port->lastError();
    m_port->close();
    m_status = VX_ERR_PORT_NOT_OPEN;
    report(failure);
    return false;
}

qint32 TerminalLink::pollBudget() const
{
    // One poll per whole 20 ms of the budget, at least one.
    return std::max<qint32>(1, m_timeout / static_cast<qint32>(kPollMs));
}

// Waits for received bytes. polls is the budget of silent polls: every
// stretch of more than 20 ms without a byte spends one. The wait sleeps in the
// event loop and wakes as soon as bytes arrive.
TerminalLink::Wake TerminalLink::delay(qint32 &polls)
{
    for (;;) {
        if (!m_port->isOpen())
            return Wake::Closed;
        if (m_port->bytesAvailable() > 0)
            return Wake::Bytes;
        if (m_aborted || polls <= 0)
            return Wake::Silence;
        const qint64 start = m_port->now();
        const bool got = m_port->waitForBytes(static_cast<qint64>(polls) * kPollMs + 1);
        const qint64 waited = m_port->now() - start;
        if (waited > kPollMs)
            polls -= static_cast<qint32>(std::min<qint64>((waited - 1) / kPollMs, polls));
        if (got)
            return Wake::Bytes;
    }
}

bool TerminalLink::sendCommand(qint16 id, char letter)
{
    if (!ensureOpen())
        return false;
    m_port->readAll(); // stale bytes of an earlier exchange must not pass for the reply
    return write(commandFrame(id, letter));
}

bool TerminalLink::sendDataFrame(const QString &data)
{
    return write(dataFrame(toLine(data)));
}

// Waits for reply bytes; false with the status set when none come: the port
// closed (-2, reported) or the budget ran out (-1).
bool TerminalLink::awaitBytes(qint32 &polls)
{
    switch (delay(polls)) {
    case Wake::Bytes:
        return true;
    case Wake::Closed:
        m_status = VX_ERR_PORT_NOT_OPEN;
        report(m_port->lastError());
        return false;
    case Wake::Silence:
        break;
    }
    m_status = VX_ERR_TIMEOUT;
    return false;
}

void TerminalLink::waitByte(char expected, qint32 wrongCode)
{
    qint32 polls = pollBudget();
    if (!m_port->isOpen()) {
        m_status = VX_ERR_PORT_NOT_OPEN;
        return;
    }
    if (!awaitBytes(polls))
        return;
    const QByteArray got = m_port->readAll();
    m_status = (!got.isEmpty() && got.front() == expected) ? VX_SUCCESS : wrongCode;
}

void TerminalLink::waitAck() { waitByte(ACK, VX_ERR_ACK_NOT_GET); }
void TerminalLink::waitEot() { waitByte(EOT, VX_ERR_EOT_NOT_GET); }

// Receives one reply in answer to a request: a data frame (0), EOT as its
// first byte (1, the end of a stream), or a failure. A reply that starts with
// any other byte is no frame whatever follows, so it fails at once (-4)
// rather than after the budget; so does a complete frame that fails its
// check. A frame is delivered only when it is whole and checked; anything
// else leaves data as it was.
void TerminalLink::receiveFrame(QString &data)
{
    qint32 polls = pollBudget();
    if (!m_port->isOpen()) {
        m_status = VX_ERR_PORT_NOT_OPEN;
        return;
    }
    QByteArray buffer;
    for (;;) {
        if (!awaitBytes(polls))
            return;
        buffer += m_port->readAll();
        const Reply reply = readReply(buffer);
        switch (reply.kind) {
        case Reply::Frame:
            data = fromLine(reply.data);
            m_status = VX_SUCCESS;
            return;
        case Reply::EndOfStream:
            m_status = VX_END_OF_STREAM;
            return;
        case Reply::Broken:
            m_status = VX_ERR_INVALID_BCC;
            return;
        case Reply::Incomplete:
            // Longer than any frame: a broken reply, not a silent terminal.
            if (buffer.size() > kMaxFrameBytes) {
                m_status = VX_ERR_INVALID_BCC;
                return;
            }
            break;
        }
    }
}

void TerminalLink::sendAck()
{
    if (m_port->isOpen())
        write(QByteArray(1, ACK));
}

void TerminalLink::sendEot()
{
    if (m_port->isOpen())
        write(QByteArray(1, EOT));
}

// ---- exchange shapes ------------------------------------------------------------

bool TerminalLink::queryExchange(qint16 id, char letter, QString &reply)
{
    if (!sendCommand(id, letter))
        return false;
    QString data;
    receiveFrame(data);
    if (m_status != VX_SUCCESS)
        return false;
    sendAck();
    if (m_status != VX_SUCCESS)
        return false;
    waitEot();
    if (m_status != VX_SUCCESS)
        return false;
    reply = data;
    return true;
}

void TerminalLink::setExchange(qint16 id, char letter, const QString &data)
{
    if (!sendCommand(id, letter))
        return;
    waitAck();
    if (m_status != VX_SUCCESS || !sendDataFrame(data))
        return;
    waitAck();
    if (m_status != VX_SUCCESS)
        return;
    sendEot();
}

void TerminalLink::confirmedCommand(qint16 id, char letter)
{
    if (!sendCommand(id, letter))
        return;
    waitAck();
    if (m_status == VX_SUCCESS)
        sendEot();
}

void TerminalLink::streamItem(QString &item)
{
    if (!m_port->isOpen()) {
        m_status = VX_ERR_PORT_NOT_OPEN;
        return;
    }
    QString data;
    receiveFrame(data);
    if (m_status != VX_SUCCESS)
        return;
    sendAck();
    if (m_status == VX_SUCCESS) // an item the terminal was not told of is not delivered
        item = data;
}

// ---- terminal maintenance -------------------------------------------------------

void TerminalLink::setTime(qint16 id, const QDateTime &dt)
{
    // The terminal keeps no time zone: it gets the fields as they are given.
    if (!dt.isValid()) {
        invalidData(FailureKind::BadData, tr("Type mismatch: no valid date and time to set"));
        return;
    }
    setExchange(id, 'S', dt.toString(QStringLiteral("yyyyMMddHHmmss")));
}

void TerminalLink::readTime(qint16 id, QDateTime &dt)
{
    QString data;
    if (!queryExchange(id, 'T', data))
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
        invalidData(FailureKind::BadData,
                    tr("Type mismatch: the terminal's clock reads \"%1\", which is no valid date and time")
                        .arg(data));
        return;
    }
    QDateTime when(date, time);
    if (!when.isValid()) // a moment the local clock skips (daylight saving): keep the fields
        when = QDateTime(date, time, Qt::UTC);
    dt = when;
}

void TerminalLink::queryCount(qint16 id, char letter, const char *what, qint16 &result)
{
    QString data;
    if (!queryExchange(id, letter, data))
        return;
    const auto count = toInt16(leadingNumber(data));
    if (!count) {
        invalidData(FailureKind::Overflow,
                    tr("Overflow: the %1 \"%2\" is out of range").arg(tr(what), data));
        return;
    }
    result = *count;
}

void TerminalLink::readRecordCount(qint16 id, qint16 &count)
{
    queryCount(id, 'A', QT_TR_NOOP("record count"), count);
}

void TerminalLink::setMachineNumber(qint16 id, qint16 newNumber)
{
    setExchange(id, 'P', fromLine(hexId(newNumber)));
}

void TerminalLink::readMachineNumber(qint16 id, qint16 &number)
{
    QString data;
    if (!queryExchange(id, 'Q', data))
        return;
    const auto read = toInt16(leadingNumber(QStringLiteral("&H") + data));
    if (!read) {
        invalidData(FailureKind::Overflow, tr("Overflow: the machine number \"%1\" is out of range").arg(data));
        return;
    }
    number = *read;
}

void TerminalLink::readVersion(qint16 id, QString &version) { queryExchange(id, 'V', version); }
void TerminalLink::readVoltage(qint16 id, QString &voltage) { queryExchange(id, 'B', voltage); }
void TerminalLink::clearData(qint16 id) { confirmedCommand(id, 'D'); }
void TerminalLink::recoverData(qint16 id) { confirmedCommand(id, 'M'); }

void TerminalLink::runSelfTest(qint16 id)
{
    if (sendCommand(id, 'Z'))
        m_status = VX_SUCCESS;
}

void TerminalLink::powerDown(qint16 id)
{
    if (sendCommand(id, 'O'))
        waitAck();
}

// ---- record and tag transfer ------------------------------------------------------

void TerminalLink::beginDownload(qint16 id)
{
    if (sendCommand(id, 'I'))
        m_status = VX_SUCCESS;
}
void TerminalLink::nextRecord(QString &data) { streamItem(data); }

void TerminalLink::readTagCount(qint16 id, qint16 &count)
{
    queryCount(id, 'B', QT_TR_NOOP("tag count"), count);
}

void TerminalLink::beginTagUpload(qint16 id)
{
    if (sendCommand(id, 'K'))
        waitAck();
}

void TerminalLink::sendTagCode(qint16 index, const QString &code)
{
    if (!m_port->isOpen()) {
        m_status = VX_ERR_PORT_NOT_OPEN;
        return;
    }
    const QString field = index < 0
        ? QStringLiteral("-%1").arg(-static_cast<int>(index), 5, 10, QLatin1Char('0'))
        : QStringLiteral("%1").arg(static_cast<int>(index), 5, 10, QLatin1Char('0'));
    if (sendDataFrame(field + code))
        waitAck();
}

void TerminalLink::endTagUpload()
{
    if (!m_port->isOpen())
        m_status = VX_ERR_PORT_NOT_OPEN;
    else if (write(QByteArray(1, EOT)))
        m_status = VX_SUCCESS;
}
void TerminalLink::beginTagDownload(qint16 id)
{
    if (sendCommand(id, 'J'))
        m_status = VX_SUCCESS;
}
void TerminalLink::nextTagCode(QString &data) { streamItem(data); }

// ---- reader station ---------------------------------------------------------------------

void TerminalLink::stationQuery(char letter, QString &reply)
{
    const QByteArray request = stationRequest(letter);
    if (m_port->isOpen())
        m_port->close();
    m_port->setSettings(kStationLine);
    if (!m_port->open()) {
        m_status = VX_ERR_PORT_NOT_OPEN;
        report(m_port->lastError());
    } else {
        m_port->readAll();
        if (write(request)) {
            QString data;
            receiveFrame(data);
            if (m_status == VX_SUCCESS)
                reply = data;
        }
    }
    // Whatever happened, the terminals' line settings come back.
    m_port->close();
    m_port->setSettings(kTerminalLine);
}

void TerminalLink::readStationVersion(QString &version) { stationQuery('V', version); }
void TerminalLink::readStationInformation(QString &information) { stationQuery('N', information); }

} // namespace vx
