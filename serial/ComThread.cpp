#include "serial/ComThread.h"

#include <algorithm>

#include "framework/Application.h"
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

TComThread::TComThread(TCustomComPort& port)
    : FComPort(&port),
      FDevice(port.FDevice),
      FHandle(port.FHandle),
      FStopEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      FSyncMethod(port.FSyncMethod),
      FWindow(port.FWindow.get()),
      FHandover(std::make_shared<THandover>()) {
    if (!FStopEvent) throw fw::EOSError(L"Cannot create the event thread's stop event", ::GetLastError());
    FHandover->Done.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!FHandover->Done) throw fw::EOSError(L"Cannot create the event thread's hand-over event", ::GetLastError());
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
        const HANDLE waitSet[2] = {FStopEvent.get(), wait->Event.get()};
        DWORD delay = 0;
        for (;;) {
            // With smThreadSync the GUI thread has started the wait already,
            // at the end of the batch (HandOverToGui).
            if (!wait->Pending && !wait->Start(*FDevice, FHandle)) {
                if (Pace(delay)) break;
                continue;
            }
            if (::WaitForMultipleObjects(2, waitSet, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
            wait->Pending = false;
            DWORD unused = 0;
            if (!FDevice->GetOverlappedResult(FHandle, &wait->Overlapped, &unused, FALSE) || wait->Mask == 0) {
                if (Pace(delay)) break;
                continue;
            }
            delay = 0;
            FEvents = MaskToEvents(wait->Mask);
            if (!Dispatch(*wait)) break;
        }
    } else {
        ::WaitForSingleObject(FStopEvent.get(), INFINITE);
    }
    if (FDeviceReleased) return;
    TEventWait::Finish(std::move(wait), *FDevice, FHandle);
    FDevice->PurgeComm(FHandle, PURGE_TXCLEAR | PURGE_RXCLEAR);
}

void TComThread::ReleaseDevice() noexcept {
    // Called from a handler this thread dispatches: its event wait has
    // completed, so nothing of it is pending on the device.
    FDevice->SetCommMask(FHandle, 0);
    FDevice->PurgeComm(FHandle, PURGE_TXCLEAR | PURGE_RXCLEAR);
    FDeviceReleased = true;
}

bool TComThread::Dispatch(TEventWait& wait) {
    switch (FSyncMethod) {
    case TSyncMethod::smThreadSync:
        return HandOverToGui(wait);
    case TSyncMethod::smWindowSync:
        for (TComEvent event : BatchOrder) {
            if (!FEvents.Contains(event)) continue;
            if (Stopped()) return false;
            ::SendMessageW(FWindow, WM_PORTEVENT, EventMaskBit(event), 0);
        }
        break;
    case TSyncMethod::smNone:
        FComPort->DispatchBatch(FEvents, [this] { return Stopped(); });
        break;
    }
    return !Stopped();
}

bool TComThread::HandOverToGui(TEventWait& wait) {
    if (Stopped()) return false;
    fw::QueueOnGuiThread([handover = FHandover, port = FComPort, events = FEvents, next = &wait, device = FDevice,
                          handle = FHandle] {
        // Cancelled: the port is closing or gone; touch nothing of it.
        if (!handover->Cancelled) port->DispatchBatch(events, [&handover] { return handover->Cancelled.load(); });
        {
            // The next wait starts the moment the batch is done, here rather
            // than after the event thread has woken: Wine reports received
            // characters only when more arrive after a wait has started, so
            // under a steady stream a late start waits for the next bytes.
            // Under the lock that cancels: a stopped thread frees the record.
            std::lock_guard guard(handover->Lock);
            if (!handover->Cancelled) next->Start(*device, handle);
        }
        ::SetEvent(handover->Done.get());
    });
    const HANDLE waitSet[2] = {FStopEvent.get(), FHandover->Done.get()};
    if (::WaitForMultipleObjects(2, waitSet, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
        // Stopped (or the wait failed): the batch, if it has not run yet,
        // must neither run nor start a wait on a record about to be freed.
        std::lock_guard guard(FHandover->Lock);
        FHandover->Cancelled = true;
        return false;
    }
    return !Stopped();
}

}  // namespace serial
