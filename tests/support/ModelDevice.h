// The simulated terminal on the fake port: the host's bytes reach the model
// after their line time, and the model's answer comes back byte by byte at
// the line rate (10 bits per byte at the speed in force), all in virtual time.
// A noise stream stops when the host writes again; a far end that hangs up
// pulls the fake port's cable.
//
// Use: TerminalModel model; ModelDevice device{model}; FakePort port{&device};
// the model and the device must outlive every wait on the port.
#pragma once

#include "FakePort.h"
#include "TerminalModel.h"

#include <QDateTime>

namespace vx::test {

class ModelDevice : public FakeDevice {
public:
    // The terminal's processing time between the last byte heard and the first sent.
    static constexpr double kTurnaroundMs = 2.0;
    // The PC's clock at virtual time 0.
    inline static const QDateTime kEpoch = QDateTime(QDate(2024, 6, 1), QTime(9, 0, 0));

    explicit ModelDevice(sim::TerminalModel &model) : m_model(model) {}
    void received(const QByteArray &bytes, FakePort &port) override;

    // The PC clock at the port's current virtual time.
    QDateTime pcNow(const FakePort &port) const { return kEpoch.addMSecs(port.now()); }

private:
    sim::TerminalModel &m_model;
    double m_lineFreeAt = 0;    // the far end's transmitter is busy until then (ms)
    bool m_noiseStream = false; // the last answer is a noise stream
    qint64 m_heard = 0;         // transmissions of the host the model received
};

} // namespace vx::test
