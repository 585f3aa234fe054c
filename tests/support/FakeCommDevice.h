#pragma once
// A scripted serial device for the port's tests: it answers like a driver
// would, including what Wine's serial driver never does (access denied,
// refused settings, a failing purge, a removed device, line errors and hold
// flags, the RXFLAG and RX80FULL events, reads and writes that stay pending),
// and records every call. Like a real port it opens once at a time.
#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "serial/CommDevice.h"

namespace testserial {

class TFakeCommDevice final : public serial::TCommDevice {
public:
    TFakeCommDevice() = default;
    ~TFakeCommDevice() override;

    // Script: a non-zero error makes the call fail with it.
    DWORD OpenError = 0;
    DWORD SetupCommError = 0;
    DWORD SetStateError = 0;
    DWORD TimeoutsError = 0;
    DWORD PurgeError = 0;
    DWORD WriteError = 0;
    DWORD ReadError = 0;
    DWORD ModemStatusError = 0;
    DWORD WaitError = 0;  // WaitCommEvent fails to start
    // Device paths that do not exist (e.g. \\.\COM9): opening them fails with 2.
    std::set<std::wstring> Missing;
    // A read asks for more than is waiting: it stays pending until enough
    // bytes arrive or it is aborted (purge, close), as with read timeouts
    // that wait. Off: it completes at once with what is waiting.
    bool HoldReads = false;
    // Bytes the line takes before a write stalls; the rest of the write
    // waits for the write time-out of the last SetCommTimeouts (then it
    // completes with the bytes taken, no error) or is aborted.
    DWORD WriteRoom = MAXDWORD;

    // The line: bytes arriving, modem lines, line errors, hold flags.
    void Receive(const std::string& bytes);
    void SetModemStatus(DWORD status);
    void SetLineErrors(DWORD errors);
    void SetHoldFlags(DWORD flags);
    // Raises events: completes a pending wait with those in the event mask,
    // or keeps them for the next wait.
    void RaiseEvents(DWORD mask);
    // The device goes away: calls on it fail with ERROR_BAD_COMMAND, a
    // pending wait ends with ERROR_OPERATION_ABORTED.
    void Remove();

    // Record.
    std::vector<std::string> Calls() const;
    void ClearCalls();
    DCB LastDcb() const;
    COMMTIMEOUTS LastTimeouts() const;
    std::string Written() const;
    std::vector<DWORD> Escapes() const;
    DWORD EventMask() const;
    bool WaitPending() const;
    int OpenCount() const;
    // WaitCommEvent calls, failed ones included.
    int WaitStarts() const;
    // Calls recorded whose text starts with prefix.
    int Count(const std::string& prefix) const;
    bool ReadPending() const;
    bool WritePending() const;

    HANDLE Create(const std::wstring& path) override;
    BOOL Close(HANDLE h) override;
    BOOL SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue) override;
    BOOL SetCommState(HANDLE h, DCB* dcb) override;
    BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts) override;
    BOOL PurgeComm(HANDLE h, DWORD flags) override;
    BOOL ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) override;
    BOOL GetCommModemStatus(HANDLE h, DWORD* status) override;
    BOOL EscapeCommFunction(HANDLE h, DWORD function) override;
    BOOL TransmitCommChar(HANDLE h, char ch) override;
    BOOL SetCommMask(HANDLE h, DWORD mask) override;
    BOOL WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov) override;
    BOOL ReadFile(HANDLE h, void* buffer, DWORD count, DWORD* read, OVERLAPPED* ov) override;
    BOOL WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* ov) override;
    BOOL GetOverlappedResult(HANDLE h, OVERLAPPED* ov, DWORD* transferred, BOOL wait) override;

private:
    // Fails the call (last error set) when the handle is not ours or the
    // device is gone. Called with the lock held.
    bool Usable(HANDLE h, const char* call);
    bool Fail(DWORD error);
    void Complete(OVERLAPPED* ov, DWORD status, DWORD bytes);
    void CompleteWait(DWORD mask, DWORD status);
    // Completes the pending read when its bytes are there.
    void FillPendingRead();
    void AbortPendingRead();
    void EndPendingWrite(DWORD status);
    // The pending write's time-out (on its own thread).
    void ExpireWrite(DWORD timeoutMs, unsigned generation);

    mutable std::mutex lock_;
    std::vector<HANDLE> open_;
    bool removed_ = false;
    std::deque<char> input_;
    DWORD modemStatus_ = 0;
    DWORD lineErrors_ = 0;
    DWORD holdFlags_ = 0;
    DWORD eventMask_ = 0;
    DWORD raised_ = 0;
    DWORD* waitMask_ = nullptr;
    OVERLAPPED* waitOv_ = nullptr;
    int waitStarts_ = 0;
    std::vector<std::string> calls_;
    DCB dcb_{};
    COMMTIMEOUTS timeouts_{};
    std::string written_;
    std::vector<DWORD> escapes_;
    struct PendingRead {
        OVERLAPPED* ov = nullptr;
        char* buffer = nullptr;
        DWORD count = 0;
    } read_;
    struct PendingWrite {
        OVERLAPPED* ov = nullptr;
        DWORD taken = 0;
        unsigned generation = 0;
    } write_;
    std::condition_variable writeEnded_;
    std::vector<std::thread> writeTimers_;  // joined by the destructor
};

}  // namespace testserial
