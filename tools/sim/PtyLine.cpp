#include "PtyLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace vx::sim {

qint32 baudOfSpeed(unsigned speed)
{
    struct Pair { speed_t code; qint32 baud; };
    static const Pair table[] = {
        {B50, 50}, {B75, 75}, {B110, 110}, {B134, 134}, {B150, 150}, {B200, 200}, {B300, 300},
        {B600, 600}, {B1200, 1200}, {B1800, 1800}, {B2400, 2400}, {B4800, 4800}, {B9600, 9600},
        {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
        {B460800, 460800}, {B500000, 500000}, {B576000, 576000}, {B921600, 921600},
        {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000}, {B2000000, 2000000},
    };
    for (const auto &p : table)
        if (p.code == speed)
            return p.baud;
    return 0;
}

PtyLine::~PtyLine() { hangUp(); }

std::optional<QString> PtyLine::open()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return QStringLiteral("cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    termios tio{};
    tcgetattr(m_slave, &tio);
    cfmakeraw(&tio);
    // Idle at the terminal's speed: a host that closes the port right after its
    // last write gets back these settings (QSerialPort restores what it found
    // at open) before the bytes are read here, and they must not turn to garbage.
    cfsetspeed(&tio, B19200);
    tcsetattr(m_slave, TCSANOW, &tio);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_path = QString::fromLocal8Bit(name);
    return std::nullopt;
}

LineSettings PtyLine::settings() const
{
    using Parity = LineSettings::Parity;
    LineSettings line;
    termios tio{};
    if (m_slave < 0 || tcgetattr(m_slave, &tio) != 0) {
        line.speed = 0;
        return line;
    }
    line.speed = baudOfSpeed(cfgetospeed(&tio));
    if (tio.c_cflag & PARENB) {
#ifdef CMSPAR
        if (tio.c_cflag & CMSPAR)
            line.parity = (tio.c_cflag & PARODD) ? Parity::Mark : Parity::Space;
        else
#endif
            line.parity = (tio.c_cflag & PARODD) ? Parity::Odd : Parity::Even;
    }
    switch (tio.c_cflag & CSIZE) {
    case CS5: line.dataBits = 5; break;
    case CS6: line.dataBits = 6; break;
    case CS7: line.dataBits = 7; break;
    default: line.dataBits = 8; break;
    }
    line.stopBits = (tio.c_cflag & CSTOPB) ? LineSettings::StopBits::Two : LineSettings::StopBits::One;
    return line;
}

bool PtyLine::readAvailable(QByteArray &out)
{
    if (m_master < 0)
        return false;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        return false; // end of file or a failure: the line is gone
    }
}

qsizetype PtyLine::writeSome(const char *data, qsizetype size)
{
    if (m_master < 0)
        return -1;
    for (;;) {
        const ssize_t n = ::write(m_master, data, static_cast<size_t>(size));
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        return -1;
    }
}

void PtyLine::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

} // namespace vx::sim
