// A download host that polls every 20 ms, kept as a yardstick: after every
// request it sleeps in fixed 20 ms steps and only then reads what has arrived.
// Usage: polled_host DEVICE   -> prints "<records> <seconds>"
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: polled_host DEVICE\n");
        return 2;
    }
    const int fd = open(argv[1], O_RDWR | O_NOCTTY);
    if (fd < 0) {
        std::perror(argv[1]);
        return 3;
    }
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B19200);
    cfsetospeed(&t, B19200);
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);

    const auto start = std::chrono::steady_clock::now();
    const char begin[] = {0x05, '0', '0', 'I'};
    if (write(fd, begin, sizeof begin) != sizeof begin)
        return 3;
    std::string buffer;
    long records = 0;
    int silent = 0;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        int waiting = 0;
        ioctl(fd, FIONREAD, &waiting);
        if (waiting <= 0) {
            if (++silent >= 100)
                break; // 2 s of silence: give up
            continue;
        }
        char chunk[4096];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0)
            break;
        buffer.append(chunk, static_cast<size_t>(n));
        if (buffer.size() >= 2 && buffer[buffer.size() - 2] == 0x03) {
            ++records;
            buffer.clear();
            const char ack = 0x06;
            if (write(fd, &ack, 1) != 1)
                break;
        } else if (buffer.find('\x04') != std::string::npos) {
            break;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%ld %.3f\n", records, seconds);
    close(fd);
    return 0;
}
