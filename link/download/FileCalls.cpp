#include "download/FileCalls.h"

#include <algorithm>

#ifdef _WIN32
#include <cerrno>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vx {

#ifdef _WIN32
ssize_t FileCalls::write(int fd, const void *bytes, size_t size)
{
    return ::_write(fd, bytes, static_cast<unsigned>(std::min<size_t>(size, 1u << 30)));
}
int FileCalls::fsync(int fd) { return ::_commit(fd); }
int FileCalls::ftruncate(int fd, off_t length) { return (errno = ::_chsize_s(fd, length)) == 0 ? 0 : -1; }
#else
ssize_t FileCalls::write(int fd, const void *bytes, size_t size) { return ::write(fd, bytes, size); }
int FileCalls::fsync(int fd) { return ::fsync(fd); }
int FileCalls::ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
#endif

FileCalls &systemFileCalls()
{
    static FileCalls calls;
    return calls;
}

} // namespace vx
