// A VX500 terminal and a VX500R/U reader station sharing one line, as the
// host sees them: fed the bytes the host sends (with the line settings in
// force and the time they arrive), it answers the bytes the devices send back.
// No I/O: the simulator program serves it on a pseudo-terminal, the tests
// through the fake port in virtual time.
//
// The terminal understands only "19200,n,8,1", the reader station only
// "9600,n,8,1"; a request at any other setting is answered by garbage, as a
// real line at the wrong speed would deliver it.
#pragma once

#include "LineBytes.h"
#include "linesettings/LineSettings.h"
#include "Noise.h"

#include <QDateTime>
#include <QStringList>

namespace vx::sim {

// What the terminal answers to "B": the host uses the letter both for the
// battery voltage and for the tag count, while a terminal has one answer.
enum class BAnswer { Voltage, TagCount };

// Faults for tests and demonstrations. Record numbers count from 1.
struct Faults {
    int badCheckRecord = 0;      // record k goes out with a wrong check byte (0: never)
    int silentFromRecord = 0;    // record k and the rest of the stream never go out (0: never)
    int eotInRecord = 0;         // record k goes out with an EOT after its first data byte,
                                 // its check byte still that of the record (0: never)
    bool noise = false;          // a burst of noise in place of every answer
    bool noiseStream = false;    // noise in place of every answer until the host writes again
    bool eotReply = false;       // EOT in place of every answer
    bool nak = false;            // NAK in place of every ACK
    QByteArray refuse{};         // NAK in place of the ACK to these command letters
    int hangUpAfterRecord = -1;  // the far end closes once record k is acknowledged
                                 // (0: at the download command; -1: never)
};

// What the far end does in answer to one transmission of the host.
struct Reply {
    QByteArray bytes;
    bool hangUp = false;  // the line goes dead after the bytes
    bool untilHeard = false; // the bytes are a noise stream: what has not gone out
                             // when the host writes again is dropped
};

class TerminalModel {
public:
    // A request left half-received, or an exchange left waiting for the host,
    // is dropped after this much silence.
    static constexpr qint64 kIdleResetMs = 5000;
    // Length of one burst of the noise fault.
    static constexpr qsizetype kNoiseBurst = 64;
    // Longest noise stream: more than a host reads while it waits for a frame.
    static constexpr qsizetype kNoiseStream = 72 * 1024;

    Reply receive(const QByteArray &bytes, const LineSettings &line, const QDateTime &now);

    // ---- the terminal's state
    quint8 machineNumber() const { return m_id; }
    void setMachineNumber(quint8 id) { m_id = id; }

    void setVersion(const QString &text) { m_version = text; }
    void setVoltage(const QString &text) { m_voltage = text; }
    void setBAnswer(BAnswer answer) { m_answer = answer; }

    void setStationVersion(const QString &text) { m_stationVersion = text; }
    void setStationInformation(const QString &text) { m_stationInformation = text; }

    const QStringList &records() const { return m_records; }
    // New data in the store: the records of the last clearing can no longer be recovered.
    void setRecords(const QStringList &records);

    // The terminal's clock runs at an offset to the PC's.
    qint64 clockOffsetMs() const { return m_clockOffsetMs; }
    // The clock reads `reading` when the PC's reads pcNow.
    void setClock(const QDateTime &pcNow, const QDateTime &reading) { m_clockOffsetMs = wallClock(pcNow).msecsTo(wallClock(reading)); }
    // The terminal's clock: the PC's wall-clock reading moved by the offset,
    // without a time zone (kept as UTC so that no reading is skipped).
    QDateTime clock(const QDateTime &pcNow) const { return wallClock(pcNow).addMSecs(m_clockOffsetMs); }
    static QDateTime wallClock(const QDateTime &t) { return QDateTime(t.date(), t.time(), Qt::UTC); }

    bool isPoweredDown() const { return m_poweredDown; }
    void wake() { m_poweredDown = false; }
    // The self-test keeps the terminal deaf for this long (0: no time at all).
    void setSelfTestMs(qint64 ms) { m_selfTestMs = ms; }
    int selfTestCount() const { return m_selfTests; }

    void setFaults(const Faults &faults) { m_faults = faults; }

private:
    enum class State { Idle, Command, QueryAck, SetData, SetEot, ConfirmEot, StreamAck, UploadItem };

    bool isSelfTesting(const QDateTime &now) const;
    void step(char byte);
    void beginCommand();
    void idle();
    void garble();
    void terminalCommand(const QByteArray &id, char letter);
    void stationRequest(char letter, char end);
    void hostFrame(const QByteArray &data, bool checkOk);
    void hostEot();
    void startStream(const QStringList &items, bool records);
    void sendNextItem();

    // Answers, with the faults applied; false when a fault took the answer's place.
    bool send(const QByteArray &bytes);
    bool sendAck();
    void sendQuery(const QByteArray &data);

    // configuration and stored data
    quint8 m_id = 0;
    QString m_version = QStringLiteral("VX500A V2.10");
    QString m_voltage = QStringLiteral("3.05V");
    BAnswer m_answer = BAnswer::Voltage;
    QString m_stationVersion = QStringLiteral("VX500R V1.04");
    QString m_stationInformation = QStringLiteral("VX500R/U READER STATION,9600,N,8,1");
    QStringList m_records;
    QStringList m_recoverable;
    QStringList m_tags; // tag items as uploaded: the five-digit index followed by the code
    qint64 m_clockOffsetMs = 0;
    bool m_poweredDown = false;
    qint64 m_selfTestMs = 2000;
    int m_selfTests = 0;
    QDateTime m_selfTestUntil;
    Faults m_faults;
    bool m_hungUp = false;
    Noise m_noise;

    // the exchange in progress
    State m_state = State::Idle;
    QByteArray m_command;         // bytes after ENQ
    char m_letter = 0;            // command whose exchange is running
    bool m_inFrame = false;       // host data frame: STX seen
    bool m_frameEnded = false;    // host data frame: ETX seen, check byte next
    QByteArray m_frame;
    QStringList m_stream;
    bool m_streamIsRecords = false;
    int m_acknowledged = 0;       // items of the stream the host acknowledged
    QStringList m_upload;

    // the transmission being handled
    Reply m_reply;
    LineSettings m_line;
    QDateTime m_now;
    QDateTime m_lastHeard;
    bool m_garbled = false;
};

} // namespace vx::sim
