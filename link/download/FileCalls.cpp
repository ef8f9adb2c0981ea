#include "FileCalls.h"

#include <unistd.h>

namespace vx {

ssize_t FileCalls::write(int fd, const void *bytes, size_t size) { return ::write(fd, bytes, size); }
int FileCalls::fsync(int fd) { return ::fsync(fd); }
int FileCalls::ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }

FileCalls &systemFileCalls()
{
    static FileCalls calls;
    return calls;
}

} // namespace vx
