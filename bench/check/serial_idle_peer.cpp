// serial_idle_peer: the yardstick of the idle cost with the port open, the
// least a Win32 program does to wait for line events: it opens the port as
// the adapter check does and waits in WaitCommEvent, starting the next wait
// whenever one ends, until it is ended.
//   serial_idle_peer COMn MASK   (MASK: the event mask, e.g. 1535 for all ten)
// Prints "ready" once the first wait is pending.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

void Print(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        Print("usage: serial_idle_peer COMn MASK");
        return 2;
    }
    const std::wstring path = std::wstring(L"\\\\.\\") + argv[1];
    HANDLE port = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        Print("err open " + std::to_string(::GetLastError()));
        return 1;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 38400;
    dcb.fBinary = TRUE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fNull = TRUE;
    dcb.XonLim = dcb.XoffLim = 256;
    dcb.ByteSize = 8;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    ::SetupComm(port, 1024, 1024);
    ::SetCommState(port, &dcb);
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
