#include "serial/CommDevice.h"

namespace serial {

namespace {

class TKernelCommDevice final : public TCommDevice {
public:
    HANDLE Create(const std::wstring& path) override {
        return ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
    }
    BOOL Close(HANDLE h) override { return ::CloseHandle(h); }
    BOOL SetupComm(HANDLE h, DWORD in, DWORD out) override { return ::SetupComm(h, in, out); }
    BOOL SetCommState(HANDLE h, DCB* dcb) override { return ::SetCommState(h, dcb); }
    BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS* t) override { return ::SetCommTimeouts(h, t); }
    BOOL PurgeComm(HANDLE h, DWORD flags) override { return ::PurgeComm(h, flags); }
    BOOL ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) override { return ::ClearCommError(h, errors, stat); }
    BOOL GetCommModemStatus(HANDLE h, DWORD* status) override { return ::GetCommModemStatus(h, status); }
    BOOL EscapeCommFunction(HANDLE h, DWORD function) override { return ::EscapeCommFunction(h, function); }
    BOOL TransmitCommChar(HANDLE h, char ch) override { return ::TransmitCommChar(h, ch); }
    BOOL SetCommMask(HANDLE h, DWORD mask) override { return ::SetCommMask(h, mask); }
    BOOL WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov) override { return ::WaitCommEvent(h, mask, ov); }
    BOOL ReadFile(HANDLE h, void* buffer, DWORD count, DWORD* read, OVERLAPPED* ov) override {
        return ::ReadFile(h, buffer, count, read, ov);
    }
    BOOL WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* ov) override {
        return ::WriteFile(h, buffer, count, written, ov);
    }
    BOOL GetOverlappedResult(HANDLE h, OVERLAPPED* ov, DWORD* transferred, BOOL wait) override {
        return ::GetOverlappedResult(h, ov, transferred, wait);
    }
};

}  // namespace

std::shared_ptr<TCommDevice> KernelCommDevice() {
    static const std::shared_ptr<TCommDevice> device = std::make_shared<TKernelCommDevice>();
    return device;
}

}  // namespace serial
