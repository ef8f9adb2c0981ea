#include "RaiseRequests.h"

#include <QCryptographicHash>
#include <QWinEventNotifier>

#include <windows.h>

namespace {

// A pipe of the user's own session, named after the instance lock.
std::wstring pipeName(const QString &name)
{
    const QByteArray key = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return (QStringLiteral("\\\\.\\pipe\\vx500-monitor-") + QString::fromLatin1(key)).toStdWString();
}

class PipeListener : public QObject
{
public:
    static std::unique_ptr<QObject> listen(const QString &name)
    {
        // The first instance only: a pipe of that name that another program
        // made first is not ours to answer on.
        HANDLE pipe = CreateNamedPipeW(pipeName(name).c_str(),
                                       PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                       PIPE_TYPE_BYTE | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 0, 0, nullptr);
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (pipe == INVALID_HANDLE_VALUE || !event) {
            qWarning("vx500-monitor: no pipe for requests (error %lu); a second copy cannot bring this window to the "
                     "front",
                     GetLastError());
            if (pipe != INVALID_HANDLE_VALUE)
                CloseHandle(pipe);
            if (event)
                CloseHandle(event);
            return nullptr;
        }
        return std::unique_ptr<QObject>(new PipeListener(pipe, event));
    }
    ~PipeListener() override
    {
        delete m_notifier; // it waits on the event: first
        if (CancelIoEx(m_pipe, &m_overlapped) || GetLastError() != ERROR_NOT_FOUND) {
            DWORD ignored = 0;
            GetOverlappedResult(m_pipe, &m_overlapped, &ignored, TRUE);
        }
        CloseHandle(m_pipe);
        CloseHandle(m_event);
    }

private:
    PipeListener(HANDLE pipe, HANDLE event) : m_pipe(pipe), m_event(event)
    {
        m_notifier = new QWinEventNotifier(event, this);
        connect(m_notifier, &QWinEventNotifier::activated, this, [this] {
            // Listen again first, so that a third start meanwhile is not
            // turned away as busy; then come to the front.
            DisconnectNamedPipe(m_pipe);
            await();
            answerRaiseRequest(this);
        });
        await();
    }
    void await()
    {
        ResetEvent(m_event);
        m_overlapped = {};
        m_overlapped.hEvent = m_event;
        if (ConnectNamedPipe(m_pipe, &m_overlapped))
            return;
        switch (GetLastError()) {
        case ERROR_IO_PENDING:
            return;
        case ERROR_PIPE_CONNECTED: // a second copy came between two waits
        case ERROR_NO_DATA:        // ... and has gone again: a request all the same
            SetEvent(m_event);
            return;
        default:
            qWarning("vx500-monitor: the pipe for requests failed (error %lu); a second copy cannot bring this "
                     "window to the front",
                     GetLastError());
        }
    }

    HANDLE m_pipe;
    HANDLE m_event;
    QWinEventNotifier *m_notifier = nullptr;
    OVERLAPPED m_overlapped{};
};

} // namespace

std::unique_ptr<QObject> listenForRaiseRequests(const QString &name) { return PipeListener::listen(name); }

void askToComeToFront(const QString &name)
{
    // The one instance of the pipe may be busy with another request: wait
    // a second for it, once.
    const std::wstring path = pipeName(name);
    for (int attempt = 0; attempt < 2; ++attempt) {
        HANDLE pipe = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            CloseHandle(pipe);
            return;
        }
        if (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeW(path.c_str(), 1000))
            return;
    }
}
