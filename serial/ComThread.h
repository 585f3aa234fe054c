#pragma once
// The event thread of an open port: waits for line events on the device and
// hands each batch to the port, on the thread its SyncMethod names.
//
// Stopping it never waits on a thread that waits for the stopper:
//   smThreadSync  the GUI thread starts the next event wait when the batch
//                 is done. While that wait ends at once (a steady stream),
//                 the GUI thread goes on with the next batch itself; every
//                 few milliseconds it lets due input, painting and timers
//                 through, and when other posted messages wait it hands the
//                 wait back and returns to its message loop. The thread
//                 waits for the hand-back or its stop event. A Close inside
//                 the handlers (GUI thread) stops it and cancels the rest of
//                 the batch and the next wait.
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

// On the GUI thread, before and after the notifications of a stream: lets
// due input, painting and timers through when they were last let through
// long enough ago. The message loop hands those out only when no posted
// message waits, and under a steady stream one nearly always does. True when
// posted messages wait for the loop.
bool LetDueMessagesThrough();

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
    // The hand-over of batches to the GUI thread, one for the thread's life.
    // Once the thread is stopped, a batch still queued dispatches nothing
    // when it gets its turn; the queued work keeps this record alive, not the
    // thread. Lock orders the GUI thread starting the next event wait
    // against cancelling, which frees the wait record.
    struct THandover {
        // What the GUI thread's start of the next wait came to.
        enum class TNext { Pending, Failed, Completed };

        TCustomComPort* Port;
        std::shared_ptr<TCommDevice> Device;
        HANDLE Handle;
        TEventWait* Wait = nullptr;  // the thread's record, set before the first hand-over
        // Auto-reset; set when the GUI thread hands the next wait back.
        fw::UniqueHandle Baton;
        std::mutex Lock;
        std::atomic<bool> Cancelled{false};
        TNext Next = TNext::Pending;  // under Lock
    };
    enum class TOutcome { Completed, Failed, Stopped };

    // On the GUI thread: dispatches a batch, then starts the next wait; while
    // that wait ends at once, goes on with its batch.
    static void RunBatches(THandover& handover, TComEvents events);

    bool Stopped() const noexcept;
    // Waits before the next attempt after a failed event wait; true when
    // the thread is to end.
    bool Pace(DWORD& delay) const noexcept;
    // Starts the wait on this thread and waits for it to end.
    TOutcome StartAndAwait(TEventWait& wait);
    // Waits until the GUI thread hands the wait back, and then for its end.
    TOutcome AwaitHandedBack(TEventWait& wait);
    TOutcome Await(TEventWait& wait);
    // Dispatches FEvents; false when the thread is to end.
    bool Dispatch();

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
