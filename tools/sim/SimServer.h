// Serves the terminal model on the pseudo-terminal: reads what the host
// sends, hands it to the model with the line settings the host put on the
// port, and sends the answer back, at once or at the real line rate.
#pragma once

#include "ByteSchedule.h"
#include "PtyLine.h"
#include "TerminalModel.h"

#include <QByteArray>

namespace vx::sim {

class SimServer {
public:
    enum class End { Stopped, HungUp, LineFailed };

    SimServer(PtyLine &line, TerminalModel &model) : m_line(line), m_model(model) {}

    // Every byte at the line rate (10 bits per byte) instead of all at once.
    void setPace(bool on) { m_schedule.setPace(on); }
    // Each transmission in hex with a time stamp on stderr.
    void setLog(bool on) { m_log = on; }
    // Every answer goes out this late (a slow terminal).
    void setLate(qint64 ms) { m_lateMs = ms; }

    // Serves until control() receives 'q' (stop) or the far end hangs up;
    // a 'w' on the control descriptor wakes a powered-down terminal.
    End run(int controlFd);

private:
    void heard(const QByteArray &bytes);
    bool flushDue(qint64 nowNs);
    void log(const QString &line) const;
    void endNoise(const char *how);

    PtyLine &m_line;
    TerminalModel &m_model;
    bool m_log = false;
    qint64 m_lateMs = 0;
    ByteSchedule m_schedule;   // answer bytes not yet on the line
    bool m_noise = false;      // they are a noise stream, which ends when the host writes
    qint64 m_noiseSent = 0;
    bool m_hangUpPending = false;
};

} // namespace vx::sim
