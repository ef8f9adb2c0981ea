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
        CancelIo(m_pipe);
        CloseHandle(m_pipe);
        CloseHandle(m_event);
    }

private:
    PipeListener(HANDLE pipe, HANDLE event) : m_pipe(pipe), m_event(event)
    {
        auto *notifier = new QWinEventNotifier(event, this);
        connect(notifier, &QWinEventNotifier::activated, this, [this] {
            DisconnectNamedPipe(m_pipe);
            answerRaiseRequest(this);
            await();
        });
        await();
    }
    void await()
    {
        ResetEvent(m_event);
        m_overlapped = {};
        m_overlapped.hEvent = m_event;
        if (!ConnectNamedPipe(m_pipe, &m_overlapped) && GetLastError() == ERROR_PIPE_CONNECTED)
            SetEvent(m_event); // a second copy came between two waits
    }

    HANDLE m_pipe;
    HANDLE m_event;
    OVERLAPPED m_overlapped{};
};

} // namespace

std::unique_ptr<QObject> listenForRaiseRequests(const QString &name) { return PipeListener::listen(name); }

void askToComeToFront(const QString &name)
{
    HANDLE pipe = CreateFileW(pipeName(name).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE)
        CloseHandle(pipe);
}
