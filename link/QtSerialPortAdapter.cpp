#include "QtSerialPortAdapter.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace vx {

bool LineSettings::parse(const QString &text, LineSettings &out)
{
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() != 4)
        return false;
    LineSettings s;
    bool ok = false;
    s.baud = f[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return false;
    const QString parity = f[1].trimmed().toLower();
    if (parity == u"n") s.parity = QSerialPort::NoParity;
    else if (parity == u"e") s.parity = QSerialPort::EvenParity;
    else if (parity == u"o") s.parity = QSerialPort::OddParity;
    else if (parity == u"m") s.parity = QSerialPort::MarkParity;
    else if (parity == u"s") s.parity = QSerialPort::SpaceParity;
    else return false;
    const int bits = f[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return false;
    s.dataBits = static_cast<QSerialPort::DataBits>(bits);
    const QString stop = f[3].trimmed();
    if (stop == u"1") s.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5") s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2") s.stopBits = QSerialPort::TwoStop;
    else return false;
    out = s;
    return true;
}

QtSerialPortAdapter::QtSerialPortAdapter()
{
    m_clock.start();
    m_settings = QStringLiteral("19200,n,8,1");
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPortAdapter::wake);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPortAdapter::onError);
}

QtSerialPortAdapter::~QtSerialPortAdapter() { m_port.close(); }

void QtSerialPortAdapter::setPortName(const QString &name) { m_port.setPortName(name); }

QString QtSerialPortAdapter::portName() const
{
    // QSerialPort keeps a bare name for /dev/ entries; give back what opens.
    const QString name = m_port.portName();
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return name;
#ifdef Q_OS_WIN
    return name;
#else
    return QStringLiteral("/dev/") + name;
#endif
}

bool QtSerialPortAdapter::setSettings(const QString &settings)
{
    LineSettings s;
    if (!LineSettings::parse(settings, s))
        return false;
    m_settings = settings;
    return true;
}

QString QtSerialPortAdapter::settings() const { return m_settings; }

void QtSerialPortAdapter::fail(int number, const QString &description)
{
    m_failure = {number, description};
}

bool QtSerialPortAdapter::open()
{
    LineSettings s;
    LineSettings::parse(m_settings, s);
    m_interrupted = false;
    const QString name = portName();
    if (!m_port.open(QIODevice::ReadWrite)) {
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError:
            fail(kErrPortNotFound, QStringLiteral("%1: no such device").arg(name));
            break;
        case QSerialPort::PermissionError:
            if (QFileInfo::exists(name) && !QFileInfo(name).isWritable())
                fail(kErrPortPermission,
                     QStringLiteral("%1: permission denied (add the user to the dialout group)").arg(name));
            else
                fail(kErrPortInUse, QStringLiteral("%1: in use by another program").arg(name));
            break;
        default:
            fail(kErrPortIo, QStringLiteral("%1: %2").arg(name, m_port.errorString()));
            break;
        }
        m_port.clearError();
        return false;
    }
    const bool ok = m_port.setBaudRate(s.baud) && m_port.setParity(s.parity)
        && m_port.setDataBits(s.dataBits) && m_port.setStopBits(s.stopBits)
        && m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        fail(kErrPortSettings, QStringLiteral("%1: cannot set %2: %3").arg(name, m_settings, m_port.errorString()));
        m_port.close();
        return false;
    }
    // Bytes the system buffered before the port was ours belong to nobody's request.
    m_port.clear(QSerialPort::Input);
    m_failure = {};
    return true;
}

void QtSerialPortAdapter::close()
{
    if (!m_port.isOpen())
        return;
    // Qt puts the port's previous settings back as it closes: let the last
    // bytes leave at the speed they were sent with.
#ifdef Q_OS_UNIX
    if (m_port.handle() >= 0)
        ::tcdrain(m_port.handle());
#endif
    m_port.close();
    fail(kErrPortNotOpen, QStringLiteral("%1: the port was closed").arg(portName()));
}

bool QtSerialPortAdapter::isOpen() const { return m_port.isOpen(); }

void QtSerialPortAdapter::pull()
{
    // QSerialPort moves bytes from the system into its buffer only when the
    // event loop runs; take what the system holds now.
    while (m_port.isOpen() && m_port.waitForReadyRead(0)) {
    }
}

qint64 QtSerialPortAdapter::bytesAvailable()
{
    pull();
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

QByteArray QtSerialPortAdapter::readAll()
{
    pull();
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

bool QtSerialPortAdapter::write(const QByteArray &bytes)
{
    if (!m_port.isOpen()) {
        fail(kErrPortNotOpen, QStringLiteral("%1: the port is not open").arg(portName()));
        return false;
    }
    if (m_port.write(bytes) != bytes.size()) {
        fail(kErrPortIo, QStringLiteral("%1: write failed: %2").arg(portName(), m_port.errorString()));
        return false;
    }
    m_port.flush(); // hand the bytes to the driver now, not at the next event-loop pass
    // A device that went away is noticed by that very write: onError() has
    // closed the port and said why.
    return m_port.isOpen();
}

PortFailure QtSerialPortAdapter::lastError() const { return m_failure; }

void QtSerialPortAdapter::onError(QSerialPort::SerialPortError error)
{
    // A pulled USB adapter or a pseudo-terminal whose far end closed: Qt keeps
    // reporting the error on every notification, so close on the first one.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        fail(kErrPortIo, QStringLiteral("%1: the device went away").arg(portName()));
        m_port.clearError();
        if (m_port.isOpen())
            m_port.close();
        emit wake();
    }
}

bool QtSerialPortAdapter::waitForBytes(qint64 msecs)
{
    if (!m_port.isOpen() || m_interrupted)
        return m_port.isOpen() && m_port.bytesAvailable() > 0;
    if (m_port.bytesAvailable() > 0)
        return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &QtSerialPortAdapter::wake, &loop, &QEventLoop::quit);
    timer.start(static_cast<int>(std::min<qint64>(msecs, std::numeric_limits<int>::max())));
    loop.exec();
    return m_port.isOpen() && m_port.bytesAvailable() > 0;
}

qint64 QtSerialPortAdapter::now() const { return m_clock.elapsed(); }

void QtSerialPortAdapter::interrupt()
{
    m_interrupted = true;
    emit wake();
}

} // namespace vx
