#include "RaiseRequests.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool socketAddress(const QByteArray &path, sockaddr_un &address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

// The running copy's side: every connection to the socket is a request to
// come to the front and carries nothing else, so it is closed unread. The
// window it brings to the front is its parent (none while the gate is
// open), then the box or dialog open over it.
class RaiseRequests : public QObject
{
public:
    // Listens on path, which only the holder of the instance lock may do:
    // a socket left by a copy that died is replaced, anything else stays.
    static std::unique_ptr<QObject> listen(const QString &path)
    {
        const QByteArray name = QFile::encodeName(path);
        sockaddr_un address;
        struct stat left {};
        if (!socketAddress(name, address)) {
            qWarning("vx500-monitor: %s: path too long for a socket; a second copy cannot bring this window to the front",
                     name.constData());
            return nullptr;
        }
        if (::lstat(name.constData(), &left) == 0 && S_ISSOCK(left.st_mode))
            ::unlink(name.constData());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
            || ::listen(fd, 4) != 0) {
            qWarning("vx500-monitor: %s: %s; a second copy cannot bring this window to the front", name.constData(),
                     std::strerror(errno));
            if (fd >= 0)
                ::close(fd);
            return nullptr;
        }
        return std::unique_ptr<QObject>(new RaiseRequests(fd, name));
    }
    ~RaiseRequests() override
    {
        ::close(m_fd);
        ::unlink(m_path.constData());
    }

private:
    RaiseRequests(int fd, const QByteArray &path) : m_fd(fd), m_path(path)
    {
        auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &RaiseRequests::answer);
    }
    void answer()
    {
        bool asked = false;
        for (int peer; (peer = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0; asked = true)
            ::close(peer);
        if (!asked)
            return;
        answerRaiseRequest(this);
    }

    int m_fd;
    QByteArray m_path;
};

} // namespace

std::unique_ptr<QObject> listenForRaiseRequests(const QString &name) { return RaiseRequests::listen(name); }

void askToComeToFront(const QString &path)
{
    sockaddr_un address;
    if (!socketAddress(QFile::encodeName(path), address))
        return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    [[maybe_unused]] const int connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    ::close(fd);
}

