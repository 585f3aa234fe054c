#pragma once
// The event thread of an open port: waits for line events on the device and
// hands each batch to the port, on the thread its SyncMethod names.
//
// Stopping it never waits on a thread that waits for the stopper:
//   smThreadSync  the GUI thread starts the next event wait when the batch
//                 is done. While that wait ends at once (a steady stream) and
//                 the application's own message loop handed the batch out,
//                 the GUI thread goes on with the next batch itself; every
//                 few milliseconds it hands the wait back, lets due input,
//                 painting and timers through and returns to its loop. From
//                 any other loop (a menu's, a move loop's, a message box's)
//                 it runs one batch and lets nothing through: that loop takes
//                 its own input, and the wait goes back once the loop has
//                 come to the input, painting and timers waiting
//                 (fw::AfterPendingMessages), or the thread takes it back
//                 after a few tens of milliseconds. The wait is never held
//                 while input is handled, so events keep arriving in a modal
//                 loop that input opens. The thread waits for the
//                 hand-back or its stop event. A Close inside the handlers
//                 (GUI thread) stops it and cancels the rest of the batch and
//                 the next wait; a Close on another thread waits for the
//                 batch the GUI thread runs (TBatchGate).
//   smWindowSync  each message is released at once (ReplyMessage); a Close on
//                 the GUI thread keeps serving sent messages while it waits,
//                 and the port ignores events once it is closing; a Close on
//                 another thread waits for the notification running. The
//                 loop takes sent messages before any other, so while the
//                 loop has others waiting when a notification ends, the next
//                 one waits until the loop has come to them, a few tens of
//                 milliseconds at most (TBatchGate::HoldNext).
//   smNone        a Close inside a handler runs on this thread itself: the
//                 thread is not waited for; between two event waits it has
//                 no call pending on the device, so it gives the device up
//                 there and then (ReleaseDevice), and ends once the handler
//                 returns (TCustomComPort retires it).
// The device handle is never closed while the thread may still use it.
#include <windows.h>

#include <atomic>
#include <condition_variable>
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

// Between a port and the batches of its notifications that run on the GUI
// side (smThreadSync, smWindowSync): a Close on another thread waits until
// the batch running now has ended, as its handlers may be using the device.
// The batches share it, so that a handler may free the port.
class TBatchGate {
public:
    // A port that has just opened lets batches through.
    void Open() noexcept;
    // A port that closes lets none through any more, and waits until none
    // runs, other than one of the calling thread's (a Close in a handler).
    void CloseAndWait() noexcept;
    // Whether the calling thread is running a batch now.
    bool RunningHere() noexcept;

    // smWindowSync. On the GUI thread: the thread's next notification waits
    // until ReleaseNext, or a few tens of milliseconds at most.
    void HoldNext() noexcept;
    void ReleaseNext() noexcept;
    // On the event thread, before a notification: waits while it is held;
    // false when stopEvent ended the wait.
    bool AwaitNext(HANDLE stopEvent) noexcept;

private:
    friend class TBatchPass;
    std::mutex FLock;
    std::condition_variable FDone;
    bool FOpen = false;
    DWORD FThread = 0;  // the thread running batches (0: none)
    int FDepth = 0;     // how deep: a handler's own message loop may run the next one
    bool FHeld = false;
    // Auto-reset; set by ReleaseNext.
    fw::UniqueHandle FResume{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

// A batch's way through the gate, for the batch's time; empty (false) when
// the gate is closed: the batch is not to run.
class TBatchPass {
public:
    explicit TBatchPass(std::shared_ptr<TBatchGate> gate) noexcept;
    ~TBatchPass();
    TBatchPass(const TBatchPass&) = delete;
    TBatchPass& operator=(const TBatchPass&) = delete;
    explicit operator bool() const noexcept { return FGate != nullptr; }

private:
    std::shared_ptr<TBatchGate> FGate;
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
    // The hand-over of batches to the GUI thread, one for the thread's life.
    // Once the thread is stopped, a batch still queued dispatches nothing
    // when it gets its turn; the queued work keeps this record alive, not the
    // thread. Lock orders the GUI thread starting the next event wait
    // against cancelling, which frees the wait record.
    struct THandover {
        // What the GUI thread's start of the next wait came to.
        enum class TNext { Pending, Failed, Completed };

        TCustomComPort* Port;
        std::shared_ptr<TBatchGate> Gate;
        std::shared_ptr<TCommDevice> Device;
        HANDLE Handle;
        TEventWait* Wait = nullptr;  // the thread's record, set before the first hand-over
        // Auto-reset; set when the GUI thread hands the next wait back.
        fw::UniqueHandle Baton;
        // Auto-reset; set when the GUI thread holds the wait back until a
        // loop has come to its input (Held), which the thread bounds.
        fw::UniqueHandle HoldSignal;
        std::mutex Lock;
        std::atomic<bool> Cancelled{false};
        TNext Next = TNext::Pending;  // under Lock
        bool Held = false;            // under Lock

        // On the GUI thread, for a held wait: hands it back, unless the
        // thread has taken it back already.
        void HandBack() noexcept;
    };
    enum class TOutcome { Completed, Failed, Stopped };

    // On the GUI thread: dispatches a batch, then starts the next wait; while
    // that wait ends at once, goes on with its batch (see smThreadSync above).
    static void RunBatches(const std::shared_ptr<THandover>& handover, TComEvents events);

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
