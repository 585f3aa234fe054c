#pragma once
// A serial device that exists only in the test: it opens any port name but
// those listed as missing, accepts every setting and counts how often each
// group of settings reached it. Ports using it are opened with no events, so
// no event thread waits on it.
#include <windows.h>

#include <memory>
#include <set>
#include <string>

#include "serial/CommDevice.h"

namespace testsupport {

class FakeCommDevice final : public serial::TCommDevice {
public:
    std::set<std::wstring> missing;  // device paths that do not exist, e.g. \\.\COM9
    int creates = 0, setupComms = 0, setCommStates = 0, setTimeouts = 0;
    DCB lastDcb{};
    COMMTIMEOUTS lastTimeouts{};
    DWORD lastInQueue = 0, lastOutQueue = 0;

    void ResetCounts() { creates = setupComms = setCommStates = setTimeouts = 0; }

    HANDLE Create(const std::wstring& path) override {
        ++creates;
        if (missing.count(path)) {
            ::SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        // A real handle, so that closing it behaves as closing a device does.
        return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    BOOL Close(HANDLE h) override { return ::CloseHandle(h); }
    BOOL SetupComm(HANDLE, DWORD in, DWORD out) override {
        ++setupComms;
        lastInQueue = in;
        lastOutQueue = out;
        return TRUE;
    }
    BOOL SetCommState(HANDLE, DCB* dcb) override {
        ++setCommStates;
        lastDcb = *dcb;
        return TRUE;
    }
    BOOL SetCommTimeouts(HANDLE, COMMTIMEOUTS* t) override {
        ++setTimeouts;
        lastTimeouts = *t;
        return TRUE;
    }
    BOOL PurgeComm(HANDLE, DWORD) override { return TRUE; }
    BOOL ClearCommError(HANDLE, DWORD* errors, COMSTAT* stat) override {
        if (errors) *errors = 0;
        if (stat) *stat = COMSTAT{};
        return TRUE;
    }
    BOOL GetCommModemStatus(HANDLE, DWORD* status) override {
        *status = 0;
        return TRUE;
    }
    BOOL EscapeCommFunction(HANDLE, DWORD) override { return TRUE; }
    BOOL TransmitCommChar(HANDLE, char) override { return TRUE; }
    BOOL SetCommMask(HANDLE, DWORD) override { return TRUE; }
    BOOL WaitCommEvent(HANDLE, DWORD*, OVERLAPPED*) override { return Unsupported(); }
    BOOL ReadFile(HANDLE, void*, DWORD, DWORD*, OVERLAPPED*) override { return Unsupported(); }
    BOOL WriteFile(HANDLE, const void*, DWORD, DWORD*, OVERLAPPED*) override { return Unsupported(); }
    BOOL GetOverlappedResult(HANDLE, OVERLAPPED*, DWORD*, BOOL) override { return Unsupported(); }

private:
    static BOOL Unsupported() {
        ::SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
};

}  // namespace testsupport
