#pragma once
// The serial port component: TCustomComPort holds every setting of one port
// and implements its operations; TComPort is the one a form owns.
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Classes.h"
#include "framework/Exception.h"
#include "framework/Handles.h"
#include "framework/Thread.h"
#include "serial/ComErrors.h"
#include "serial/ComTypes.h"
#include "serial/CommDevice.h"
#include "serial/LineSettings.h"

namespace serial {

class TCustomComPort;
class TComThread;
class TBatchGate;

// A failure of the port: the error's code (1..24) and the system error
// number (-1 when there is none).
class EComPort : public fw::Exception {
public:
    // Message: the code's text followed by " (Error: winCode)".
    EComPort(int code, std::int32_t winCode);
    // Message: the code's text alone; WinCode -1.
    static EComPort NoWinCode(int code);

    int Code() const noexcept { return FCode; }
    void SetCode(int code) noexcept { FCode = code; }
    std::int32_t WinCode() const noexcept { return FWinCode; }
    void SetWinCode(std::int32_t winCode) noexcept { FWinCode = winCode; }

private:
    EComPort(int code, std::int32_t winCode, std::wstring message);

    std::int32_t FWinCode;
    int FCode;
};

// Notifications, the port first: an unset one is skipped.
using fw::TNotifyEvent;
using TRxCharEvent = std::function<void(fw::TObject* sender, int count)>;
using TRxBufEvent = std::function<void(fw::TObject* sender, const std::uint8_t* buffer, int count)>;
using TComErrorEvent = std::function<void(fw::TObject* sender, TComErrors errors)>;
using TComSignalEvent = std::function<void(fw::TObject* sender, bool onOff)>;
using TComExceptionEvent =
    std::function<void(fw::TObject* sender, TComExceptions exception, const std::wstring& comportMessage,
                       std::int64_t winError, const std::wstring& winMessage)>;

// A listener another component registers with a port to follow it. The port
// does not own its links; a link must be unregistered before it goes.
class TComLink {
public:
    TComSignalEvent OnConn;
    TRxBufEvent OnRxBuf;
    TRxBufEvent OnTxBuf;
    TNotifyEvent OnTxEmpty;
    TNotifyEvent OnRxFlag;
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange;
    TNotifyEvent OnRing;
    TComSignalEvent OnTx;
    TComSignalEvent OnRx;
};

// Settings sub-objects. A port owns one of each and is told when a setting
// changes; a free-standing object (no port) only holds values, for Assign.
class TComTimeouts {
public:
    explicit TComTimeouts(TCustomComPort* port = nullptr) noexcept : FComPort(port) {}
    TComTimeouts(const TComTimeouts&) = delete;
    TComTimeouts& operator=(const TComTimeouts&) = delete;
    // Copies every setting, not the owning port.
    void Assign(const TComTimeouts& source) noexcept;
    TCustomComPort* ComPort() const noexcept { return FComPort; }

    int ReadInterval() const noexcept { return FReadInterval; }
    int ReadTotalMultiplier() const noexcept { return FReadTotalM; }
    int ReadTotalConstant() const noexcept { return FReadTotalC; }
    int WriteTotalMultiplier() const noexcept { return FWriteTotalM; }
    int WriteTotalConstant() const noexcept { return FWriteTotalC; }
    void SetReadInterval(int value);
    void SetReadTotalMultiplier(int value);
    void SetReadTotalConstant(int value);
    void SetWriteTotalMultiplier(int value);
    void SetWriteTotalConstant(int value);

private:
    void Set(int& field, int value);

    TCustomComPort* FComPort;
    int FReadInterval = -1;
    int FReadTotalM = 0;
    int FReadTotalC = 0;
    int FWriteTotalM = 100;
    int FWriteTotalC = 1000;
};

class TComFlowControl {
public:
    explicit TComFlowControl(TCustomComPort* port = nullptr) noexcept : FComPort(port) {}
    TComFlowControl(const TComFlowControl&) = delete;
    TComFlowControl& operator=(const TComFlowControl&) = delete;
    void Assign(const TComFlowControl& source) noexcept;
    TCustomComPort* ComPort() const noexcept { return FComPort; }

    // The preset the fields amount to (computed, never stored).
    TFlowControl FlowControl() const noexcept;
    // Sets the fields of a preset (fcCustom changes nothing); the owning port
    // applies its line settings in every case.
    void SetFlowControl(TFlowControl value);

    bool OutCTSFlow() const noexcept { return FOutCTSFlow; }
    bool OutDSRFlow() const noexcept { return FOutDSRFlow; }
    TDTRFlowControl ControlDTR() const noexcept { return FControlDTR; }
    TRTSFlowControl ControlRTS() const noexcept { return FControlRTS; }
    bool XonXoffOut() const noexcept { return FXonXoffOut; }
    bool XonXoffIn() const noexcept { return FXonXoffIn; }
    bool DSRSensitivity() const noexcept { return FDSRSensitivity; }
    bool TxContinueOnXoff() const noexcept { return FTxContinueOnXoff; }
    wchar_t XonChar() const noexcept { return FXonChar; }
    wchar_t XoffChar() const noexcept { return FXoffChar; }
    void SetOutCTSFlow(bool value);
    void SetOutDSRFlow(bool value);
    void SetControlDTR(TDTRFlowControl value);
    void SetControlRTS(TRTSFlowControl value);
    void SetXonXoffOut(bool value);
    void SetXonXoffIn(bool value);
    void SetDSRSensitivity(bool value);
    void SetTxContinueOnXoff(bool value);
    void SetXonChar(wchar_t value);
    void SetXoffChar(wchar_t value);

private:
    template <typename T>
    void Set(T& field, T value);
    void Apply();

    TCustomComPort* FComPort;
    bool FOutCTSFlow = false;
    bool FOutDSRFlow = false;
    TDTRFlowControl FControlDTR = TDTRFlowControl::dtrDisable;
    TRTSFlowControl FControlRTS = TRTSFlowControl::rtsDisable;
    bool FXonXoffOut = false;
    bool FXonXoffIn = false;
    bool FDSRSensitivity = false;
    bool FTxContinueOnXoff = false;
    wchar_t FXonChar = 17;
    wchar_t FXoffChar = 19;
};

class TComParity {
public:
    explicit TComParity(TCustomComPort* port = nullptr) noexcept : FComPort(port) {}
    TComParity(const TComParity&) = delete;
    TComParity& operator=(const TComParity&) = delete;
    void Assign(const TComParity& source) noexcept;
    TCustomComPort* ComPort() const noexcept { return FComPort; }

    TParityBits Bits() const noexcept { return FBits; }
    bool Check() const noexcept { return FCheck; }
    bool Replace() const noexcept { return FReplace; }
    wchar_t ReplaceChar() const noexcept { return FReplaceChar; }
    void SetBits(TParityBits value);
    void SetCheck(bool value);
    void SetReplace(bool value);
    void SetReplaceChar(wchar_t value);

private:
    template <typename T>
    void Set(T& field, T value);

    TCustomComPort* FComPort;
    TParityBits FBits = TParityBits::prNone;
    bool FCheck = false;
    bool FReplace = false;
    wchar_t FReplaceChar = 0;
};

class TComBuffer {
public:
    explicit TComBuffer(TCustomComPort* port = nullptr) noexcept : FComPort(port) {}
    TComBuffer(const TComBuffer&) = delete;
    TComBuffer& operator=(const TComBuffer&) = delete;
    void Assign(const TComBuffer& source) noexcept;
    TCustomComPort* ComPort() const noexcept { return FComPort; }

    int InputSize() const noexcept { return FInputSize; }
    int OutputSize() const noexcept { return FOutputSize; }
    // An odd size is stored one less; a size below zero as zero.
    void SetInputSize(int value);
    void SetOutputSize(int value);

private:
    void Set(int& field, int value);

    TCustomComPort* FComPort;
    int FInputSize = 1024;
    int FOutputSize = 1024;
};

// One asynchronous read or write. The caller owns it (NewAsync / FreeAsync);
// the record and the operation's buffer stay alive until WaitForAsync returns.
struct TAsync {
    OVERLAPPED Overlapped{};
    TOperationKind Kind = TOperationKind::okWrite;
    std::unique_ptr<std::uint8_t[]> Data;  // a write's private copy of its bytes
    int Size = 0;
    // An operation was started on the record and has not been waited for:
    // a second wait on the same record reports nothing again.
    bool Started = false;
};
using PAsync = TAsync*;

// Allocates a record whose event is manual-reset and signalled.
void NewAsync(PAsync& asyncPtr);
// Closes the event, frees the record and empties asyncPtr (nothing when empty).
void FreeAsync(PAsync& asyncPtr) noexcept;

// WM_PORTEVENT: one event of a batch, sent to the port's hidden window.
inline constexpr UINT WM_PORTEVENT = WM_USER + 1;

class TCustomComPort : public fw::TComponent {
public:
    // device: the system calls the port makes; the kernel's unless a test
    // supplies its own.
    explicit TCustomComPort(fw::TComponent* owner = nullptr,
                            std::shared_ptr<TCommDevice> device = KernelCommDevice());
    // Closes the port; never throws (a failure is shown through the
    // application's error handling, or given to OnException).
    ~TCustomComPort() override;

    // Design mode never opens a device. While loading from a stored
    // description (fw::TComponent::Loading) setters only store, and Loaded
    // opens the port if Connected was read as true.
    bool Designing() const noexcept { return FDesigning; }
    void SetDesigning(bool value) noexcept { FDesigning = value; }

    // Properties.
    HANDLE Handle() const noexcept { return FHandle.load(); }
    fw::TThreadPriority EventThreadPriority() const noexcept { return FEventThreadPriority; }
    void SetEventThreadPriority(fw::TThreadPriority value);
    int CustomBaudRate() const noexcept { return FCustomBaudRate; }
    void SetCustomBaudRate(int value);
    // The setting, and no link has OnRxBuf.
    bool TriggersOnRxChar() const noexcept { return FTriggersOnRxChar && !FHasLink; }
    void SetTriggersOnRxChar(bool value);
    TStoredProps StoredProps() const noexcept { return FStoredProps; }
    void SetStoredProps(TStoredProps value) noexcept { FStoredProps = value; }
    bool Connected() const noexcept { return FConnected; }
    void SetConnected(bool value);
    TBaudRate BaudRate() const noexcept { return FBaudRate; }
    void SetBaudRate(TBaudRate value);
    const std::wstring& Port() const noexcept { return FPort; }
    void SetPort(const std::wstring& value);
    TComParity& Parity() noexcept { return FParity; }
    const TComParity& Parity() const noexcept { return FParity; }
    void SetParity(const TComParity& value);
    TStopBits StopBits() const noexcept { return FStopBits; }
    void SetStopBits(TStopBits value);
    TDataBits DataBits() const noexcept { return FDataBits; }
    void SetDataBits(TDataBits value);
    bool DiscardNull() const noexcept { return FDiscardNull; }
    void SetDiscardNull(bool value);
    wchar_t EventChar() const noexcept { return FEventChar; }
    void SetEventChar(wchar_t value);
    // Read by the next Open.
    TComEvents Events() const noexcept { return FEvents; }
    void SetEvents(TComEvents value) noexcept { FEvents = value; }
    TComBuffer& Buffer() noexcept { return FBuffer; }
    const TComBuffer& Buffer() const noexcept { return FBuffer; }
    void SetBuffer(const TComBuffer& value);
    TComFlowControl& FlowControl() noexcept { return FFlowControl; }
    const TComFlowControl& FlowControl() const noexcept { return FFlowControl; }
    void SetFlowControl(const TComFlowControl& value);
    TComTimeouts& Timeouts() noexcept { return FTimeouts; }
    const TComTimeouts& Timeouts() const noexcept { return FTimeouts; }
    void SetTimeouts(const TComTimeouts& value);
    TSyncMethod SyncMethod() const noexcept { return FSyncMethod; }
    void SetSyncMethod(TSyncMethod value);
    // 0: the system's ANSI code page.
    unsigned CodePage() const noexcept { return FCodePage; }
    void SetCodePage(unsigned value) noexcept { FCodePage = value; }

    // The records the current settings give the system.
    TLineSettingsRecord LineSettingsRecord() const noexcept;
    TTimeoutsRecord TimeoutsRecord() const noexcept;

    // Handlers.
    TNotifyEvent OnAfterOpen, OnAfterClose, OnBeforeOpen, OnBeforeClose;
    TRxCharEvent OnRxChar;
    TRxBufEvent OnRxBuf;
    TNotifyEvent OnTxEmpty, OnBreak, OnRing;
    TComSignalEvent OnCTSChange, OnDSRChange, OnRLSDChange;
    TNotifyEvent OnRxFlag;
    TComErrorEvent OnError;
    TNotifyEvent OnRx80Full;
    TComExceptionEvent OnException;

    // Update bracket: no setting reaches the device until the outer EndUpdate,
    // which applies them all; Port and Connected still act at once.
    void BeginUpdate() noexcept { ++FUpdateCount; }
    void EndUpdate();

    // Open stops as soon as a handler it runs (OnAfterOpen, the signal
    // reports, OnException) has closed the port again.
    void Open();
    // Safe from any thread: while one thread closes, a Close on the port's
    // event thread or in a handler of the batch the GUI thread runs returns
    // at once (the closer waits for both), a Close on any other thread waits
    // until the port is closed. The device goes only once that batch has
    // ended.
    void Close();

    // Reading and writing (counts below zero count as zero).
    int Write(const void* buffer, int count);
    int WriteStr(std::wstring str);
    int Read(void* buffer, int count);
    int ReadStr(std::wstring& str, int count);
    int WriteAsync(const void* buffer, int count, PAsync& asyncPtr);
    // Overwrites str's storage with its bytes (one per character, low 8
    // bits) and writes them from there: keep str alive and unchanged until
    // WaitForAsync has returned.
    int WriteStrAsync(std::wstring& str, PAsync& asyncPtr);
    int ReadAsync(void* buffer, int count, PAsync& asyncPtr);
    int ReadStrAsync(std::string& str, int count, PAsync& asyncPtr);
    int WriteUnicodeString(const std::wstring& str);
    int ReadUnicodeString(std::wstring& str, int count);
    int WaitForAsync(PAsync& asyncPtr);
    bool IsAsyncCompleted(PAsync asyncPtr);
    void AbortAllAsync();
    // A one-shot wait, only for a port opened without an event thread.
    // timeout in milliseconds, -1 for none; events becomes what occurred.
    void WaitForEvent(TComEvents& events, HANDLE stopEvent, int timeout);
    void TransmitChar(wchar_t ch);

    // Line control and status.
    int InputCount();
    int OutputCount();
    TComSignals Signals();
    TComStateFlags StateFlags();
    TComErrors LastErrors();
    void SetDTR(bool onOff);
    void SetRTS(bool onOff);
    void SetXonXoff(bool onOff);
    void SetBreak(bool onOff);
    void ClearBuffer(bool input, bool output);

    // Writes the groups of StoredProps to the INI file or registry path
    // storeTo, and reads them back (ComStorage.h).
    void StoreSettings(TStoreType storeType, std::wstring_view storeTo);
    void LoadSettings(TStoreType storeType, std::wstring_view loadFrom);
    // The modal setup dialog; OK applies the choice in one update bracket (CPortSetup.h).
    void ShowSetupDialog();

    void RegisterLink(TComLink* link);
    void UnRegisterLink(TComLink* link);

    // The one reporting step of every failure: raises EComPort, or tells
    // OnException when set and returns.
    void ReportComError(int code, std::int64_t winError);

protected:
    void Loaded() override;
    virtual void OpenDevice();
    virtual void CloseDevice();
    virtual void ApplyAllSettings();

    virtual void FireAfterClose();
    virtual void FireAfterOpen();
    virtual void FireBeforeClose();
    virtual void FireBeforeOpen();
    virtual void FireRxChar(int count);
    virtual void FireRxBuf(const std::uint8_t* buffer, int count);
    virtual void FireTxEmpty();
    virtual void FireBreak();
    virtual void FireRing();
    virtual void FireRxFlag();
    virtual void FireCTSChange(bool onOff);
    virtual void FireDSRChange(bool onOff);
    virtual void FireError(TComErrors errors);
    virtual void FireRLSDChange(bool onOff);
    virtual void FireRx80Full();
    virtual void ApplyLineSettings();
    virtual void ApplyTimeoutSettings();
    virtual void ApplyBufferSizes();

    TCommDevice& Device() const noexcept { return *FDevice; }

private:
    friend class TComThread;
    friend class TComTimeouts;
    friend class TComFlowControl;
    friend class TComParity;
    friend class TComBuffer;

    bool CanApply() const noexcept;
    bool Live() const noexcept { return !FDesigning && !Loading(); }
    void TellLinks(TComSignalEvent TComLink::*handler, bool onOff);
    void TellLinks(TNotifyEvent TComLink::*handler);
    void ReportSignal(TComSignal signal, TComSignalEvent TComLink::*linkHandler, void (TCustomComPort::*fire)(bool));
    bool ClearCommErrorChecked(DWORD& errors, COMSTAT& stat);
    void Escape(DWORD function);
    void StopEventThread();
    // Joins the retired threads that have ended.
    void ReapRetiredThreads() noexcept;

    // Event dispatch (TComThread and the hidden window).
    void DispatchBatch(TComEvents events, const std::function<bool()>& cancelled);
    void HandleEvent(TComEvent event);
    LRESULT PortWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // One event sent to the hidden window; nothing once the port is closing.
    void HandleWindowEvent(TComEvent event) noexcept;
    void HandleRxChar();
    void HandleTxEmpty();
    void HandleRxFlag();
    void HandleRing();
    void HandleBreak();
    void HandleCTSChange();
    void HandleDSRChange();
    void HandleRLSDChange();
    void HandleError();
    void HandleRx80Full();

    std::shared_ptr<TCommDevice> FDevice;
    // Guards the close bookkeeping below, which any thread may reach.
    std::mutex FStateLock;
    std::condition_variable FCloseDone;
    // The thread inside Close (0: none), and whether it is still tearing
    // the port down (before the after-close notifications).
    DWORD FClosingThread = 0;
    bool FTearingDown = false;
    // Batches on the GUI side pass it; Close closes it.
    std::shared_ptr<TBatchGate> FBatchGate;
    // The event thread of the open port, until its Close has ended.
    DWORD FEventThreadId = 0;
    std::unique_ptr<TComThread> FEventThread;
    // Threads stopped by a Close that ran on the thread itself: they have
    // released the device already and are joined once they have ended.
    std::vector<std::unique_ptr<TComThread>> FRetiredThreads;
    bool FThreadCreated = false;
    // Counts Opens, so that Open sees a handler that closed and reopened.
    unsigned FOpenSession = 0;
    std::atomic<HANDLE> FHandle{INVALID_HANDLE_VALUE};
    // The hidden window of smWindowSync. Only its own thread can destroy a
    // window: from any other (a Close on a worker thread) it is asked to close
    // itself, which it does once that thread has returned from what it is
    // handling now.
    struct TWindowTraits {
        using Type = HWND;
        static Type empty() noexcept { return nullptr; }
        static bool valid(Type h) noexcept { return h != nullptr; }
        static void close(Type h) noexcept {
            if (::GetWindowThreadProcessId(h, nullptr) == ::GetCurrentThreadId()) {
                ::DestroyWindow(h);
            } else {
                ::SendMessageW(h, WM_CLOSE, 0, 0);
            }
        }
    };
    fw::UniqueResource<TWindowTraits> FWindow;
    static LRESULT CALLBACK StaticPortWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    int FUpdateCount = 0;
    // Records of the synchronous reads and writes, kept for the next one:
    // an event made and closed per operation costs two round trips to the
    // server under Wine, more than the read itself. Any thread may take one;
    // one in use belongs to its operation alone.
    friend class TSyncAsync;
    struct TAsyncDelete {
        void operator()(TAsync* async) const noexcept { FreeAsync(async); }
    };
    std::mutex FSyncRecordsLock;
    std::vector<std::unique_ptr<TAsync, TAsyncDelete>> FSyncRecords;
    std::vector<TComLink*> FLinks;
    bool FTriggersOnRxChar = true;
    fw::TThreadPriority FEventThreadPriority = fw::TThreadPriority::tpNormal;
    bool FHasLink = false;
    std::atomic<bool> FConnected{false};
    bool FDesigning = false;
    TBaudRate FBaudRate = TBaudRate::br9600;
    int FCustomBaudRate = 9600;
    std::wstring FPort = L"COM1";
    TStopBits FStopBits = TStopBits::sbOneStopBit;
    TDataBits FDataBits = TDataBits::dbEight;
    bool FDiscardNull = false;
    wchar_t FEventChar = 0;
    TComEvents FEvents = TComEvents::All();
    TComBuffer FBuffer{this};
    TComParity FParity{this};
    TComTimeouts FTimeouts{this};
    TComFlowControl FFlowControl{this};
    TSyncMethod FSyncMethod = TSyncMethod::smThreadSync;
    TStoredProps FStoredProps{TStoredProp::spBasic};
    unsigned FCodePage = 0;
};

// The port a form owns.
class TComPort : public TCustomComPort {
public:
    using TCustomComPort::TCustomComPort;
};

}  // namespace serial
