// serial_idle_peer: the yardstick of the idle cost with the port open, the
// least a Win32 program does to wait for line events: it opens the port as
// the adapter check does and waits in WaitCommEvent, starting the next wait
// whenever one ends, until it is ended.
//   serial_idle_peer COMn MASK   (MASK: the event mask, e.g. 1535 for all ten)
// Prints "ready" once the first wait is pending.
#include <windows.h>

#include "bench/support/YardstickLine.h"

#include <cstdlib>
#include <string>

using yardstick::Print;

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        Print("usage: serial_idle_peer COMn MASK");
        return 2;
    }
    HANDLE port = yardstick::OpenAdapterLine(argv[1]);
    if (port == INVALID_HANDLE_VALUE) return 1;
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 100, 1000};
    ::SetCommTimeouts(port, &timeouts);
    ::SetCommMask(port, static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    OVERLAPPED ov{};
    ov.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool first = true;
    for (;;) {
        DWORD mask = 0;
        ov = OVERLAPPED{0, 0, {}, ov.hEvent};
        if (!::WaitCommEvent(port, &mask, &ov) && ::GetLastError() != ERROR_IO_PENDING) {
            Print("err wait " + std::to_string(::GetLastError()));
            return 1;
        }
        if (first) Print("ready");
        first = false;
        DWORD unused = 0;
        if (!::GetOverlappedResult(port, &ov, &unused, TRUE)) ::Sleep(100);  // a failed wait: no spinning
        DWORD errors = 0;
        COMSTAT stat{};
        ::ClearCommError(port, &errors, &stat);
        if (stat.cbInQue > 0) ::PurgeComm(port, PURGE_RXCLEAR);
    }
}
