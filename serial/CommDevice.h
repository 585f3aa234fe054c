#pragma once
// The system calls the serial port makes on its device, behind one narrow
// interface: the kernel's implementation is what the program uses; tests put
// a scripted device in its place to produce what real hardware can do and
// Wine cannot. Every call follows the kernel's conventions exactly: a FALSE
// (or INVALID_HANDLE_VALUE) result leaves the reason in the thread's last
// error, overlapped calls complete through the OVERLAPPED's event.
#include <windows.h>

#include <memory>
#include <string>

namespace serial {

class TCommDevice {
public:
    virtual ~TCommDevice() = default;

    // CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr).
    virtual HANDLE Create(const std::wstring& path) = 0;
    virtual BOOL Close(HANDLE h) = 0;
    virtual BOOL SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue) = 0;
    virtual BOOL SetCommState(HANDLE h, DCB* dcb) = 0;
    virtual BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts) = 0;
    virtual BOOL PurgeComm(HANDLE h, DWORD flags) = 0;
    virtual BOOL ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) = 0;
    virtual BOOL GetCommModemStatus(HANDLE h, DWORD* status) = 0;
    virtual BOOL EscapeCommFunction(HANDLE h, DWORD function) = 0;
    virtual BOOL TransmitCommChar(HANDLE h, char ch) = 0;
    virtual BOOL SetCommMask(HANDLE h, DWORD mask) = 0;
    virtual BOOL WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov) = 0;
    virtual BOOL ReadFile(HANDLE h, void* buffer, DWORD count, DWORD* read, OVERLAPPED* ov) = 0;
    virtual BOOL WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* ov) = 0;
    virtual BOOL GetOverlappedResult(HANDLE h, OVERLAPPED* ov, DWORD* transferred, BOOL wait) = 0;
};

// The kernel32 implementation (one shared instance).
std::shared_ptr<TCommDevice> KernelCommDevice();

}  // namespace serial
