#include "terminal/QtSerialPortAdapter.h"

#include "portnames/LockHolders.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <sys/file.h>
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

// The lock file of a device ("LCK..ttyUSB0") in the folder QSerialPort
// takes it in: the first readable one of its list that holds the file or
// may take it. Empty when there is none.
QString lockFileOf(const QString &device)
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
        if (dir.isReadable() && (file.exists() || dir.isWritable()))
            return file.filePath();
    }
    return {};
}

// What a lock file says: the process id on its first line (the system's
// convention, "      1234", or Qt's, "1234"), and the program on the next
// (Qt's) when there is one. Anybody may write in a lock folder: only a
// small regular file is read.
struct LockInfo {
    bool exists = false;
    qint64 pid = 0;
    QString program;
    qint64 ageMs = 0;
};
LockInfo readLockFile(const QString &path)
{
    const QFileInfo info(path);
    LockInfo lock;
    lock.exists = info.exists() || info.isSymLink();
    if (!info.isFile() || info.isSymLink() || info.size() > 4096)
        return lock;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lock;
    const QList<QByteArray> lines = file.read(4096).split('\n');
    lock.pid = lines.value(0).trimmed().toLongLong();
    lock.program = QString::fromUtf8(lines.value(1)).trimmed().left(100);
    lock.ageMs = info.lastModified().msecsTo(QDateTime::currentDateTime());
    return lock;
}

// "picocom, pid 1234"
QString holderOf(const LockInfo &lock)
{
    if (lock.pid <= 0)
        return {};
    return lock.program.isEmpty() ? processDescription(lock.pid)
                                  : QStringLiteral("%1, pid %2").arg(lock.program).arg(lock.pid);
}

// A lock whose process is gone, or an empty one older than a second (its
// program died as it wrote it), is nobody's: it goes at once.
void removeStaleLock(const QString &path)
{
    const LockInfo lock = readLockFile(path);
    const bool empty = lock.pid <= 0 && QFileInfo(path).size() == 0;
    if (lock.exists && QFileInfo(path).isFile() && !QFileInfo(path).isSymLink()
        && ((lock.pid > 0 && lock.pid != QCoreApplication::applicationPid() && !processRuns(lock.pid))
            || (empty && lock.ageMs > 1000)))
        QFile::remove(path);
}

// "in use by another program", with the holder when its lock says who.
QString inUse(const QString &name, const QString &holder)
{
    QString text = QCoreApplication::translate("vx::QtSerialPortAdapter", "%1: in use by another program").arg(name);
    if (!holder.isEmpty())
        text += QStringLiteral(" (%1)").arg(holder);
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
    const QString lockFile = lockFileOf(device);
    // Anybody may write in a lock folder: what is planted there as the lock
    // file (a FIFO would block the open for good) is never opened.
    if (const QFileInfo planted(lockFile);
        !lockFile.isEmpty() && (planted.exists() || planted.isSymLink()) && (!planted.isFile() || planted.isSymLink())) {
        fail(FailureKind::PortInUse, QStringLiteral("%1: in use: %2 is not a lock file; its owner or the administrator "
                                                    "must remove it").arg(name, lockFile));
        return false;
    }
    removeStaleLock(lockFile);
    // A lock file of a program that runs is honoured whoever wrote it; one
    // whose program is gone and that is not ours to remove is said to be so.
    if (const LockInfo lock = readLockFile(lockFile); lock.pid > 0 && lock.pid != QCoreApplication::applicationPid()) {
        if (processRuns(lock.pid))
            fail(FailureKind::PortInUse, inUse(name, holderOf(lock)));
        else // not ours to remove: another user's, in a folder that keeps it for its owner
            fail(FailureKind::PortInUse,
                 QStringLiteral("%1: in use: %2 is a stale lock file of another user (process %3 no longer runs); "
                                "that user or the administrator must remove it")
                     .arg(name, lockFile)
                     .arg(lock.pid));
        return false;
    }
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError:
            fail(FailureKind::PortMissing, QCoreApplication::translate("vx::QtSerialPortAdapter", "%1: no such device").arg(name));
            break;
        case QSerialPort::PermissionError:
            if (QFileInfo::exists(name) && !QFileInfo(name).isWritable())
                fail(FailureKind::PortDenied,
                     QCoreApplication::translate("vx::QtSerialPortAdapter", "%1: permission denied (add the user to the dialout group)").arg(name));
            else
                fail(FailureKind::PortInUse, inUse(name, holderOf(readLockFile(lockFile))));
            break;
        default:
            fail(FailureKind::PortIo, QStringLiteral("%1: %2").arg(name, m_port.errorString()));
            break;
        }
        m_port.clearError();
        return false;
    }
#ifdef Q_OS_UNIX
    // Other serial programs (picocom, for one) lock the open device itself.
    if (::flock(m_port.handle(), LOCK_EX | LOCK_NB) != 0) {
        const QString holder = flockHolder(m_port.handle());
        m_port.close();
        fail(FailureKind::PortInUse, inUse(name, holder));
        return false;
    }
#endif
    if (!applySettings(m_port, m_settings)) {
        fail(FailureKind::PortSettings,
             QCoreApplication::translate("vx::QtSerialPortAdapter", "%1: cannot set %2: %3").arg(name, m_settings.toString(), m_port.errorString()));
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
    fail(FailureKind::PortClosed, QCoreApplication::translate("vx::QtSerialPortAdapter", "%1: the port was closed").arg(portName()));
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
        fail(FailureKind::PortClosed, QCoreApplication::translate("vx::QtSerialPortAdapter", "%1: the port is not open").arg(portName()));
        return false;
    }
    if (m_port.write(bytes) != bytes.size()) {
        fail(FailureKind::PortIo, QCoreApplication::translate("vx::QtSerialPortAdapter", "%1: write failed: %2").arg(portName(), m_port.errorString()));
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
        fail(FailureKind::PortIo, QCoreApplication::translate("vx::QtSerialPortAdapter", "%1: the device went away").arg(portName()));
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

#include "terminal/SystemSerialPort.h"

std::unique_ptr<vx::SerialPort> vx::makeSystemSerialPort() { return std::make_unique<QtSerialPortAdapter>(); }
