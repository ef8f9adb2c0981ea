#include "WinSerialPort.h"

#include "SystemSerialPort.h"
#include "WinErrors.h"

#include <QCoreApplication>

#include <windows.h>

#include <algorithm>

namespace vx {

namespace {

constexpr unsigned long kSliceMs = 20; // the longest a wait goes without serving the program's events

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

WinSerialPort::WinSerialPort() { m_clock.start(); }

WinSerialPort::~WinSerialPort()
{
    if (m_handle)
        CloseHandle(handleOf(m_handle));
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
    CloseHandle(handleOf(std::exchange(m_handle, nullptr)));
}

bool WinSerialPort::open()
{
    close();
    m_interrupted = false;
    m_received.clear();
    m_readWait = ~0ul;
    const std::wstring path = devicePath(m_name).toStdWString();
    // No sharing: Windows lets one program at a time have a COM port.
    HANDLE port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            fail(FailureKind::PortMissing, QStringLiteral("%1: no such device").arg(m_name));
        else if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION)
            // Windows does not say which program holds a COM port.
            fail(FailureKind::PortInUse, QStringLiteral("%1: in use by another program").arg(m_name));
        else
            fail(FailureKind::PortIo, QStringLiteral("%1: %2").arg(m_name, windowsErrorText(code)));
        return false;
    }
    if (GetFileType(port) != FILE_TYPE_CHAR) {
        CloseHandle(port);
        fail(FailureKind::PortMissing, QStringLiteral("%1: not a serial port").arg(m_name));
        return false;
    }
    m_handle = port;
    if (!applySettings(port, m_settings)) {
        const DWORD code = GetLastError();
        CloseHandle(handleOf(std::exchange(m_handle, nullptr)));
        fail(FailureKind::PortSettings,
             QStringLiteral("%1: cannot set %2: %3").arg(m_name, m_settings.toString(), windowsErrorText(code)));
        return false;
    }
    SetupComm(port, 65536, 4096);
    if (!setReadWait(0)) {
        lost(windowsErrorText(GetLastError()));
        return false;
    }
    // Bytes the driver buffered before the port was ours belong to nobody's request.
    PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    m_failure = {};
    return true;
}

// ReadFile returns at once with what the driver holds; when it holds
// nothing, it waits up to waitMs for the first byte (Win32's documented
// MAXDWORD, MAXDWORD, n case), or not at all for 0.
bool WinSerialPort::setReadWait(unsigned long waitMs)
{
    if (waitMs == m_readWait)
        return true;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = waitMs ? MAXDWORD : 0;
    timeouts.ReadTotalTimeoutConstant = waitMs;
    // A write may take its bytes' time on the line (up to 12 bits a byte at
    // the line's speed), and two seconds more.
    timeouts.WriteTotalTimeoutMultiplier = DWORD(12000 / std::max(m_settings.speed, 1) + 1);
    timeouts.WriteTotalTimeoutConstant = 2000;
    if (!SetCommTimeouts(handleOf(m_handle), &timeouts))
        return false;
    m_readWait = waitMs;
    return true;
}

bool WinSerialPort::pull(unsigned long waitMs)
{
    if (!m_handle)
        return false;
    char buffer[4096];
    for (;;) {
        if (!setReadWait(waitMs)) {
            lost(windowsErrorText(GetLastError()));
            return false;
        }
        DWORD got = 0;
        if (!ReadFile(handleOf(m_handle), buffer, sizeof buffer, &got, nullptr)) {
            lost(QStringLiteral("the device went away (%1)").arg(windowsErrorText(GetLastError())));
            return false;
        }
        m_received.append(buffer, qsizetype(got));
        if (got < sizeof buffer)
            return true;
        waitMs = 0;
    }
}

qint64 WinSerialPort::bytesAvailable()
{
    pull(0);
    return m_received.size();
}

QByteArray WinSerialPort::readAll()
{
    pull(0);
    return std::exchange(m_received, QByteArray());
}

bool WinSerialPort::write(const QByteArray &bytes)
{
    if (!m_handle) {
        fail(FailureKind::PortClosed, QStringLiteral("%1: the port is not open").arg(m_name));
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(handleOf(m_handle), bytes.constData(), DWORD(bytes.size()), &written, nullptr)) {
        lost(QStringLiteral("write failed: %1").arg(windowsErrorText(GetLastError())));
        return false;
    }
    if (written != DWORD(bytes.size())) {
        fail(FailureKind::PortIo, QStringLiteral("%1: write failed: the line took %2 of %3 bytes in time")
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
        if (!pull(static_cast<unsigned long>(std::min<qint64>(left, kSliceMs))))
            break;
        if (!m_received.isEmpty())
            return true;
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
    CloseHandle(handleOf(std::exchange(m_handle, nullptr)));
    m_received.clear();
    fail(FailureKind::PortClosed, QStringLiteral("%1: the port was closed").arg(m_name));
}

} // namespace vx
