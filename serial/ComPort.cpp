#include "serial/ComPort.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <mutex>
#include <utility>

#include "framework/Application.h"
#include "serial/ComThread.h"

namespace serial {

// The line-settings and timeouts records are the system's own, bit for bit.
static_assert(sizeof(DCB) == sizeof(TLineSettingsRecord));
static_assert(offsetof(DCB, BaudRate) == offsetof(TLineSettingsRecord, BaudRate));
static_assert(offsetof(DCB, XonLim) == offsetof(TLineSettingsRecord, XonLim));
static_assert(offsetof(DCB, XoffLim) == offsetof(TLineSettingsRecord, XoffLim));
static_assert(offsetof(DCB, ByteSize) == offsetof(TLineSettingsRecord, ByteSize));
static_assert(offsetof(DCB, Parity) == offsetof(TLineSettingsRecord, Parity));
static_assert(offsetof(DCB, StopBits) == offsetof(TLineSettingsRecord, StopBits));
static_assert(offsetof(DCB, XonChar) == offsetof(TLineSettingsRecord, XonChar));
static_assert(offsetof(DCB, XoffChar) == offsetof(TLineSettingsRecord, XoffChar));
static_assert(offsetof(DCB, ErrorChar) == offsetof(TLineSettingsRecord, ErrorChar));
static_assert(offsetof(DCB, EofChar) == offsetof(TLineSettingsRecord, EofChar));
static_assert(offsetof(DCB, EvtChar) == offsetof(TLineSettingsRecord, EvtChar));
static_assert(offsetof(DCB, wReserved1) == offsetof(TLineSettingsRecord, Reserved1));
static_assert(sizeof(COMMTIMEOUTS) == sizeof(TTimeoutsRecord));

namespace {

constexpr wchar_t kPortWindowClass[] = L"TComPortWindow";

std::wstring SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result(text ? text : L"", text ? length : 0);
    if (text) ::LocalFree(text);
    while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n' || result.back() == L' '))
        result.pop_back();
    return result;
}

void ResetOverlapped(TAsync& async) noexcept {
    const HANDLE event = async.Overlapped.hEvent;
    async.Overlapped = {};
    async.Overlapped.hEvent = event;
}

}  // namespace

// ---- EComPort

EComPort::EComPort(int code, std::int32_t winCode) : EComPort(code, winCode, ComErrorMessage(code, winCode)) {}

EComPort::EComPort(int code, std::int32_t winCode, std::wstring message)
    : fw::Exception(std::move(message)), FWinCode(winCode), FCode(code) {}

EComPort EComPort::NoWinCode(int code) { return EComPort(code, -1, std::wstring(ComErrorText(code))); }

// ---- TAsync

void NewAsync(PAsync& asyncPtr) {
    auto async = std::make_unique<TAsync>();
    async->Overlapped.hEvent = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (!async->Overlapped.hEvent) throw fw::EOSError(L"Cannot create an event", ::GetLastError());
    asyncPtr = async.release();
}

void FreeAsync(PAsync& asyncPtr) noexcept {
    if (!asyncPtr) return;
    if (asyncPtr->Overlapped.hEvent) ::CloseHandle(asyncPtr->Overlapped.hEvent);
    delete asyncPtr;
    asyncPtr = nullptr;
}

// The record of one synchronous read or write: taken from the port's spares
// (or made) for the operation, handed back when it ends.
class TSyncAsync {
public:
    explicit TSyncAsync(TCustomComPort& port) : port_(port) {
        {
            std::lock_guard guard(port_.FSyncRecordsLock);
            if (!port_.FSyncRecords.empty()) {
                record_ = std::move(port_.FSyncRecords.back());
                port_.FSyncRecords.pop_back();
            }
        }
        if (!record_) {
            PAsync made = nullptr;
            NewAsync(made);
            record_.reset(made);
        }
        ptr_ = record_.get();
    }
    TSyncAsync(const TSyncAsync&) = delete;
    TSyncAsync& operator=(const TSyncAsync&) = delete;
    ~TSyncAsync() {
        // An operation left running by a throwing link handler still owns
        // the OVERLAPPED: let it end before the record is reused.
        if (record_->Started) {
            DWORD unused = 0;
            port_.Device().GetOverlappedResult(port_.FHandle, &record_->Overlapped, &unused, TRUE);
            record_->Started = false;
        }
        record_->Data.reset();
        try {
            std::lock_guard guard(port_.FSyncRecordsLock);
            port_.FSyncRecords.push_back(std::move(record_));
        } catch (...) {
            // No room to keep it: the record is freed instead.
        }
    }
    PAsync& get() noexcept { return ptr_; }

private:
    TCustomComPort& port_;
    std::unique_ptr<TAsync, TCustomComPort::TAsyncDelete> record_;
    PAsync ptr_ = nullptr;
};

// ---- Settings sub-objects

void TComTimeouts::Assign(const TComTimeouts& source) noexcept {
    FReadInterval = source.FReadInterval;
    FReadTotalM = source.FReadTotalM;
    FReadTotalC = source.FReadTotalC;
    FWriteTotalM = source.FWriteTotalM;
    FWriteTotalC = source.FWriteTotalC;
}

void TComTimeouts::Set(int& field, int value) {
    if (field == value) return;
    field = value;
    if (FComPort) FComPort->ApplyTimeoutSettings();
}

void TComTimeouts::SetReadInterval(int value) { Set(FReadInterval, value); }
void TComTimeouts::SetReadTotalMultiplier(int value) { Set(FReadTotalM, value); }
void TComTimeouts::SetReadTotalConstant(int value) { Set(FReadTotalC, value); }
void TComTimeouts::SetWriteTotalMultiplier(int value) { Set(FWriteTotalM, value); }
void TComTimeouts::SetWriteTotalConstant(int value) { Set(FWriteTotalC, value); }

void TComFlowControl::Assign(const TComFlowControl& source) noexcept {
    FOutCTSFlow = source.FOutCTSFlow;
    FOutDSRFlow = source.FOutDSRFlow;
    FControlDTR = source.FControlDTR;
    FControlRTS = source.FControlRTS;
    FXonXoffOut = source.FXonXoffOut;
    FXonXoffIn = source.FXonXoffIn;
    FDSRSensitivity = source.FDSRSensitivity;
    FTxContinueOnXoff = source.FTxContinueOnXoff;
    FXonChar = source.FXonChar;
    FXoffChar = source.FXoffChar;
}

TFlowControl TComFlowControl::FlowControl() const noexcept {
    if (FControlRTS == TRTSFlowControl::rtsHandshake && FOutCTSFlow && !FXonXoffIn && !FXonXoffOut)
        return TFlowControl::fcHardware;
    if (FControlRTS == TRTSFlowControl::rtsDisable && !FOutCTSFlow && FXonXoffIn && FXonXoffOut)
        return TFlowControl::fcSoftware;
    if (FControlRTS == TRTSFlowControl::rtsDisable && !FOutCTSFlow && !FXonXoffIn && !FXonXoffOut)
        return TFlowControl::fcNone;
    return TFlowControl::fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
    if (value != TFlowControl::fcCustom) {
        FControlRTS = TRTSFlowControl::rtsDisable;
        FOutCTSFlow = false;
        FXonXoffIn = false;
        FXonXoffOut = false;
        if (value == TFlowControl::fcHardware) {
            FControlRTS = TRTSFlowControl::rtsHandshake;
            FOutCTSFlow = true;
        } else if (value == TFlowControl::fcSoftware) {
            FXonXoffIn = true;
            FXonXoffOut = true;
        }
    }
    Apply();
}

template <typename T>
void TComFlowControl::Set(T& field, T value) {
    if (field == value) return;
    field = value;
    Apply();
}

void TComFlowControl::Apply() {
    if (FComPort) FComPort->ApplyLineSettings();
}

void TComFlowControl::SetOutCTSFlow(bool value) { Set(FOutCTSFlow, value); }
void TComFlowControl::SetOutDSRFlow(bool value) { Set(FOutDSRFlow, value); }
void TComFlowControl::SetControlDTR(TDTRFlowControl value) { Set(FControlDTR, value); }
void TComFlowControl::SetControlRTS(TRTSFlowControl value) { Set(FControlRTS, value); }
void TComFlowControl::SetXonXoffOut(bool value) { Set(FXonXoffOut, value); }
void TComFlowControl::SetXonXoffIn(bool value) { Set(FXonXoffIn, value); }
void TComFlowControl::SetDSRSensitivity(bool value) { Set(FDSRSensitivity, value); }
void TComFlowControl::SetTxContinueOnXoff(bool value) { Set(FTxContinueOnXoff, value); }
void TComFlowControl::SetXonChar(wchar_t value) { Set(FXonChar, value); }
void TComFlowControl::SetXoffChar(wchar_t value) { Set(FXoffChar, value); }

void TComParity::Assign(const TComParity& source) noexcept {
    FBits = source.FBits;
    FCheck = source.FCheck;
    FReplace = source.FReplace;
    FReplaceChar = source.FReplaceChar;
}

template <typename T>
void TComParity::Set(T& field, T value) {
    if (field == value) return;
    field = value;
    if (FComPort) FComPort->ApplyLineSettings();
}

void TComParity::SetBits(TParityBits value) { Set(FBits, value); }
void TComParity::SetCheck(bool value) { Set(FCheck, value); }
void TComParity::SetReplace(bool value) { Set(FReplace, value); }
void TComParity::SetReplaceChar(wchar_t value) { Set(FReplaceChar, value); }

void TComBuffer::Assign(const TComBuffer& source) noexcept {
    FInputSize = source.FInputSize;
    FOutputSize = source.FOutputSize;
}

void TComBuffer::Set(int& field, int value) {
    if (field == value) return;
    // A queue size below zero would reach the driver as a huge unsigned one.
    value = std::max(value, 0);
    if (value % 2 != 0) --value;
    field = value;
    if (FComPort) FComPort->ApplyBufferSizes();
}

void TComBuffer::SetInputSize(int value) { Set(FInputSize, value); }
void TComBuffer::SetOutputSize(int value) { Set(FOutputSize, value); }

// ---- TCustomComPort: life and settings

TCustomComPort::TCustomComPort(fw::TComponent* owner, std::shared_ptr<TCommDevice> device)
    : fw::TComponent(owner), FDevice(std::move(device)), FBatchGate(std::make_shared<TBatchGate>()) {}

TCustomComPort::~TCustomComPort() {
    try {
        Close();
    } catch (...) {
        fw::Application().HandleException(std::current_exception());
    }
}

void TCustomComPort::Loaded() {
    fw::TComponent::Loaded();
    if (FConnected && !FDesigning) {
        FConnected = false;
        try {
            Open();
        } catch (...) {
            fw::Application().HandleException(std::current_exception());
        }
    }
}

bool TCustomComPort::CanApply() const noexcept { return FConnected && FUpdateCount == 0 && Live(); }

void TCustomComPort::SetEventThreadPriority(fw::TThreadPriority value) {
    if (value == FEventThreadPriority) return;
    if (FConnected && Live()) {
        ReportComError(ComErrorCode(TComExceptions::CE_ConnChangeProp), 0);
        return;
    }
    FEventThreadPriority = value;
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
    if (value == FSyncMethod) return;
    if (FConnected && Live()) {
        ReportComError(ComErrorCode(TComExceptions::CE_ConnChangeProp), 0);
        return;
    }
    FSyncMethod = value;
}

void TCustomComPort::SetTriggersOnRxChar(bool value) {
    if (FHasLink) ReportComError(ComErrorCode(TComExceptions::CE_HasLink), 0);
    FTriggersOnRxChar = value;
}

void TCustomComPort::SetConnected(bool value) {
    if (!Live()) {
        FConnected = value;
        return;
    }
    if (value == FConnected) return;
    if (value)
        Open();
    else
        Close();
}

void TCustomComPort::SetPort(const std::wstring& value) {
    if (value == FPort) return;
    FPort = value;
    if (FConnected && Live()) {
        Close();
        Open();
    }
}

void TCustomComPort::SetCustomBaudRate(int value) {
    if (value == FCustomBaudRate) return;
    FCustomBaudRate = value;
    ApplyLineSettings();
}

void TCustomComPort::SetBaudRate(TBaudRate value) {
    if (value == FBaudRate) return;
    FBaudRate = value;
    ApplyLineSettings();
}

void TCustomComPort::SetStopBits(TStopBits value) {
    if (value == FStopBits) return;
    FStopBits = value;
    ApplyLineSettings();
}

void TCustomComPort::SetDataBits(TDataBits value) {
    if (value == FDataBits) return;
    FDataBits = value;
    ApplyLineSettings();
}

void TCustomComPort::SetDiscardNull(bool value) {
    if (value == FDiscardNull) return;
    FDiscardNull = value;
    ApplyLineSettings();
}

void TCustomComPort::SetEventChar(wchar_t value) {
    if (value == FEventChar) return;
    FEventChar = value;
    ApplyLineSettings();
}

void TCustomComPort::SetParity(const TComParity& value) {
    FParity.Assign(value);
    ApplyLineSettings();
}

void TCustomComPort::SetFlowControl(const TComFlowControl& value) {
    FFlowControl.Assign(value);
    ApplyLineSettings();
}

void TCustomComPort::SetTimeouts(const TComTimeouts& value) {
    FTimeouts.Assign(value);
    ApplyTimeoutSettings();
}

void TCustomComPort::SetBuffer(const TComBuffer& value) {
    FBuffer.Assign(value);
    ApplyBufferSizes();
}

TLineSettingsRecord TCustomComPort::LineSettingsRecord() const noexcept {
    TLineSettingsValues v;
    v.BaudRate = FBaudRate;
    v.CustomBaudRate = FCustomBaudRate;
    v.DataBits = FDataBits;
    v.StopBits = FStopBits;
    v.ParityBits = FParity.Bits();
    v.ParityCheck = FParity.Check();
    v.ParityReplace = FParity.Replace();
    v.ReplaceChar = FParity.ReplaceChar();
    v.OutCTSFlow = FFlowControl.OutCTSFlow();
    v.OutDSRFlow = FFlowControl.OutDSRFlow();
    v.ControlDTR = FFlowControl.ControlDTR();
    v.ControlRTS = FFlowControl.ControlRTS();
    v.XonXoffOut = FFlowControl.XonXoffOut();
    v.XonXoffIn = FFlowControl.XonXoffIn();
    v.DSRSensitivity = FFlowControl.DSRSensitivity();
    v.TxContinueOnXoff = FFlowControl.TxContinueOnXoff();
    v.XonChar = FFlowControl.XonChar();
    v.XoffChar = FFlowControl.XoffChar();
    v.DiscardNull = FDiscardNull;
    v.EventChar = FEventChar;
    v.InputSize = FBuffer.InputSize();
    return BuildLineSettings(v);
}

TTimeoutsRecord TCustomComPort::TimeoutsRecord() const noexcept {
    return BuildTimeouts(FTimeouts.ReadInterval(), FTimeouts.ReadTotalMultiplier(), FTimeouts.ReadTotalConstant(),
                         FTimeouts.WriteTotalMultiplier(), FTimeouts.WriteTotalConstant());
}

void TCustomComPort::EndUpdate() {
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0) ApplyAllSettings();
}

void TCustomComPort::RegisterLink(TComLink* link) {
    if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end())
        ReportComError(ComErrorCode(TComExceptions::CE_RegFailed), 0);
    else
        FLinks.push_back(link);
    FHasLink = std::any_of(FLinks.begin(), FLinks.end(), [](const TComLink* l) { return bool(l->OnRxBuf); });
}

void TCustomComPort::UnRegisterLink(TComLink* link) {
    const auto found = std::find(FLinks.begin(), FLinks.end(), link);
    if (found == FLinks.end())
        ReportComError(ComErrorCode(TComExceptions::CE_RegFailed), 0);
    else
        FLinks.erase(found);
    FHasLink = std::any_of(FLinks.begin(), FLinks.end(), [](const TComLink* l) { return bool(l->OnRxBuf); });
}

void TCustomComPort::ReportComError(int code, std::int64_t winError) {
    if (!OnException) {
        if (winError > 0) throw EComPort(code, static_cast<std::int32_t>(winError));
        throw EComPort::NoWinCode(code);
    }
    std::wstring winMessage;
    if (winError > 0)
        winMessage = L"System Error.  Code: " + std::to_wstring(winError) + L".\r\n" +
                     SystemErrorText(static_cast<DWORD>(winError));
    OnException(this, ComExceptionOf(code), std::wstring(ComErrorText(code)), winError, winMessage);
}

// ---- Notifications

void TCustomComPort::FireAfterClose() {
    if (OnAfterClose) OnAfterClose(this);
}
void TCustomComPort::FireAfterOpen() {
    if (OnAfterOpen) OnAfterOpen(this);
}
void TCustomComPort::FireBeforeClose() {
    if (OnBeforeClose) OnBeforeClose(this);
}
void TCustomComPort::FireBeforeOpen() {
    if (OnBeforeOpen) OnBeforeOpen(this);
}
void TCustomComPort::FireRxChar(int count) {
    if (OnRxChar) OnRxChar(this, count);
}
void TCustomComPort::FireRxBuf(const std::uint8_t* buffer, int count) {
    if (OnRxBuf) OnRxBuf(this, buffer, count);
}
void TCustomComPort::FireTxEmpty() {
    if (OnTxEmpty) OnTxEmpty(this);
}
void TCustomComPort::FireBreak() {
    if (OnBreak) OnBreak(this);
}
void TCustomComPort::FireRing() {
    if (OnRing) OnRing(this);
}
void TCustomComPort::FireRxFlag() {
    if (OnRxFlag) OnRxFlag(this);
}
void TCustomComPort::FireCTSChange(bool onOff) {
    if (OnCTSChange) OnCTSChange(this, onOff);
}
void TCustomComPort::FireDSRChange(bool onOff) {
    if (OnDSRChange) OnDSRChange(this, onOff);
}
void TCustomComPort::FireError(TComErrors errors) {
    if (OnError) OnError(this, errors);
}
void TCustomComPort::FireRLSDChange(bool onOff) {
    if (OnRLSDChange) OnRLSDChange(this, onOff);
}
void TCustomComPort::FireRx80Full() {
    if (OnRx80Full) OnRx80Full(this);
}

// Links are told from a copy of the list: a handler may unregister.
void TCustomComPort::TellLinks(TComSignalEvent TComLink::*handler, bool onOff) {
    const std::vector<TComLink*> links = FLinks;
    for (TComLink* link : links)
        if (link->*handler) (link->*handler)(this, onOff);
}

void TCustomComPort::TellLinks(TNotifyEvent TComLink::*handler) {
    const std::vector<TComLink*> links = FLinks;
    for (TComLink* link : links)
        if (link->*handler) (link->*handler)(this);
}

void TCustomComPort::ReportSignal(TComSignal signal, TComSignalEvent TComLink::*linkHandler,
                                  void (TCustomComPort::*fire)(bool)) {
    const bool on = Signals().Contains(signal);
    TellLinks(linkHandler, on);
    (this->*fire)(on);
}

// ---- Open, apply, close

void TCustomComPort::OpenDevice() {
    FHandle = Device().Create(L"\\\\.\\" + FPort);
    if (FHandle == INVALID_HANDLE_VALUE) ReportComError(ComErrorCode(TComExceptions::CE_OpenFailed), ::GetLastError());
}

// The handle stays as it was when the system refuses to close it.
void TCustomComPort::CloseDevice() {
    if (FHandle != INVALID_HANDLE_VALUE && Device().Close(FHandle)) FHandle = INVALID_HANDLE_VALUE;
}

void TCustomComPort::ApplyAllSettings() {
    ApplyBufferSizes();
    ApplyLineSettings();
    ApplyTimeoutSettings();
}

void TCustomComPort::ApplyLineSettings() {
    if (!CanApply()) return;
    const TLineSettingsRecord record = LineSettingsRecord();
    DCB dcb;
    std::memcpy(&dcb, &record, sizeof dcb);
    if (!Device().SetCommState(FHandle, &dcb))
        ReportComError(ComErrorCode(TComExceptions::CE_SetStateFailed), ::GetLastError());
}

void TCustomComPort::ApplyTimeoutSettings() {
    if (!CanApply()) return;
    const TTimeoutsRecord record = TimeoutsRecord();
    COMMTIMEOUTS timeouts;
    std::memcpy(&timeouts, &record, sizeof timeouts);
    if (!Device().SetCommTimeouts(FHandle, &timeouts))
        ReportComError(ComErrorCode(TComExceptions::CE_TimeoutsFailed), ::GetLastError());
}

void TCustomComPort::ApplyBufferSizes() {
    if (!CanApply()) return;
    if (!Device().SetupComm(FHandle, static_cast<DWORD>(FBuffer.InputSize()), static_cast<DWORD>(FBuffer.OutputSize())))
        ReportComError(ComErrorCode(TComExceptions::CE_SetupComFailed), ::GetLastError());
}

LRESULT CALLBACK TCustomComPort::StaticPortWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* port = reinterpret_cast<TCustomComPort*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) ::SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
    if (!port) return ::DefWindowProcW(wnd, msg, wParam, lParam);
    try {
        return port->PortWindowProc(wnd, msg, wParam, lParam);
    } catch (...) {
        fw::Application().HandleException(std::current_exception());
        return 0;
    }
}

void TCustomComPort::Open() {
    if (FConnected || FDesigning) return;
    ReapRetiredThreads();
    FireBeforeOpen();
    if (FConnected) return;
    // Handlers run below may close the port, or close and reopen it: from
    // then on this Open has nothing left to do.
    const unsigned session = ++FOpenSession;
    const auto superseded = [&] { return !FConnected || FOpenSession != session; };
    OpenDevice();
    if (FOpenSession != session || FConnected) return;
    FConnected = true;
    FBatchGate->Open();
    try {
        ApplyAllSettings();
        if (superseded()) return;
        if (!FEvents.Empty()) {
            if (FSyncMethod == TSyncMethod::smWindowSync) {
                static std::once_flag registered;
                std::call_once(registered, [] {
                    WNDCLASSEXW wc{};
                    wc.cbSize = sizeof wc;
                    wc.lpfnWndProc = &TCustomComPort::StaticPortWindowProc;
                    wc.hInstance = ::GetModuleHandleW(nullptr);
                    wc.lpszClassName = kPortWindowClass;
                    ::RegisterClassExW(&wc);
                });
                FWindow.reset(::CreateWindowExW(0, kPortWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                                ::GetModuleHandleW(nullptr), this));
                if (!FWindow) throw fw::EOSError(L"Cannot create the port's window", ::GetLastError());
            }
            auto thread = std::make_unique<TComThread>(*this);
            std::lock_guard guard(FStateLock);
            FEventThreadId = thread->ThreadId();
            FEventThread = std::move(thread);
            FThreadCreated = true;
        }
    } catch (...) {
        if (FOpenSession == session) {
            FWindow.reset();
            CloseDevice();
            FConnected = false;
        }
        throw;
    }
    TellLinks(&TComLink::OnConn, true);
    if (superseded()) return;
    FireAfterOpen();
    if (superseded()) return;
    ReportSignal(TComSignal::csCTS, &TComLink::OnCTSChange, &TCustomComPort::FireCTSChange);
    if (superseded()) return;
    ReportSignal(TComSignal::csDSR, &TComLink::OnDSRChange, &TCustomComPort::FireDSRChange);
    if (superseded()) return;
    ReportSignal(TComSignal::csRLSD, &TComLink::OnRLSDChange, &TCustomComPort::FireRLSDChange);
}

void TCustomComPort::Close() {
    if (FDesigning) return;
    const DWORD self = ::GetCurrentThreadId();
    bool nested = false;
    {
        std::unique_lock lock(FStateLock);
        while (FClosingThread != 0 && FClosingThread != self) {
            // The event thread, which the closing thread waits for (or may
            // wait for, should it reopen and close again), or a handler of
            // the batch the closing thread waits for (below): the close is
            // under way, and waiting here would never end.
            if (FEventThreadId == self || FBatchGate->RunningHere()) return;
            FCloseDone.wait(lock);
        }
        if (FClosingThread == self) {
            if (FTearingDown) return;  // a before-close handler closing again
            nested = true;             // an after-close handler reopened the port
        }
        if (!FConnected) return;
        FClosingThread = self;
        FTearingDown = true;
    }
    // No batch starts from here on; one that another thread runs now (a
    // Close on a worker while the GUI thread notifies) ends before the
    // device goes.
    FBatchGate->CloseAndWait();
    // Other threads' Close calls return once this one has ended, the
    // after-close notifications included.
    struct TRelease {
        TCustomComPort& port;
        bool nested;
        ~TRelease() {
            {
                std::lock_guard guard(port.FStateLock);
                port.FTearingDown = false;
                if (!nested) port.FClosingThread = 0;
            }
            port.FCloseDone.notify_all();
        }
    } release{*this, nested};

    // Whatever a handler or the device does, the port ends closed: the
    // first failure is raised once the teardown is complete.
    std::exception_ptr failure;
    try {
        TellLinks(&TComLink::OnCTSChange, false);
        TellLinks(&TComLink::OnDSRChange, false);
        TellLinks(&TComLink::OnRLSDChange, false);
        FireCTSChange(false);
        FireDSRChange(false);
        FireRLSDChange(false);
        FireBeforeClose();
    } catch (...) {
        failure = std::current_exception();
    }

    const DWORD purgeError = Device().PurgeComm(FHandle, PURGE_TXABORT | PURGE_RXABORT) ? 0 : ::GetLastError();
    StopEventThread();
    FWindow.reset();
    CloseDevice();
    FConnected = false;
    {
        std::lock_guard guard(FStateLock);
        FTearingDown = false;
        FEventThreadId = 0;
    }

    try {
        TellLinks(&TComLink::OnConn, false);
        FireAfterClose();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    if (failure) std::rethrow_exception(failure);
    if (purgeError != 0) ReportComError(ComErrorCode(TComExceptions::CE_PurgeFailed), purgeError);
}

void TCustomComPort::StopEventThread() {
    std::unique_ptr<TComThread> thread;
    {
        std::lock_guard guard(FStateLock);
        thread = std::move(FEventThread);
        FThreadCreated = false;
    }
    if (!thread) return;
    thread->SignalStop();
    if (thread->IsCurrentThread()) {
        // Closing from a handler that the event thread runs itself (smNone):
        // it cannot be waited for here. It gives the device up now, so that
        // the handle is closed before Close returns and an Open right after
        // it finds the device free; the thread ends once the handler returns.
        thread->ReleaseDevice();
        std::lock_guard guard(FStateLock);
        FRetiredThreads.push_back(std::move(thread));
    } else {
        // Waiting on the GUI thread keeps handing queued work and sent
        // messages along, so a thread inside a hand-over can end.
        thread.reset();
    }
}

void TCustomComPort::ReapRetiredThreads() noexcept {
    std::vector<std::unique_ptr<TComThread>> ended;
    {
        std::lock_guard guard(FStateLock);
        for (auto it = FRetiredThreads.begin(); it != FRetiredThreads.end();) {
            if ((*it)->Finished()) {
                ended.push_back(std::move(*it));
                it = FRetiredThreads.erase(it);
            } else {
                ++it;
            }
        }
    }
}

// ---- Event dispatch

void TCustomComPort::DispatchBatch(TComEvents events, const std::function<bool()>& cancelled) {
    for (TComEvent event : BatchOrder) {
        if (!events.Contains(event)) continue;
        if (cancelled()) return;
        try {
            HandleEvent(event);
        } catch (...) {
            fw::Application().HandleException(std::current_exception());
        }
    }
}

void TCustomComPort::HandleEvent(TComEvent event) {
    switch (event) {
    case TComEvent::evRxChar: HandleRxChar(); break;
    case TComEvent::evTxEmpty: HandleTxEmpty(); break;
    case TComEvent::evRxFlag: HandleRxFlag(); break;
    case TComEvent::evRing: HandleRing(); break;
    case TComEvent::evBreak: HandleBreak(); break;
    case TComEvent::evCTS: HandleCTSChange(); break;
    case TComEvent::evDSR: HandleDSRChange(); break;
    case TComEvent::evError: HandleError(); break;
    case TComEvent::evRLSD: HandleRLSDChange(); break;
    case TComEvent::evRx80Full: HandleRx80Full(); break;
    }
}

void TCustomComPort::HandleWindowEvent(TComEvent event) noexcept {
    const TBatchPass pass(FBatchGate);
    if (!pass) return;
    try {
        HandleEvent(event);
    } catch (...) {
        fw::Application().HandleException(std::current_exception());
    }
}

LRESULT TCustomComPort::PortWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_PORTEVENT) return ::DefWindowProcW(wnd, msg, wParam, lParam);
    if (::InSendMessage()) ::ReplyMessage(0);
    const auto event = std::find_if(std::begin(BatchOrder), std::end(BatchOrder),
                                    [wParam](TComEvent e) { return EventMaskBit(e) == wParam; });
    if (event == std::end(BatchOrder)) return 0;
    // The handler may free the port; the gate stays.
    const std::shared_ptr<TBatchGate> gate = FBatchGate;
    HandleWindowEvent(*event);
    // Under a stream the next notification is sent before this one returns,
    // and every loop takes sent messages first: the next waits until the loop
    // has come to what else waits for it (posted work, input, painting,
    // timers), instead of a pass of its own here, which would take the next
    // notification inside this one.
    constexpr UINT kOthers = QS_POSTMESSAGE | QS_INPUT | QS_PAINT | QS_TIMER | QS_HOTKEY;
    if (HIWORD(::GetQueueStatus(kOthers)) & kOthers) {
        gate->HoldNext();
        fw::AfterPendingMessages(kOthers, [gate] { gate->ReleaseNext(); });
    }
    return 0;
}

void TCustomComPort::HandleRxChar() {
    const int count = InputCount();
    if (count <= 0) return;
    TellLinks(&TComLink::OnRx, true);
    if (!TriggersOnRxChar()) {
        std::unique_ptr<std::uint8_t[]> buffer;
        int read = 0;
        bool done = false;
        const auto readNow = [&] {
            buffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(count));
            done = true;
            read = Read(buffer.get(), count);
            if (read > 0) FireRxBuf(buffer.get(), read);
        };
        const std::vector<TComLink*> links = FLinks;
        for (TComLink* link : links) {
            if (!link->OnRxBuf) continue;
            if (!done) readNow();
            if (read > 0) link->OnRxBuf(this, buffer.get(), read);
        }
        if (!done && !FTriggersOnRxChar) readNow();
        if (done) return;
    }
    FireRxChar(count);
}

void TCustomComPort::HandleTxEmpty() {
    TellLinks(&TComLink::OnTx, false);
    TellLinks(&TComLink::OnTxEmpty);
    FireTxEmpty();
}

void TCustomComPort::HandleRxFlag() {
    TellLinks(&TComLink::OnRxFlag);
    FireRxFlag();
}

void TCustomComPort::HandleRing() {
    TellLinks(&TComLink::OnRing);
    FireRing();
}

void TCustomComPort::HandleBreak() { FireBreak(); }

void TCustomComPort::HandleCTSChange() {
    ReportSignal(TComSignal::csCTS, &TComLink::OnCTSChange, &TCustomComPort::FireCTSChange);
}

void TCustomComPort::HandleDSRChange() {
    ReportSignal(TComSignal::csDSR, &TComLink::OnDSRChange, &TCustomComPort::FireDSRChange);
}

void TCustomComPort::HandleRLSDChange() {
    ReportSignal(TComSignal::csRLSD, &TComLink::OnRLSDChange, &TCustomComPort::FireRLSDChange);
}

void TCustomComPort::HandleError() {
    const TComErrors errors = LastErrors();
    if (!errors.Empty()) FireError(errors);
}

void TCustomComPort::HandleRx80Full() { FireRx80Full(); }

// ---- Reading and writing

int TCustomComPort::WriteAsync(const void* buffer, int count, PAsync& asyncPtr) {
    if (!asyncPtr) {
        ReportComError(ComErrorCode(TComExceptions::CE_InvalidAsync), 0);
        return 0;
    }
    TAsync& async = *asyncPtr;
    async.Kind = TOperationKind::okWrite;
    async.Started = false;
    if (FHandle == INVALID_HANDLE_VALUE) ReportComError(ComErrorCode(TComExceptions::CEPortNotOpen), -24);
    count = std::max(count, 0);
    if (!buffer && count > 0) {
        ReportComError(ComErrorCode(TComExceptions::CE_WriteFailed), ERROR_INVALID_PARAMETER);
        return 0;
    }
    async.Data = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(count));
    if (count > 0) std::memcpy(async.Data.get(), buffer, static_cast<std::size_t>(count));
    async.Size = count;
    ResetOverlapped(async);

    DWORD written = 0;
    const BOOL done = Device().WriteFile(FHandle, buffer, static_cast<DWORD>(count), &written, &async.Overlapped);
    const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
    async.Started = done || error == ERROR_IO_PENDING;
    if (!async.Started) ReportComError(ComErrorCode(TComExceptions::CE_WriteFailed), error);
    TellLinks(&TComLink::OnTx, true);
    return static_cast<int>(written);
}

int TCustomComPort::ReadAsync(void* buffer, int count, PAsync& asyncPtr) {
    if (!asyncPtr) {
        ReportComError(ComErrorCode(TComExceptions::CE_InvalidAsync), 0);
        return 0;
    }
    TAsync& async = *asyncPtr;
    async.Kind = TOperationKind::okRead;
    async.Data.reset();
    async.Size = 0;
    async.Started = false;
    if (FHandle == INVALID_HANDLE_VALUE) ReportComError(ComErrorCode(TComExceptions::CEPortNotOpen), -24);
    count = std::max(count, 0);
    if (!buffer && count > 0) {
        ReportComError(ComErrorCode(TComExceptions::CE_ReadFailed), ERROR_INVALID_PARAMETER);
        return 0;
    }
    ResetOverlapped(async);

    DWORD read = 0;
    const BOOL done = Device().ReadFile(FHandle, buffer, static_cast<DWORD>(count), &read, &async.Overlapped);
    const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
    async.Started = done || error == ERROR_IO_PENDING;
    if (!async.Started) ReportComError(ComErrorCode(TComExceptions::CE_ReadFailed), error);
    return static_cast<int>(read);
}

int TCustomComPort::WaitForAsync(PAsync& asyncPtr) {
    if (!asyncPtr) {
        ReportComError(ComErrorCode(TComExceptions::CE_InvalidAsync), 0);
        return 0;
    }
    TAsync& async = *asyncPtr;
    // Nothing was started on the record, the start failed, or the operation
    // has been waited for already: nothing to wait for, nothing to tell.
    if (!async.Started) return 0;
    async.Started = false;

    DWORD transferred = 0;
    // Waits on the record's event only while the operation is pending: a
    // read or write that completed at once costs no wait (under Wine each
    // wait is a round trip to the server).
    const bool ok = Device().GetOverlappedResult(FHandle, &async.Overlapped, &transferred, TRUE);
    if (!ok) {
        const DWORD error = ::GetLastError();
        ReportComError(ComErrorCode(async.Kind == TOperationKind::okWrite ? TComExceptions::CE_WriteFailed
                                                                          : TComExceptions::CE_ReadFailed),
                       error);
    }
    if (async.Kind == TOperationKind::okRead) {
        // Asking the driver costs a round trip per read: only when someone listens.
        const bool listened = std::any_of(FLinks.begin(), FLinks.end(), [](const TComLink* l) { return bool(l->OnRx); });
        if (listened && InputCount() == 0) TellLinks(&TComLink::OnRx, false);
    } else if (async.Data) {
        const std::vector<TComLink*> links = FLinks;
        for (TComLink* link : links)
            if (link->OnTxBuf) link->OnTxBuf(this, async.Data.get(), async.Size);
    }
    return static_cast<int>(transferred);
}

bool TCustomComPort::IsAsyncCompleted(PAsync asyncPtr) {
    if (!asyncPtr) {
        ReportComError(ComErrorCode(TComExceptions::CE_InvalidAsync), 0);
        return false;
    }
    DWORD transferred = 0;
    if (Device().GetOverlappedResult(FHandle, &asyncPtr->Overlapped, &transferred, FALSE)) return true;
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING && error != ERROR_IO_INCOMPLETE)
        ReportComError(ComErrorCode(TComExceptions::CE_AsyncCheck), error);
    return false;
}

void TCustomComPort::AbortAllAsync() {
    if (!Device().PurgeComm(FHandle, PURGE_TXABORT | PURGE_RXABORT))
        ReportComError(ComErrorCode(TComExceptions::CE_PurgeFailed), ::GetLastError());
}

int TCustomComPort::Write(const void* buffer, int count) {
    TSyncAsync async(*this);
    WriteAsync(buffer, count, async.get());
    return WaitForAsync(async.get());
}

int TCustomComPort::Read(void* buffer, int count) {
    TSyncAsync async(*this);
    ReadAsync(buffer, count, async.get());
    return WaitForAsync(async.get());
}

int TCustomComPort::WriteStrAsync(std::wstring& str, PAsync& asyncPtr) {
    if (str.empty()) return 0;
    // Byte i lies in character i / 2, which has been read by then.
    auto* bytes = reinterpret_cast<std::uint8_t*>(str.data());
    for (std::size_t i = 0; i < str.size(); ++i) bytes[i] = static_cast<std::uint8_t>(str[i] & 0xFF);
    return WriteAsync(bytes, static_cast<int>(str.size()), asyncPtr);
}

int TCustomComPort::WriteStr(std::wstring str) {
    TSyncAsync async(*this);
    WriteStrAsync(str, async.get());
    return WaitForAsync(async.get());
}

int TCustomComPort::ReadStrAsync(std::string& str, int count, PAsync& asyncPtr) {
    str.assign(static_cast<std::size_t>(std::max(count, 0)), '\0');
    if (count <= 0) return 0;
    return ReadAsync(str.data(), count, asyncPtr);
}

int TCustomComPort::ReadStr(std::wstring& str, int count) {
    TSyncAsync async(*this);
    std::string bytes;
    ReadStrAsync(bytes, count, async.get());
    const int read = std::clamp(WaitForAsync(async.get()), 0, static_cast<int>(bytes.size()));
    str.resize(static_cast<std::size_t>(read));
    for (int i = 0; i < read; ++i) str[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    return read;
}

int TCustomComPort::WriteUnicodeString(const std::wstring& str) {
    if (str.empty()) return 0;
    const int length =
        ::WideCharToMultiByte(FCodePage, 0, str.data(), static_cast<int>(str.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return 0;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(FCodePage, 0, str.data(), static_cast<int>(str.size()), bytes.data(), length, nullptr,
                          nullptr);
    return Write(bytes.data(), length);
}

int TCustomComPort::ReadUnicodeString(std::wstring& str, int count) {
    std::string bytes(static_cast<std::size_t>(std::max(count, 0)), '\0');
    const int read = std::clamp(Read(bytes.data(), count), 0, static_cast<int>(bytes.size()));
    str.clear();
    if (read == 0) return 0;
    const int length = ::MultiByteToWideChar(FCodePage, 0, bytes.data(), read, nullptr, 0);
    if (length <= 0) return 0;
    str.resize(static_cast<std::size_t>(length));
    ::MultiByteToWideChar(FCodePage, 0, bytes.data(), read, str.data(), length);
    return length;
}

void TCustomComPort::WaitForEvent(TComEvents& events, HANDLE stopEvent, int timeout) {
    if (FThreadCreated) {
        // Waiting here too would race the event thread's own wait.
        ReportComError(ComErrorCode(TComExceptions::CE_ThreadCreated), 0);
        return;
    }
    std::unique_ptr<TEventWait> wait = TEventWait::Create(false);
    if (!wait) {
        ReportComError(ComErrorCode(TComExceptions::CE_WaitFailed), ::GetLastError());
        return;
    }
    Device().SetCommMask(FHandle, EventsToMask(events));
    bool ok = wait->Start(Device(), FHandle);
    DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
    bool occurred = false;
    if (ok) {
        const HANDLE waitSet[2] = {wait->Event.get(), stopEvent};
        const DWORD result = ::WaitForMultipleObjects(stopEvent ? 2 : 1, waitSet, FALSE,
                                                      timeout < 0 ? INFINITE : static_cast<DWORD>(timeout));
        ok = result == WAIT_OBJECT_0 || result == WAIT_OBJECT_0 + 1 || result == WAIT_TIMEOUT;
        if (!ok) error = ::GetLastError();
        occurred = result == WAIT_OBJECT_0;
        if (occurred) wait->Pending = false;
    }
    const DWORD mask = occurred ? wait->Mask : 0;
    TEventWait::Finish(std::move(wait), Device(), FHandle);
    events = MaskToEvents(mask);
    if (!ok) ReportComError(ComErrorCode(TComExceptions::CE_WaitFailed), error);
}

void TCustomComPort::TransmitChar(wchar_t ch) {
    if (!Device().TransmitCommChar(FHandle, static_cast<char>(ch & 0xFF)))
        ReportComError(ComErrorCode(TComExceptions::CE_TransmitFailed), ::GetLastError());
}

// ---- Line control and status

bool TCustomComPort::ClearCommErrorChecked(DWORD& errors, COMSTAT& stat) {
    errors = 0;
    stat = {};
    if (Device().ClearCommError(FHandle, &errors, &stat)) return true;
    ReportComError(ComErrorCode(TComExceptions::CE_ClearComFailed), ::GetLastError());
    return false;
}

int TCustomComPort::InputCount() {
    DWORD errors;
    COMSTAT stat;
    return ClearCommErrorChecked(errors, stat) ? static_cast<int>(stat.cbInQue) : 0;
}

int TCustomComPort::OutputCount() {
    DWORD errors;
    COMSTAT stat;
    return ClearCommErrorChecked(errors, stat) ? static_cast<int>(stat.cbOutQue) : 0;
}

TComStateFlags TCustomComPort::StateFlags() {
    DWORD errors;
    COMSTAT stat;
    if (!ClearCommErrorChecked(errors, stat)) return {};
    std::uint32_t word = 0;
    std::memcpy(&word, &stat, sizeof word);  // the flag bits share COMSTAT's first word
    return StatusWordToStateFlags(word);
}

TComErrors TCustomComPort::LastErrors() {
    DWORD errors;
    COMSTAT stat;
    if (!ClearCommErrorChecked(errors, stat)) return {};
    return LineErrorsToErrors(errors, FParity.Check());
}

TComSignals TCustomComPort::Signals() {
    DWORD status = 0;
    if (!Device().GetCommModemStatus(FHandle, &status)) {
        ReportComError(ComErrorCode(TComExceptions::CE_ModemStatFailed), ::GetLastError());
        return {};
    }
    return ModemStatusToSignals(status);
}

void TCustomComPort::Escape(DWORD function) {
    if (!Device().EscapeCommFunction(FHandle, function))
        ReportComError(ComErrorCode(TComExceptions::CE_EscapeComFailed), ::GetLastError());
}

void TCustomComPort::SetDTR(bool onOff) { Escape(onOff ? SETDTR : CLRDTR); }
void TCustomComPort::SetRTS(bool onOff) { Escape(onOff ? SETRTS : CLRRTS); }
void TCustomComPort::SetXonXoff(bool onOff) { Escape(onOff ? SETXON : SETXOFF); }
void TCustomComPort::SetBreak(bool onOff) { Escape(onOff ? SETBREAK : CLRBREAK); }

void TCustomComPort::ClearBuffer(bool input, bool output) {
    DWORD flags = 0;
    if (input) flags |= PURGE_RXCLEAR;
    if (output) flags |= PURGE_TXCLEAR;
    if (!Device().PurgeComm(FHandle, flags)) ReportComError(ComErrorCode(TComExceptions::CE_PurgeFailed), ::GetLastError());
}

}  // namespace serial
