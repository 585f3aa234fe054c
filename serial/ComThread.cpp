#include "serial/ComThread.h"

#include <algorithm>
#include <chrono>

#include "framework/Application.h"
#include "framework/Trace.h"
#include "serial/ComPort.h"

namespace serial {

namespace {
// How long the end of a wait is awaited once the event mask is cleared. A
// driver completes it at once; one that never does keeps its record. Under
// Wine a wait ended while bytes stream in is sometimes not collected at all,
// and every close would then hang for the whole of this.
constexpr DWORD kCollectTimeout = 500;
// Retry pacing while every event wait fails (a removed device, a driver
// without modem-status support): from the first to the longest delay.
constexpr DWORD kFirstRetryDelay = 10;
constexpr DWORD kLongestRetryDelay = 200;
// How often a stream lets due input, painting and timers through.
constexpr auto kServeEvery = std::chrono::milliseconds(10);
// How long the GUI thread may hold the next wait back for another loop's
// input before the thread takes it back: events keep arriving, at this pace
// at least, whatever that loop does.
constexpr DWORD kLongestHold = 50;
}  // namespace

std::unique_ptr<TEventWait> TEventWait::Create(bool signalled) {
    auto wait = std::make_unique<TEventWait>();
    wait->Event.reset(::CreateEventW(nullptr, TRUE, signalled, nullptr));
    if (!wait->Event) return nullptr;
    return wait;
}

bool TEventWait::Start(TCommDevice& device, HANDLE handle) {
    Overlapped = {};
    Overlapped.hEvent = Event.get();
    Mask = 0;
    const BOOL done = device.WaitCommEvent(handle, &Mask, &Overlapped);
    const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
    Pending = done || error == ERROR_IO_PENDING;
    ::SetLastError(error);
    return Pending;
}

void TEventWait::Finish(std::unique_ptr<TEventWait> wait, TCommDevice& device, HANDLE handle) noexcept {
    device.SetCommMask(handle, 0);
    if (!wait || !wait->Pending) return;
    // CancelIo does not end a pending WaitCommEvent everywhere (Wine keeps it
    // and writes into the OVERLAPPED later); a zero event mask does. Should
    // the wait still not end, the record is left to the system rather than
    // freed under it.
    if (::WaitForSingleObject(wait->Event.get(), kCollectTimeout) != WAIT_OBJECT_0) static_cast<void>(wait.release());
}

void TBatchGate::Open() noexcept {
    std::lock_guard guard(FLock);
    FOpen = true;
}

void TBatchGate::CloseAndWait() noexcept {
    std::unique_lock lock(FLock);
    FOpen = false;
    const DWORD self = ::GetCurrentThreadId();
    FDone.wait(lock, [&] { return FDepth == 0 || FThread == self; });
}

bool TBatchGate::RunningHere() noexcept {
    std::lock_guard guard(FLock);
    return FDepth > 0 && FThread == ::GetCurrentThreadId();
}

void TBatchGate::HoldNext() noexcept {
    std::lock_guard guard(FLock);
    FHeld = true;
}

void TBatchGate::ReleaseNext() noexcept {
    {
        std::lock_guard guard(FLock);
        if (!FHeld) return;
        FHeld = false;
    }
    ::SetEvent(FResume.get());
}

bool TBatchGate::AwaitNext(HANDLE stopEvent) noexcept {
    {
        std::lock_guard guard(FLock);
        if (!FHeld || !FResume) return true;
    }
    // A resume still set from a release that came after a time-out lets one
    // notification through unheld, no more.
    const HANDLE waitSet[2] = {stopEvent, FResume.get()};
    const DWORD r = ::WaitForMultipleObjects(2, waitSet, FALSE, kLongestHold);
    std::lock_guard guard(FLock);
    FHeld = false;
    return r != WAIT_OBJECT_0;
}

TBatchPass::TBatchPass(std::shared_ptr<TBatchGate> gate) noexcept {
    std::lock_guard guard(gate->FLock);
    if (!gate->FOpen) return;
    gate->FThread = ::GetCurrentThreadId();
    ++gate->FDepth;
    FGate = std::move(gate);
}

TBatchPass::~TBatchPass() {
    if (!FGate) return;
    {
        std::lock_guard guard(FGate->FLock);
        if (--FGate->FDepth == 0) FGate->FThread = 0;
    }
    FGate->FDone.notify_all();
}

namespace {

std::chrono::steady_clock::time_point gServed;  // GUI thread only

// On the GUI thread, between the batches of a stream. The message loop
// hands out input, painting and timers only when no posted message waits,
// and under a steady stream one nearly always does, so a run of batches lets
// them through itself every few milliseconds (only where the application's
// own loop handed the run out: see TApplication::HandleDueMessages). True
// when that is due: they were last let through long enough ago.
bool DueMessagesWait() { return std::chrono::steady_clock::now() - gServed >= kServeEvery; }

void LetDueMessagesThrough() {
    if (!DueMessagesWait()) return;
    gServed = std::chrono::steady_clock::now();
    fw::Application().HandleDueMessages();
}

}  // namespace

TComThread::TComThread(TCustomComPort& port)
    : FComPort(&port),
      FDevice(port.FDevice),
      FHandle(port.FHandle),
      FStopEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      FSyncMethod(port.FSyncMethod),
      FWindow(port.FWindow.get()),
      FHandover(std::make_shared<THandover>()) {
    if (!FStopEvent) throw fw::EOSError(L"Cannot create the event thread's stop event", ::GetLastError());
    FHandover->Port = FComPort;
    FHandover->Gate = port.FBatchGate;
    FHandover->Device = FDevice;
    FHandover->Handle = FHandle;
    FHandover->Baton.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    FHandover->HoldSignal.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!FHandover->Baton || !FHandover->HoldSignal) {
        throw fw::EOSError(L"Cannot create the event thread's hand-over events", ::GetLastError());
    }
    SetPriority(port.FEventThreadPriority);
    FDevice->SetCommMask(FHandle, EventsToMask(port.FEvents));
    Start();
}

TComThread::~TComThread() {
    SignalStop();
    WaitFor();
}

void TComThread::SignalStop() noexcept {
    // The flags first: whoever sees the stop event also sees them.
    {
        std::lock_guard guard(FHandover->Lock);
        FHandover->Cancelled = true;
    }
    FStopRequested = true;
    ::SetEvent(FStopEvent.get());
    ::Sleep(0);
}

// A flag, not a look at the stop event: under Wine every wait, even one that
// does not block, is a round trip to the server, and this is asked several
// times per batch.
bool TComThread::Stopped() const noexcept { return FStopRequested.load(); }

bool TComThread::Pace(DWORD& delay) const noexcept {
    delay = delay == 0 ? kFirstRetryDelay : std::min(delay * 2, kLongestRetryDelay);
    return ::WaitForSingleObject(FStopEvent.get(), delay) != WAIT_TIMEOUT;
}

void TComThread::Execute() {
    std::unique_ptr<TEventWait> wait = TEventWait::Create(true);
    if (wait) {
        FHandover->Wait = wait.get();
        DWORD delay = 0;
        // True while the GUI thread has the next wait (smThreadSync).
        bool handedOver = false;
        for (;;) {
            const TOutcome outcome = handedOver ? AwaitHandedBack(*wait) : StartAndAwait(*wait);
            handedOver = false;
            if (outcome == TOutcome::Stopped) break;
            DWORD unused = 0;
            if (outcome == TOutcome::Failed ||
                !FDevice->GetOverlappedResult(FHandle, &wait->Overlapped, &unused, FALSE) || wait->Mask == 0) {
                if (Pace(delay)) break;
                continue;
            }
            delay = 0;
            fw::trace::Mark(fw::trace::TPoint::EventWaitEnded);
            FEvents = MaskToEvents(wait->Mask);
            if (!Dispatch()) break;
            handedOver = FSyncMethod == TSyncMethod::smThreadSync;
        }
        // No hand-over starts a wait from here on, so Pending stays as it is.
        std::lock_guard guard(FHandover->Lock);
        FHandover->Cancelled = true;
        FHandover->Wait = nullptr;
    } else {
        ::WaitForSingleObject(FStopEvent.get(), INFINITE);
    }
    if (FDeviceReleased) return;
    TEventWait::Finish(std::move(wait), *FDevice, FHandle);
    FDevice->PurgeComm(FHandle, PURGE_TXCLEAR | PURGE_RXCLEAR);
}

TComThread::TOutcome TComThread::StartAndAwait(TEventWait& wait) {
    return wait.Start(*FDevice, FHandle) ? Await(wait) : TOutcome::Failed;
}

TComThread::TOutcome TComThread::AwaitHandedBack(TEventWait& wait) {
    THandover& h = *FHandover;
    // A hold signal still set from a hand-back that came first costs no more
    // than one timed wait that finds nothing held.
    const HANDLE waitSet[3] = {FStopEvent.get(), h.Baton.get(), h.HoldSignal.get()};
    bool held = false;
    for (;;) {
        const DWORD r = ::WaitForMultipleObjects(held ? 2 : 3, waitSet, FALSE, held ? kLongestHold : INFINITE);
        if (r == WAIT_OBJECT_0 + 1) break;
        if (r == WAIT_OBJECT_0 + 2) {
            held = true;
            continue;
        }
        if (r != WAIT_TIMEOUT) return TOutcome::Stopped;
        std::lock_guard guard(h.Lock);
        if (h.Held) {
            h.Held = false;  // taken back: the GUI thread's hand-back does nothing
            break;
        }
        held = false;  // handed back meanwhile: the baton is set
    }
    THandover::TNext next;
    {
        std::lock_guard guard(FHandover->Lock);
        next = FHandover->Next;
    }
    switch (next) {
    case THandover::TNext::Pending: return Await(wait);
    case THandover::TNext::Failed: return TOutcome::Failed;
    case THandover::TNext::Completed: break;
    }
    wait.Pending = false;
    return TOutcome::Completed;
}

TComThread::TOutcome TComThread::Await(TEventWait& wait) {
    const HANDLE waitSet[2] = {FStopEvent.get(), wait.Event.get()};
    if (::WaitForMultipleObjects(2, waitSet, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return TOutcome::Stopped;
    wait.Pending = false;
    return TOutcome::Completed;
}

void TComThread::ReleaseDevice() noexcept {
    // Called from a handler this thread dispatches: its event wait has
    // completed, so nothing of it is pending on the device.
    FDevice->SetCommMask(FHandle, 0);
    FDevice->PurgeComm(FHandle, PURGE_TXCLEAR | PURGE_RXCLEAR);
    FDeviceReleased = true;
}

bool TComThread::Dispatch() {
    switch (FSyncMethod) {
    case TSyncMethod::smThreadSync:
        if (Stopped()) return false;
        fw::QueueOnGuiThread([handover = FHandover, events = FEvents] { RunBatches(handover, events); });
        break;
    case TSyncMethod::smWindowSync:
        for (TComEvent event : BatchOrder) {
            if (!FEvents.Contains(event)) continue;
            if (Stopped() || !FHandover->Gate->AwaitNext(FStopEvent.get())) return false;
            ::SendMessageW(FWindow, WM_PORTEVENT, EventMaskBit(event), 0);
        }
        break;
    case TSyncMethod::smNone:
        FComPort->DispatchBatch(FEvents, [this] { return Stopped(); });
        break;
    }
    return !Stopped();
}

void TComThread::RunBatches(const std::shared_ptr<THandover>& handover, TComEvents events) {
    using TNext = THandover::TNext;
    THandover& h = *handover;
    // Handed out by another loop than the application's own, one batch: that
    // loop takes its input between two hand-overs.
    const bool ownLoop = fw::InApplicationLoop();
    for (;;) {
        // Cancelled: the port is closing or gone; touch nothing of it.
        if (h.Cancelled) return;
        {
            // A Close waits for the batch from here on: the port is there
            // until the batch has ended, unless a handler frees it.
            const TBatchPass pass(h.Gate);
            if (!pass) return;
            h.Port->DispatchBatch(events, [&h] { return h.Cancelled.load(); });
        }
        bool completed = false;
        {
            // The next wait starts the moment the batch is done, here rather
            // than after the event thread has woken: two thread switches
            // fewer per batch. Under the lock that cancels: a stopped thread
            // frees the record.
            std::lock_guard guard(h.Lock);
            if (h.Cancelled) return;
            TEventWait& wait = *h.Wait;
            if (!wait.Start(*h.Device, h.Handle)) {
                h.Next = TNext::Failed;
            } else {
                DWORD unused = 0;
                const bool ok = h.Device->GetOverlappedResult(h.Handle, &wait.Overlapped, &unused, FALSE) != FALSE;
                const bool ended = ok || ::GetLastError() != ERROR_IO_INCOMPLETE;
                h.Next = ended ? TNext::Completed : TNext::Pending;
                completed = ok && wait.Mask != 0;
                if (completed) {
                    fw::trace::Mark(fw::trace::TPoint::EventWaitEnded);
                    wait.Pending = false;
                    events = MaskToEvents(wait.Mask);
                }
            }
        }
        // Ended already, the usual case while data streams in: the batch is
        // ours until due messages are to go through. Then the thread takes
        // the ended wait back and queues its batch behind the loop's posted
        // messages.
        if (!completed || !ownLoop || DueMessagesWait()) break;
    }
    if (h.Cancelled) return;
    // The wait goes back before anything is let through: input may open a
    // modal loop (a menu, a message box), and events keep arriving inside it.
    if (ownLoop) {
        ::SetEvent(h.Baton.get());
        LetDueMessagesThrough();
        return;
    }
    // Another loop takes the next batch's posted message before its input:
    // the wait goes back once that loop has come to the input waiting now, as
    // it takes it, before that input is handled.
    {
        std::lock_guard guard(h.Lock);
        h.Held = true;
    }
    fw::AfterPendingMessages(QS_INPUT | QS_PAINT | QS_TIMER, [handover] { handover->HandBack(); });
    bool stillHeld = false;
    {
        std::lock_guard guard(h.Lock);
        stillHeld = h.Held;
    }
    if (stillHeld) ::SetEvent(h.HoldSignal.get());
}

void TComThread::THandover::HandBack() noexcept {
    {
        std::lock_guard guard(Lock);
        if (!Held) return;
        Held = false;
    }
    ::SetEvent(Baton.get());
}

}  // namespace serial
