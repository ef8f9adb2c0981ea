// The least a Windows program can do to fetch the records: it sleeps in
// WaitCommEvent until a byte arrives, reads what the driver holds, and ACKs
// the moment a frame's check byte is there. What it takes under Wine is the
// floor Wine's serial port sets for vx500ctl.exe.
// Usage: win32_reader COMn   -> prints "<records> <seconds>"
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: win32_reader COMn\n");
        return 2;
    }
    const std::string path = std::string("\\\\.\\") + argv[1];
    HANDLE port = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "%s: cannot open (error %lu)\n", argv[1], GetLastError());
        return 3;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.BaudRate = 19200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fOutX = dcb.fInX = FALSE;
    SetCommState(port, &dcb);
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 2000}; // a read takes what is there and returns
    SetCommTimeouts(port, &timeouts);
    SetCommMask(port, EV_RXCHAR);
    PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);

    const auto start = std::chrono::steady_clock::now();
    DWORD done = 0;
    const char begin[] = {0x05, '0', '0', 'I'}, ack = 0x06;
    if (!WriteFile(port, begin, sizeof begin, &done, nullptr))
        return 3;
    long records = 0;
    bool checkByteNext = false;
    for (bool end = false; !end;) {
        char chunk[4096];
        DWORD got = 0, events = 0;
        if (!ReadFile(port, chunk, sizeof chunk, &got, nullptr))
            break;
        if (got == 0) {
            if (!WaitCommEvent(port, &events, nullptr))
                break;
            continue;
        }
        for (DWORD i = 0; i < got && !end; ++i) {
            if (checkByteNext) {
                checkByteNext = false;
                ++records;
                end = !WriteFile(port, &ack, 1, &done, nullptr);
            } else if (chunk[i] == 0x03) {
                checkByteNext = true;
            } else if (chunk[i] == 0x04) {
                end = true;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%ld %.3f\n", records, seconds);
    CloseHandle(port);
    return records > 0 ? 0 : 1;
}
