#include "terminal/WinSerialPort.h"

#include "terminal/SystemSerialPort.h"
#include "terminal/WinErrors.h"

#include <QCoreApplication>

#include <windows.h>

#include <algorithm>

namespace vx {

namespace {

constexpr qint64 kSliceMs = 20;       // the longest a wait goes without serving the program's events
constexpr unsigned long kLookMs = 1;  // the longest between two looks at the driver's queue
constexpr unsigned long kReleaseMs = 500; // the longest a closing port waits for its pending wait to end

HANDLE handleOf(void *handle) { return static_cast<HANDLE>(handle); }

bool applySettings(HANDLE port, const LineSettings &s)
{
    static constexpr BYTE parities[] = {NOPARITY, EVENPARITY, ODDPARITY, MARKPARITY, SPACEPARITY};
    static constexpr BYTE stops[] = {ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS};
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (s.dataBits < 5 || s.dataBits > 8 || s.speed <= 0 || !GetCommState(port, &dcb))
        return false;
    dcb.BaudRate = DWORD(s.speed);
    dcb.ByteSize = BYTE(s.dataBits);
    dcb.Parity = parities[static_cast<int>(s.parity)];
    dcb.fParity = s.parity != LineSettings::Parity::None;
    dcb.StopBits = stops[static_cast<int>(s.stopBits)];
    dcb.fBinary = TRUE;
    // No flow control of either kind; DTR and RTS up, as a terminal's cradle expects.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fNull = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fAbortOnError = FALSE;
    return SetCommState(port, &dcb) != 0;
}

} // namespace

std::unique_ptr<SerialPort> makeSystemSerialPort() { return std::make_unique<WinSerialPort>(); }

WinSerialPort::WinSerialPort()
{
    m_clock.start();
    // One manual-reset event for each kind of operation on the port.
    m_arrival = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_transfer = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_arrivalWait = new OVERLAPPED{};
}

WinSerialPort::~WinSerialPort()
{
    release();
    CloseHandle(handleOf(m_arrival));
    CloseHandle(handleOf(m_transfer));
    delete static_cast<OVERLAPPED *>(m_arrivalWait);
}

// The port's handle closed, a wait for arrivals still pending ended first:
// Windows may write into its OVERLAPPED until then.
void WinSerialPort::release()
{
    HANDLE port = handleOf(std::exchange(m_handle, nullptr));
    if (!port)
        return;
    // Closing the handle ends the wait (as CancelIo should, which Wine's
    // serial wait ignores); its OVERLAPPED is let go only once the wait has
    // ended, and left behind, never waited for without end, if it does not.
    CancelIo(port);
    CloseHandle(port);
    if (std::exchange(m_waiting, false)
        && WaitForSingleObject(handleOf(m_arrival), kReleaseMs) != WAIT_OBJECT_0) {
        m_arrival = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_arrivalWait = new OVERLAPPED{};
    }
}

// An overlapped transfer carried to its end: at once for a read (the
// timeouts make it take what is there), within the write timeouts for a
// write.
bool WinSerialPort::transfer(bool reading, void *buffer, unsigned long size, unsigned long &done)
{
    OVERLAPPED ov{};
    ov.hEvent = handleOf(m_transfer);
    ResetEvent(ov.hEvent);
    DWORD n = 0;
    const BOOL started = reading ? ReadFile(handleOf(m_handle), buffer, size, &n, &ov)
                                 : WriteFile(handleOf(m_handle), buffer, size, &n, &ov);
    if (!started && (GetLastError() != ERROR_IO_PENDING || !GetOverlappedResult(handleOf(m_handle), &ov, &n, TRUE)))
        return false;
    done = n;
    return true;
}

QString WinSerialPort::devicePath(const QString &name)
{
    const QString trimmed = name.trimmed();
    return trimmed.startsWith(QLatin1String("\\\\.\\")) ? trimmed : QStringLiteral("\\\\.\\") + trimmed;
}

void WinSerialPort::fail(FailureKind kind, const QString &detail) { m_failure = {kind, detail}; }

void WinSerialPort::lost(const QString &what)
{
    fail(FailureKind::PortIo, QStringLiteral("%1: %2").arg(m_name, what));
    release();
}

bool WinSerialPort::open()
{
    close();
    m_interrupted = false;
    m_received.clear();
    const std::wstring path = devicePath(m_name).toStdWString();
    // No sharing: Windows lets one program at a time have a COM port.
    HANDLE port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            fail(FailureKind::PortMissing, QCoreApplication::translate("vx::WinSerialPort", "%1: no such port").arg(m_name));
        else if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION)
            // Windows does not say which program holds a COM port.
            fail(FailureKind::PortInUse, QCoreApplication::translate("vx::WinSerialPort", "%1: in use by another program").arg(m_name));
        else
            fail(FailureKind::PortIo, QStringLiteral("%1: %2").arg(m_name, windowsErrorText(code)));
        return false;
    }
    if (GetFileType(port) != FILE_TYPE_CHAR) {
        CloseHandle(port);
        fail(FailureKind::PortMissing, QCoreApplication::translate("vx::WinSerialPort", "%1: not a serial port").arg(m_name));
        return false;
    }
    m_handle = port;
    if (!applySettings(port, m_settings)) {
        const DWORD code = GetLastError();
        release();
        fail(FailureKind::PortSettings,
             QCoreApplication::translate("vx::WinSerialPort", "%1: cannot set %2: %3").arg(m_name, m_settings.toString(), windowsErrorText(code)));
        return false;
    }
    SetupComm(port, 65536, 4096);
    // A read takes what the driver holds and returns at once; a wait for
    // bytes is a wait for the driver's word that one arrived (EV_RXCHAR).
    // A write may take its bytes' time on the line (up to 12 bits a byte at
    // the line's speed), and two seconds more.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutMultiplier = DWORD(12000 / std::max(m_settings.speed, 1) + 1);
    timeouts.WriteTotalTimeoutConstant = 2000;
    if (!SetCommTimeouts(port, &timeouts) || !SetCommMask(port, EV_RXCHAR)) {
        lost(windowsErrorText(GetLastError()));
        return false;
    }
    // Bytes the driver buffered before the port was ours belong to nobody's request.
    PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    m_failure = {};
    return true;
}

bool WinSerialPort::pull()
{
    if (!m_handle)
        return false;
    char buffer[4096];
    for (;;) {
        // Only what the driver holds is asked for: a read never waits.
        DWORD errors = 0, got = 0;
        COMSTAT status{};
        if (!ClearCommError(handleOf(m_handle), &errors, &status)) {
            lost(QCoreApplication::translate("vx::WinSerialPort", "the port went away (%1)").arg(windowsErrorText(GetLastError())));
            return false;
        }
        if (status.cbInQue == 0)
            return true;
        if (!transfer(true, buffer, std::min<DWORD>(status.cbInQue, sizeof buffer), got)) {
            lost(QCoreApplication::translate("vx::WinSerialPort", "the port went away (%1)").arg(windowsErrorText(GetLastError())));
            return false;
        }
        m_received.append(buffer, qsizetype(got));
    }
}

// Waits up to waitMs for the driver's word that a byte arrived; the wait
// stays pending across calls until it ends. False once the port has failed.
bool WinSerialPort::awaitArrival(unsigned long waitMs)
{
    auto *ov = static_cast<OVERLAPPED *>(m_arrivalWait);
    if (!m_waiting) {
        *ov = OVERLAPPED{};
        ov->hEvent = handleOf(m_arrival);
        ResetEvent(ov->hEvent);
        if (WaitCommEvent(handleOf(m_handle), reinterpret_cast<DWORD *>(&m_events), ov))
            return true;
        if (GetLastError() != ERROR_IO_PENDING) {
            lost(QCoreApplication::translate("vx::WinSerialPort", "the port went away (%1)").arg(windowsErrorText(GetLastError())));
            return false;
        }
        m_waiting = true;
        // A byte that came before the wait began raises no event.
        if (!pull() || !m_received.isEmpty())
            return m_handle != nullptr;
    }
    if (WaitForSingleObject(ov->hEvent, waitMs) != WAIT_OBJECT_0)
        return true;
    DWORD ignored = 0;
    if (GetOverlappedResult(handleOf(m_handle), ov, &ignored, FALSE)) {
        m_waiting = false;
        return true;
    }
    // An event raised before its wait is complete (Wine does so) leaves the
    // wait pending; one the system ended early is only asked again. A device
    // that went away fails the read that follows.
    switch (const DWORD code = GetLastError()) {
    case ERROR_IO_INCOMPLETE:
        ResetEvent(ov->hEvent);
        return true;
    case ERROR_OPERATION_ABORTED:
        m_waiting = false;
        return true;
    default:
        m_waiting = false;
        lost(QCoreApplication::translate("vx::WinSerialPort", "the port went away (%1)").arg(windowsErrorText(code)));
        return false;
    }
}

qint64 WinSerialPort::bytesAvailable()
{
    pull();
    return m_received.size();
}

QByteArray WinSerialPort::readAll()
{
    pull();
    return std::exchange(m_received, QByteArray());
}

bool WinSerialPort::write(const QByteArray &bytes)
{
    if (!m_handle) {
        fail(FailureKind::PortClosed, QCoreApplication::translate("vx::WinSerialPort", "%1: the port is not open").arg(m_name));
        return false;
    }
    DWORD written = 0;
    if (!transfer(false, const_cast<char *>(bytes.constData()), DWORD(bytes.size()), written)) {
        lost(QCoreApplication::translate("vx::WinSerialPort", "write failed: %1").arg(windowsErrorText(GetLastError())));
        return false;
    }
    if (written != DWORD(bytes.size())) {
        fail(FailureKind::PortIo, QCoreApplication::translate("vx::WinSerialPort", "%1: write failed: the line took %2 of %3 bytes in time")
                                      .arg(m_name).arg(written).arg(bytes.size()));
        return false;
    }
    return true;
}

bool WinSerialPort::waitForBytes(qint64 msecs)
{
    if (bytesAvailable() > 0)
        return true;
    const qint64 deadline = now() + std::max<qint64>(msecs, 0);
    while (m_handle && !m_interrupted) {
        QCoreApplication::processEvents();
        const qint64 left = deadline - now();
        if (!m_handle || m_interrupted || left <= 0)
            break;
        // Within a slice the driver's word wakes the wait at once; Wine's
        // comes late, so the driver's queue is also looked at every
        // millisecond.
        const qint64 sliceEnd = now() + std::min<qint64>(left, kSliceMs);
        do {
            if (!awaitArrival(kLookMs) || !pull())
                return false;
            if (!m_received.isEmpty())
                return true;
        } while (now() < sliceEnd && !m_interrupted);
    }
    return m_handle && bytesAvailable() > 0;
}

void WinSerialPort::close()
{
    if (!m_handle)
        return;
    // Let the last bytes leave before the port goes, unless the line took no
    // more of them (a jammed adapter would hold the flush for good).
    if (m_failure.kind != FailureKind::PortIo)
        FlushFileBuffers(handleOf(m_handle));
    release();
    m_received.clear();
    fail(FailureKind::PortClosed, QCoreApplication::translate("vx::WinSerialPort", "%1: the port was closed").arg(m_name));
}

} // namespace vx
