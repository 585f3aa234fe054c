#pragma once
// What the yardstick programs of the serial benchmarks share: a line of text on
// standard output, and the port opened the way the adapter check opens it.
#include <windows.h>

#include <string>

namespace yardstick {

inline void Print(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Opens COMn for overlapped I/O on the adapter check's line: 38400 8N1, DTR
// on, RTS off, NUL bytes dropped. Prints "err open N" and returns
// INVALID_HANDLE_VALUE when the port does not open; timeouts are the caller's.
inline HANDLE OpenAdapterLine(const wchar_t* name) {
    const std::wstring path = std::wstring(L"\\\\.\\") + name;
    HANDLE port = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        Print("err open " + std::to_string(::GetLastError()));
        return port;
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
    return port;
}

}  // namespace yardstick
