#include "TerminalModel.h"

#include <algorithm>

namespace vx::sim {

using namespace control;

namespace {
QByteArray latin1(const QString &text) { return text.toLatin1(); }

QByteArray twoHex(quint8 value)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(2, '0');
}

bool isUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
} // namespace

void TerminalModel::setRecords(const QStringList &records)
{
    m_records = records;
    m_recoverable.clear();
}

bool TerminalModel::isSelfTesting(const QDateTime &now) const
{
    return m_selfTestUntil.isValid() && now < m_selfTestUntil;
}

Reply TerminalModel::receive(const QByteArray &bytes, const LineSettings &line, const QDateTime &now)
{
    m_reply = {};
    if (m_hungUp)
        return m_reply;
    if (m_lastHeard.isValid() && m_lastHeard.msecsTo(now) > kIdleResetMs)
        idle();
    m_lastHeard = now;
    m_line = line;
    m_now = now;
    m_garbled = false;

    if (line != kTerminalLine && line != kStationLine) {
        // Neither device can make sense of the line.
        idle();
        m_garbled = true;
    } else {
        for (char b : bytes) {
            step(b);
            if (m_hungUp)
                break;
        }
    }
    if (m_garbled)
        m_reply.bytes += m_noise.bytes(bytes.size() + 12);
    return m_reply;
}

void TerminalModel::idle()
{
    m_state = State::Idle;
    m_command.clear();
    m_inFrame = false;
    m_frame.clear();
    m_stream.clear();
    m_upload.clear();
}

void TerminalModel::garble()
{
    idle();
    m_garbled = true;
}

void TerminalModel::beginCommand()
{
    idle();
    m_state = State::Command;
}

void TerminalModel::step(char b)
{
    const bool terminalHears = m_line == kTerminalLine;
    switch (m_state) {
    case State::Idle:
        if (b == ENQ)
            beginCommand();
        return;

    case State::Command:
        if (b == ENQ) {
            m_command.clear();
            return;
        }
        m_command.append(b);
        if (m_command.size() < 3)
            return;
        if (m_command.startsWith("B00")) {
            // ENQ "B00" letter CR: the reader station's request.
            if (m_command.size() == 5)
                stationRequest(m_command[3], m_command[4]);
            return;
        }
        terminalCommand(m_command.left(2), m_command[2]);
        return;

    case State::QueryAck:
    case State::StreamAck:
    case State::SetEot:
    case State::ConfirmEot:
        if (b == ENQ) {
            beginCommand();
            return;
        }
        if (!terminalHears) {
            garble();
            return;
        }
        if (m_state == State::QueryAck && b == ACK) {
            idle();
            m_reply.bytes.append(EOT);
        } else if (m_state == State::StreamAck && b == ACK) {
            // Only an acknowledged item counts as delivered; until then the
            // terminal waits with the item in hand.
            ++m_acknowledged;
            if (m_streamIsRecords && m_faults.hangUpAfterRecord > 0 && m_acknowledged == m_faults.hangUpAfterRecord) {
                m_hungUp = true;
                m_reply.hangUp = true;
                idle();
                return;
            }
            sendNextItem();
        } else if ((m_state == State::SetEot || m_state == State::ConfirmEot) && b == EOT) {
            hostEot();
        }
        return; // anything else is line noise to the terminal

    case State::SetData:
    case State::UploadItem:
        if (!m_inFrame) {
            if (b == STX) {
                m_inFrame = true;
                m_frameEnded = false;
                m_frame.clear();
            } else if (b == ENQ) {
                beginCommand();
            } else if (!terminalHears) {
                garble();
            } else if (m_state == State::UploadItem && b == EOT) {
                m_tags = m_upload;
                idle();
            }
            return;
        }
        if (!m_frameEnded) {
            if (b == ETX)
                m_frameEnded = true;
            else
                m_frame.append(b);
            return;
        }
        m_inFrame = false;
        if (!terminalHears) {
            garble();
            return;
        }
        hostFrame(m_frame, xorOf(m_frame) == static_cast<quint8>(b));
        return;
    }
}

bool TerminalModel::send(const QByteArray &bytes)
{
    if (m_faults.noiseStream) {
        if (!m_reply.untilHeard)
            m_reply.bytes += m_noise.bytes(kNoiseStream);
        m_reply.untilHeard = true;
        return false;
    }
    if (m_faults.noise) {
        m_reply.bytes += m_noise.bytes(kNoiseBurst);
        return false;
    }
    if (m_faults.eotReply) {
        m_reply.bytes.append(EOT);
        return false;
    }
    m_reply.bytes += bytes;
    return true;
}

bool TerminalModel::sendAck()
{
    const bool refused = m_faults.nak || m_faults.refuse.contains(m_letter);
    if (refused && !m_faults.noise && !m_faults.noiseStream && !m_faults.eotReply) {
        m_reply.bytes.append(NAK);
        return false;
    }
    return send(QByteArray(1, ACK));
}

void TerminalModel::sendQuery(const QByteArray &data)
{
    if (send(frameOf(data)))
        m_state = State::QueryAck;
    else
        idle();
}

void TerminalModel::terminalCommand(const QByteArray &id, char letter)
{
    idle();
    if (!isUpperHex(id[0]) || !isUpperHex(id[1]))
        return;
    if (m_line != kTerminalLine) {
        garble();
        return;
    }
    if (m_poweredDown || isSelfTesting(m_now) || id.toInt(nullptr, 16) != m_id)
        return; // not addressed, asleep or busy: no answer
    m_letter = letter;
    switch (letter) {
    case 'T':
        sendQuery(latin1(clock(m_now).toString(QStringLiteral("yyyyMMddHHmmss"))));
        return;
    case 'A':
        sendQuery(QByteArray::number(m_records.size()));
        return;
    case 'Q':
        sendQuery(twoHex(m_id));
        return;
    case 'V':
        sendQuery(latin1(m_version));
        return;
    case 'B':
        sendQuery(m_answer == BAnswer::Voltage ? latin1(m_voltage) : QByteArray::number(m_tags.size()));
        return;
    case 'S':
    case 'P':
        if (sendAck())
            m_state = State::SetData;
        return;
    case 'D':
    case 'M':
        if (sendAck())
            m_state = State::ConfirmEot;
        return;
    case 'O':
        if (sendAck())
            m_poweredDown = true;
        return;
    case 'Z':
        ++m_selfTests;
        m_selfTestUntil = m_now.addMSecs(m_selfTestMs);
        return;
    case 'K':
        if (sendAck())
            m_state = State::UploadItem;
        return;
    case 'I':
        if (m_faults.hangUpAfterRecord == 0) {
            m_hungUp = true;
            m_reply.hangUp = true;
            return;
        }
        startStream(m_records, true);
        return;
    case 'J':
        startStream(m_tags, false);
        return;
    default:
        return; // a letter the terminal does not know
    }
}

void TerminalModel::stationRequest(char letter, char end)
{
    idle();
    if (end != CR || (letter != 'V' && letter != 'N'))
        return;
    if (m_line != kStationLine) {
        garble();
        return;
    }
    send(frameOf(latin1(letter == 'V' ? m_stationVersion : m_stationInformation)));
}

void TerminalModel::hostFrame(const QByteArray &data, bool checkOk)
{
    if (!checkOk) {
        m_reply.bytes.append(NAK); // the item must come again
        if (m_state != State::UploadItem)
            idle();
        return;
    }
    if (m_state == State::UploadItem) {
        if (sendAck())
            m_upload.append(QString::fromLatin1(data));
        else
            idle();
        return;
    }
    if (m_letter == 'S') {
        // The terminal keeps a wall clock without a time zone: any real
        // date and time is taken as given, one in a daylight-saving gap too.
        const QDateTime set = data.size() == 14
            ? QDateTime::fromString(QString::fromLatin1(data) + QStringLiteral("Z"), QStringLiteral("yyyyMMddHHmmsst"))
            : QDateTime();
        if (!set.isValid()) {
            m_reply.bytes.append(NAK);
            idle();
            return;
        }
        if (!sendAck()) {
            idle();
            return;
        }
        m_clockOffsetMs = wallClock(m_now).msecsTo(set);
        m_state = State::SetEot;
        return;
    }
    // 'P': the new machine number, two hexadecimal digits.
    if (data.size() != 2 || !isUpperHex(data[0]) || !isUpperHex(data[1])) {
        m_reply.bytes.append(NAK);
        idle();
        return;
    }
    if (!sendAck()) {
        idle();
        return;
    }
    m_id = static_cast<quint8>(data.toInt(nullptr, 16));
    m_state = State::SetEot;
}

void TerminalModel::hostEot()
{
    // The host's EOT confirms clearing and recovering.
    if (m_state == State::ConfirmEot && m_letter == 'D') {
        if (!m_records.isEmpty()) {
            m_recoverable = m_records;
            m_records.clear();
        }
    } else if (m_state == State::ConfirmEot && m_letter == 'M') {
        if (!m_recoverable.isEmpty()) {
            m_records = m_recoverable;
            m_recoverable.clear();
        }
    }
    idle();
}

void TerminalModel::startStream(const QStringList &items, bool records)
{
    idle();
    m_stream = items;
    m_streamIsRecords = records;
    m_acknowledged = 0;
    sendNextItem();
}

void TerminalModel::sendNextItem()
{
    const int k = m_acknowledged + 1;
    if (k > m_stream.size()) {
        idle();
        m_reply.bytes.append(EOT);
        return;
    }
    if (m_streamIsRecords && m_faults.silentFromRecord > 0 && k >= m_faults.silentFromRecord) {
        idle();
        return;
    }
    const bool corrupt = m_streamIsRecords && k == m_faults.badCheckRecord;
    QByteArray frame = frameOf(latin1(m_stream[k - 1]), corrupt);
    // The line breaks the frame: an EOT after the first data byte (after the
    // STX of an empty record), the check byte still that of the record.
    if (m_streamIsRecords && k == m_faults.eotInRecord)
        frame.insert(std::min<qsizetype>(2, frame.size() - 2), EOT);
    if (!send(frame)) {
        idle();
        return;
    }
    m_state = State::StreamAck;
}

} // namespace vx::sim
