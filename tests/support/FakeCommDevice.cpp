#include "tests/support/FakeCommDevice.h"

#include <algorithm>
#include <cstring>

namespace testserial {

namespace {
constexpr ULONG_PTR kPending = 0x103;  // STATUS_PENDING
// A transfer cut short by its time-out: a success status, fewer bytes.
constexpr ULONG_PTR kTimeout = 0x102;  // STATUS_TIMEOUT
}  // namespace

TFakeCommDevice::~TFakeCommDevice() {
    {
        std::lock_guard guard(lock_);
        ++write_.generation;
        writeEnded_.notify_all();
    }
    for (std::thread& timer : writeTimers_) timer.join();
    for (HANDLE h : open_) ::CloseHandle(h);
}

void TFakeCommDevice::Receive(const std::string& bytes) {
    std::lock_guard guard(lock_);
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    FillPendingRead();
}

void TFakeCommDevice::FillPendingRead() {
    if (!read_.ov || input_.size() < read_.count) return;
    std::copy_n(input_.begin(), read_.count, read_.buffer);
    input_.erase(input_.begin(), input_.begin() + read_.count);
    Complete(read_.ov, 0, read_.count);
    read_ = {};
}

void TFakeCommDevice::AbortPendingRead() {
    if (!read_.ov) return;
    Complete(read_.ov, ERROR_OPERATION_ABORTED, 0);
    read_ = {};
}

void TFakeCommDevice::EndPendingWrite(DWORD status) {
    if (!write_.ov) return;
    Complete(write_.ov, status, write_.taken);
    write_.ov = nullptr;
    ++write_.generation;
    writeEnded_.notify_all();
}

void TFakeCommDevice::ExpireWrite(DWORD timeoutMs, unsigned generation) {
    std::unique_lock lock(lock_);
    const bool ended = writeEnded_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                            [&] { return write_.generation != generation; });
    if (!ended) EndPendingWrite(kTimeout);
}

void TFakeCommDevice::SetModemStatus(DWORD status) {
    std::lock_guard guard(lock_);
    modemStatus_ = status;
}

void TFakeCommDevice::SetLineErrors(DWORD errors) {
    std::lock_guard guard(lock_);
    lineErrors_ = errors;
}

void TFakeCommDevice::SetHoldFlags(DWORD flags) {
    std::lock_guard guard(lock_);
    holdFlags_ = flags;
}

void TFakeCommDevice::RaiseEvents(DWORD mask) {
    std::lock_guard guard(lock_);
    raised_ |= mask;
    if (waitOv_ && (raised_ & eventMask_)) {
        const DWORD delivered = raised_ & eventMask_;
        raised_ &= ~delivered;
        CompleteWait(delivered, 0);
    }
}

void TFakeCommDevice::Remove() {
    std::lock_guard guard(lock_);
    removed_ = true;
    if (waitOv_) CompleteWait(0, ERROR_OPERATION_ABORTED);
}

std::vector<std::string> TFakeCommDevice::Calls() const {
    std::lock_guard guard(lock_);
    return calls_;
}

void TFakeCommDevice::ClearCalls() {
    std::lock_guard guard(lock_);
    calls_.clear();
}

DCB TFakeCommDevice::LastDcb() const {
    std::lock_guard guard(lock_);
    return dcb_;
}

COMMTIMEOUTS TFakeCommDevice::LastTimeouts() const {
    std::lock_guard guard(lock_);
    return timeouts_;
}

std::string TFakeCommDevice::Written() const {
    std::lock_guard guard(lock_);
    return written_;
}

std::vector<DWORD> TFakeCommDevice::Escapes() const {
    std::lock_guard guard(lock_);
    return escapes_;
}

DWORD TFakeCommDevice::EventMask() const {
    std::lock_guard guard(lock_);
    return eventMask_;
}

bool TFakeCommDevice::WaitPending() const {
    std::lock_guard guard(lock_);
    return waitOv_ != nullptr;
}

int TFakeCommDevice::OpenCount() const {
    std::lock_guard guard(lock_);
    return static_cast<int>(open_.size());
}

int TFakeCommDevice::WaitStarts() const {
    std::lock_guard guard(lock_);
    return waitStarts_;
}

int TFakeCommDevice::Count(const std::string& prefix) const {
    std::lock_guard guard(lock_);
    return static_cast<int>(
        std::count_if(calls_.begin(), calls_.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
}

bool TFakeCommDevice::ReadPending() const {
    std::lock_guard guard(lock_);
    return read_.ov != nullptr;
}

bool TFakeCommDevice::WritePending() const {
    std::lock_guard guard(lock_);
    return write_.ov != nullptr;
}

bool TFakeCommDevice::Fail(DWORD error) {
    ::SetLastError(error);
    return false;
}

bool TFakeCommDevice::Usable(HANDLE h, const char* call) {
    calls_.emplace_back(call);
    if (std::find(open_.begin(), open_.end(), h) == open_.end()) return Fail(ERROR_INVALID_HANDLE);
    if (removed_) return Fail(ERROR_BAD_COMMAND);
    return true;
}

void TFakeCommDevice::Complete(OVERLAPPED* ov, DWORD status, DWORD bytes) {
    ov->Internal = status;
    ov->InternalHigh = bytes;
    ::SetEvent(ov->hEvent);
}

void TFakeCommDevice::CompleteWait(DWORD mask, DWORD status) {
    *waitMask_ = mask;
    Complete(waitOv_, status, sizeof(DWORD));
    waitMask_ = nullptr;
    waitOv_ = nullptr;
}

HANDLE TFakeCommDevice::Create(const std::wstring& path) {
    std::lock_guard guard(lock_);
    calls_.push_back("Create " + std::string(path.begin(), path.end()));
    if (OpenError || Missing.count(path) || !open_.empty()) {
        ::SetLastError(OpenError ? OpenError : !open_.empty() ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // A real kernel object, so that handle values are unique and counted.
    HANDLE h = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    open_.push_back(h);
    removed_ = false;
    input_.clear();
    return h;
}

BOOL TFakeCommDevice::Close(HANDLE h) {
    std::lock_guard guard(lock_);
    calls_.emplace_back("Close");
    const auto found = std::find(open_.begin(), open_.end(), h);
    if (found == open_.end()) return Fail(ERROR_INVALID_HANDLE);
    open_.erase(found);
    ::CloseHandle(h);
    // Closing the device ends what is still pending on it.
    AbortPendingRead();
    EndPendingWrite(ERROR_OPERATION_ABORTED);
    if (waitOv_) CompleteWait(0, ERROR_OPERATION_ABORTED);
    return TRUE;
}

BOOL TFakeCommDevice::SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue) {
    std::lock_guard guard(lock_);
    if (!Usable(h, "SetupComm")) return FALSE;
    calls_.back().append(" ").append(std::to_string(inQueue)).append(" ").append(std::to_string(outQueue));
    return SetupCommError ? Fail(SetupCommError) : TRUE;
}

BOOL TFakeCommDevice::SetCommState(HANDLE h, DCB* dcb) {
    std::lock_guard guard(lock_);
    if (!Usable(h, "SetCommState")) return FALSE;
    if (SetStateError) return Fail(SetStateError);
    dcb_ = *dcb;
    return TRUE;
}

BOOL TFakeCommDevice::SetCommTimeouts(HANDLE h, COMMTIMEOUTS* timeouts) {
    std::lock_guard guard(lock_);
    if (!Usable(h, "SetCommTimeouts")) return FALSE;
    if (TimeoutsError) return Fail(TimeoutsError);
    timeouts_ = *timeouts;
    return TRUE;
}

BOOL TFakeCommDevice::PurgeComm(HANDLE h, DWORD flags) {
    std::lock_guard guard(lock_);
    if (!Usable(h, "PurgeComm")) return FALSE;
    calls_.back().append(" ").append(std::to_string(flags));
    if (PurgeError) return Fail(PurgeError);
    if (flags & PURGE_RXABORT) AbortPendingRead();
    if (flags & PURGE_TXABORT) EndPendingWrite(ERROR_OPERATION_ABORTED);
    if (flags & PURGE_RXCLEAR) input_.clear();
    return TRUE;
}

BOOL TFakeCommDevice::ClearCommError(HANDLE h, DWORD* errors, COMSTAT* stat) {
    std::lock_guard guard(lock_);
    if (!Usable(h, "ClearCommError")) return FALSE;
    if (errors) *errors = lineErrors_;
    lineErrors_ = 0;
    if (stat) {
        *stat = {};
        std::memcpy(stat, &holdFlags_, sizeof holdFlags_);
        stat->cbInQue = static_cast<DWORD>(input_.size());
        stat->cbOutQue = 0;
    }
    return TRUE;
}

BOOL TFakeCommDevice::GetCommModemStatus(HANDLE h, DWORD* status) {
    std::lock_guard guard(lock_);
    if (!Usable(h, "GetCommModemStatus")) return FALSE;
    if (ModemStatusError) return Fail(ModemStatusError);
    *status = modemStatus_;
    return TRUE;
}

BOOL TFakeCommDevice::EscapeCommFunction(HANDLE h, DWORD function) {
    std::lock_guard guard(lock_);
    if (!Usable(h, "EscapeCommFunction")) return FALSE;
    escapes_.push_back(function);
    return TRUE;
}

BOOL TFakeCommDevice::TransmitCommChar(HANDLE h, char ch) {
    std::lock_guard guard(lock_);
    if (!Usable(h, "TransmitCommChar")) return FALSE;
    written_ += ch;
    return TRUE;
}

BOOL TFakeCommDevice::SetCommMask(HANDLE h, DWORD mask) {
    std::lock_guard guard(lock_);
    if (!Usable(h, "SetCommMask")) return FALSE;
    calls_.back().append(" ").append(std::to_string(mask));
    eventMask_ = mask;
    // As the driver does: a new mask ends a pending wait with an empty mask.
    if (waitOv_) CompleteWait(0, 0);
    return TRUE;
}

BOOL TFakeCommDevice::WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov) {
    std::lock_guard guard(lock_);
    ++waitStarts_;
    if (std::find(open_.begin(), open_.end(), h) == open_.end()) return Fail(ERROR_INVALID_HANDLE);
    if (removed_) return Fail(ERROR_BAD_COMMAND);
    if (WaitError) return Fail(WaitError);
    if (waitOv_) return Fail(ERROR_INVALID_PARAMETER);
    const DWORD delivered = raised_ & eventMask_;
    if (delivered) {
        raised_ &= ~delivered;
        *mask = delivered;
        Complete(ov, 0, sizeof(DWORD));
        return TRUE;
    }
    ::ResetEvent(ov->hEvent);
    ov->Internal = kPending;
    waitMask_ = mask;
    waitOv_ = ov;
    return Fail(ERROR_IO_PENDING);
}

BOOL TFakeCommDevice::ReadFile(HANDLE h, void* buffer, DWORD count, DWORD* read, OVERLAPPED* ov) {
    std::lock_guard guard(lock_);
    if (!Usable(h, "ReadFile")) return FALSE;
    if (ReadError) return Fail(ReadError);
    if (read_.ov) return Fail(ERROR_INVALID_PARAMETER);  // one pending read is all this device keeps
    if (HoldReads && input_.size() < count) {
        ::ResetEvent(ov->hEvent);
        ov->Internal = kPending;
        read_ = {ov, static_cast<char*>(buffer), count};
        if (read) *read = 0;
        return Fail(ERROR_IO_PENDING);
    }
    const DWORD n = std::min<DWORD>(count, static_cast<DWORD>(input_.size()));
    std::copy_n(input_.begin(), n, static_cast<char*>(buffer));
    input_.erase(input_.begin(), input_.begin() + n);
    if (read) *read = n;
    Complete(ov, 0, n);
    return TRUE;
}

BOOL TFakeCommDevice::WriteFile(HANDLE h, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* ov) {
    std::lock_guard guard(lock_);
    if (!Usable(h, "WriteFile")) return FALSE;
    if (WriteError) return Fail(WriteError);
    if (write_.ov) return Fail(ERROR_INVALID_PARAMETER);  // one pending write is all this device keeps
    const DWORD taken = std::min(count, WriteRoom);
    written_.append(static_cast<const char*>(buffer), taken);
    if (taken == count) {
        if (written) *written = count;
        Complete(ov, 0, count);
        return TRUE;
    }
    ::ResetEvent(ov->hEvent);
    ov->Internal = kPending;
    write_.ov = ov;
    write_.taken = taken;
    const unsigned generation = write_.generation;
    const DWORD timeout = timeouts_.WriteTotalTimeoutMultiplier * count + timeouts_.WriteTotalTimeoutConstant;
    if (timeout != 0) writeTimers_.emplace_back([this, timeout, generation] { ExpireWrite(timeout, generation); });
    if (written) *written = 0;
    return Fail(ERROR_IO_PENDING);
}

BOOL TFakeCommDevice::GetOverlappedResult(HANDLE, OVERLAPPED* ov, DWORD* transferred, BOOL wait) {
    if (wait) ::WaitForSingleObject(ov->hEvent, INFINITE);
    std::lock_guard guard(lock_);
    if (ov->Internal == kPending) return Fail(ERROR_IO_INCOMPLETE);
    if (transferred) *transferred = static_cast<DWORD>(ov->InternalHigh);
    if (ov->Internal != 0 && ov->Internal != kTimeout) return Fail(static_cast<DWORD>(ov->Internal));
    return TRUE;
}

}  // namespace testserial
