#include "QtSerialPortAdapter.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace vx {

QtSerialPortAdapter::QtSerialPortAdapter()
{
    m_clock.start();
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPortAdapter::wake);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPortAdapter::onError);
}

QtSerialPortAdapter::~QtSerialPortAdapter() { m_port.close(); }

void QtSerialPortAdapter::setPortName(const QString &name) { m_name = name; }

QString QtSerialPortAdapter::portName() const { return m_name; }

void QtSerialPortAdapter::setSettings(const LineSettings &settings) { m_settings = settings; }

void QtSerialPortAdapter::fail(FailureKind kind, const QString &detail)
{
    m_failure = {kind, detail};
}

namespace {

// The device a name stands for. A link (/dev/serial/by-id/..., or any
// symbolic link) and the device itself must take one lock file and one
// exclusive open, so the port is opened by its real path.
QString devicePath(const QString &name)
{
#ifdef Q_OS_UNIX
    // A bare name is an entry of /dev, as QSerialPort reads it.
    const bool isPath = name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1String("./"))
        || name.startsWith(QLatin1String("../"));
    const QString path = isPath ? name : QStringLiteral("/dev/") + name;
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? path : real; // a missing device is reported by the open
#else
    return name;
#endif
}

// Who holds a device, from the lock file QSerialPort takes for it (QLockFile:
// process id, program, host): "vx500-monitor, pid 1234"; empty when there is
// no such file to read. The folder is the one QSerialPort chooses: the first
// readable one of its list that holds the file or may take it.
QString lockHolder(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList folders{QStringLiteral("/var/lock"),       QStringLiteral("/etc/locks"),
                              QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
                              QStringLiteral("/tmp"),             QStringLiteral("/var/tmp"),
                              QStringLiteral("/var/lock/lockdev"), QStringLiteral("/run/lock"),
                              QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
    for (const QString &folder : folders) {
        const QFileInfo dir(folder);
        const QFileInfo file(folder + QStringLiteral("/LCK..") + name);
        if (!dir.isReadable() || (!file.exists() && !dir.isWritable()))
            continue;
        // Anybody may write in a lock folder: read only a small regular file.
        qint64 pid = 0;
        QString host, program;
        if (!file.isFile() || file.size() > 4096 || !QLockFile(file.filePath()).getLockInfo(&pid, &host, &program)
            || pid <= 0 || program.trimmed().isEmpty())
            return {};
        QString holder = QStringLiteral("%1, pid %2").arg(program.trimmed().left(100)).arg(pid);
        if (!host.isEmpty() && host != QSysInfo::machineHostName())
            holder += QStringLiteral(" on ") + host.left(100);
        return holder;
    }
    return {};
}

// "in use by another program", with the holder when its lock file names it.
QString inUse(const QString &name, const QString &device)
{
    const QString holder = lockHolder(device);
    QString text = QStringLiteral("%1: in use by another program").arg(name);
    if (!holder.isEmpty())
        text += QStringLiteral(" (%1)").arg(holder);
    if (holder.startsWith(QLatin1String("vx500-monitor,")))
        text += QStringLiteral("; the monitor keeps the port open between commands: close its window");
    return text;
}

bool applySettings(QSerialPort &port, const LineSettings &s)
{
    static constexpr QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                                       QSerialPort::OddParity, QSerialPort::MarkParity,
                                                       QSerialPort::SpaceParity};
    static constexpr QSerialPort::StopBits stops[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                      QSerialPort::TwoStop};
    if (s.dataBits < 5 || s.dataBits > 8)
        return false;
    return port.setBaudRate(s.speed) && port.setParity(parities[static_cast<int>(s.parity)])
        && port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits))
        && port.setStopBits(stops[static_cast<int>(s.stopBits)])
        && port.setFlowControl(QSerialPort::NoFlowControl);
}

} // namespace

bool QtSerialPortAdapter::open()
{
    m_interrupted = false;
    const QString name = m_name;
    const QString device = devicePath(name);
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError:
            fail(FailureKind::PortMissing, QStringLiteral("%1: no such device").arg(name));
            break;
        case QSerialPort::PermissionError:
            if (QFileInfo::exists(name) && !QFileInfo(name).isWritable())
                fail(FailureKind::PortDenied,
                     QStringLiteral("%1: permission denied (add the user to the dialout group)").arg(name));
            else
                fail(FailureKind::PortInUse, inUse(name, device));
            break;
        default:
            fail(FailureKind::PortIo, QStringLiteral("%1: %2").arg(name, m_port.errorString()));
            break;
        }
        m_port.clearError();
        return false;
    }
    if (!applySettings(m_port, m_settings)) {
        fail(FailureKind::PortSettings,
             QStringLiteral("%1: cannot set %2: %3").arg(name, m_settings.toString(), m_port.errorString()));
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
    fail(FailureKind::PortClosed, QStringLiteral("%1: the port was closed").arg(portName()));
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
        fail(FailureKind::PortClosed, QStringLiteral("%1: the port is not open").arg(portName()));
        return false;
    }
    if (m_port.write(bytes) != bytes.size()) {
        fail(FailureKind::PortIo, QStringLiteral("%1: write failed: %2").arg(portName(), m_port.errorString()));
        return false;
    }
    m_port.flush(); // hand the bytes to the driver now, not at the next event-loop pass
    // A device that went away is noticed by that very write: onError() has
    // closed the port and said why.
    return m_port.isOpen();
}

Failure QtSerialPortAdapter::lastError() const { return m_failure; }

void QtSerialPortAdapter::onError(QSerialPort::SerialPortError error)
{
    // A pulled USB adapter or a pseudo-terminal whose far end closed: Qt keeps
    // reporting the error on every notification, so close on the first one.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        fail(FailureKind::PortIo, QStringLiteral("%1: the device went away").arg(portName()));
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
