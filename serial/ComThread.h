#pragma once
// The event thread of an open port: waits for line events on the device and
// hands each batch to the port, on the thread its SyncMethod names.
//
// Stopping it never waits on a thread that waits for the stopper:
//   smThreadSync  the thread waits for its hand-over to be done OR for the
//                 stop event; a Close inside the handlers (GUI thread) stops
//                 it and cancels the rest of the batch. The GUI thread starts
//                 the next event wait when the batch is done.
//   smWindowSync  each message is released at once (ReplyMessage); a Close on
//                 the GUI thread keeps serving sent messages while it waits,
//                 and the port ignores events once it is closing.
//   smNone        a Close inside a handler runs on this thread itself: the
//                 thread is not waited for; between two event waits it has
//                 no call pending on the device, so it gives the device up
//                 there and then (ReleaseDevice), and ends once the handler
//                 returns (TCustomComPort retires it).
// The device handle is never closed while the thread may still use it.
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "framework/Handles.h"
#include "framework/Thread.h"
#include "serial/ComTypes.h"

namespace serial {

class TCustomComPort;
class TCommDevice;

// The record of one overlapped event wait: the OVERLAPPED, the mask the
// system fills in and the record's event. The system writes into it until
// the wait has completed, so it lives on the heap and goes only after that.
struct TEventWait {
    OVERLAPPED Overlapped{};
    DWORD Mask = 0;
    fw::UniqueHandle Event;
    bool Pending = false;

    // Null when no event could be created.
    static std::unique_ptr<TEventWait> Create(bool signalled);
    // Starts WaitCommEvent; false (last error set) when it could not start.
    bool Start(TCommDevice& device, HANDLE handle);
    // Clears the device's event mask, which ends a wait still pending, and
    // waits for the system to be done with the record before freeing it.
    static void Finish(std::unique_ptr<TEventWait> wait, TCommDevice& device, HANDLE handle) noexcept;
};

class TComThread final : public fw::TThread {
public:
    // Sets the device's event mask from the port's Events and starts waiting.
    explicit TComThread(TCustomComPort& port);
    // Stops the thread and waits until it has ended.
    ~TComThread() override;

    // Asks the thread to end: no further batch, nor the rest of the current
    // one, is dispatched. Callable from any thread, the event thread included.
    void SignalStop() noexcept;
    // On this thread, inside a handler (a Close that runs on this very
    // thread): does the thread's end-of-life work on the device now (event
    // mask cleared, queues purged) and never touches the device again, so
    // the caller may close the handle at once.
    void ReleaseDevice() noexcept;
    bool IsCurrentThread() const noexcept { return ::GetCurrentThreadId() == ThreadId(); }

protected:
    void Execute() override;

private:
    // The hand-over of batches to the GUI thread, one for the thread's
    // life: the event thread waits for Done (auto-reset, set once per batch)
    // or for its stop event. Once the thread is stopped, a batch still
    // queued dispatches nothing when it gets its turn; the queued work keeps
    // this record alive, not the thread. Lock orders cancelling against the
    // GUI thread starting the next event wait.
    struct THandover {
        fw::UniqueHandle Done;
        std::mutex Lock;
        std::atomic<bool> Cancelled{false};
    };

    bool Stopped() const noexcept;
    // Waits before the next attempt after a failed event wait; true when
    // the thread is to end.
    bool Pace(DWORD& delay) const noexcept;
    // False when the thread is to end. wait: the completed event wait,
    // started again by the GUI thread after a hand-over.
    bool Dispatch(TEventWait& wait);
    bool HandOverToGui(TEventWait& wait);

    TCustomComPort* FComPort;
    std::shared_ptr<TCommDevice> FDevice;
    HANDLE FHandle;
    fw::UniqueHandle FStopEvent;
    TComEvents FEvents;
    TSyncMethod FSyncMethod;
    HWND FWindow;  // the port's hidden window (smWindowSync)
    bool FDeviceReleased = false;  // written and read on the thread itself
    std::atomic<bool> FStopRequested{false};
    std::shared_ptr<THandover> FHandover;
};

}  // namespace serial
