#pragma once
// Threads and the hand-over of work to the GUI thread.
#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

#include "framework/Handles.h"

namespace fw {

// The GUI thread is the one that first used Application().
bool IsGuiThread() noexcept;

// Runs fn on the GUI thread, in order, from whatever message loop the GUI
// thread is running (a message posted to a hidden "TPUtilWindow" window of the
// GUI thread). Callable from any thread, the GUI thread included; never blocks.
// An exception leaving fn goes to Application().HandleException.
void QueueOnGuiThread(std::function<void()> fn);

// Runs, on the GUI thread, everything queued so far; work queued meanwhile
// waits for its own turn in the message loop. The loop does this by itself;
// a GUI-thread wait for another thread (TThread::WaitFor) does it too, so
// that a thread inside Synchronize can finish.
void CheckSynchronize();

// Declared first thing in the handling of a message (the queue window's does
// it for queued work): notes whether the application's own loop handed the
// message out, and for as long as it lives marks what the handling runs as
// handling, not as that loop, so that a loop opened inside it (a menu, a
// move or size loop, a message box) counts as another. Code that stands in
// for the message loop now and then (a long run of queued work letting due
// input through itself) does so only for the application's own loop: input
// taken from under another loop never reaches that loop, which goes on
// without its keys.
class TMessageScope {
public:
    TMessageScope() noexcept;
    ~TMessageScope();
    TMessageScope(const TMessageScope&) = delete;
    TMessageScope& operator=(const TMessageScope&) = delete;

private:
    int outer_;
};

// True while this thread handles a message (queued work included) that the
// application's own loop handed out (HandleMessage, ProcessMessages, a pass
// of HandleDueMessages), and no other loop has been opened inside that
// handling since.
bool InApplicationLoop() noexcept;

// Runs fn on this thread once the message loop that is open has come to all
// the messages of the given kinds (QS_ flags) waiting now: at its first look
// at the queue that takes one of the kind it comes to last (posted messages
// come first, then input, painting, timers) or finds none of that kind left;
// at once when none waits. Work that keeps coming hands its next turn over
// this way: a loop takes sent messages first and posted ones before input,
// and under a steady stream would come to the rest late or never. An
// exception leaving fn goes to Application().HandleException.
void AfterPendingMessages(UINT kinds, std::function<void()> fn);

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A thread object: Execute runs on the new thread; an exception leaving Execute
// is caught at the thread boundary and kept as FatalException.
//
// The system thread exists from construction on (Handle and ThreadId are valid)
// but Execute cannot run before the derived object is complete, so the thread
// always begins with Start(): a derived class whose thread should run at once
// calls Start() at the end of its own constructor.
//
// A derived class whose Execute uses its own members must make Execute return
// (Terminate, or its own stop signal) and call WaitFor in its own destructor:
// by the time ~TThread runs, the derived members are already gone.
class TThread {
public:
    TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    virtual ~TThread();                 // Terminate + WaitFor; never throws

    void Start();
    void Terminate() noexcept;
    bool Terminated() const noexcept { return terminated_.load(); }
    // Waits until Execute has returned (at once when the thread never started).
    // On the GUI thread the wait keeps running queued GUI work and sent messages.
    void WaitFor();
    bool Finished() const noexcept { return finished_.load(); }
    void SetPriority(TThreadPriority priority);
    TThreadPriority Priority() const;
    HANDLE Handle() const noexcept { return handle_.get(); }
    DWORD ThreadId() const noexcept { return threadId_; }
    std::exception_ptr FatalException() const noexcept { return fatal_; }

    // Runs fn on the GUI thread and waits until it has run; an exception from
    // fn is rethrown here. On the GUI thread itself, runs fn directly.
    static void Synchronize(std::function<void()> fn);

protected:
    virtual void Execute() = 0;

private:
    static unsigned __stdcall ThreadProc(void* param) noexcept;

    UniqueHandle handle_;
    DWORD threadId_ = 0;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    bool started_ = false;
    std::exception_ptr fatal_;
};

// Where a utility window lives. A message-only window is the cheap kind (under
// Wine a hidden top-level window costs about three times as much to create,
// which shows at start-up); a hidden top-level window is for the few that
// must get broadcasts (WM_SETTINGCHANGE) or own a pop-up menu, which needs an
// owner that can be the foreground window.
enum class TUtilWindowKind { MessageOnly, TopLevel };

// A hidden window owned by this object, created on the calling thread, whose
// messages go to proc (the result is proc's answer; return
// TUtilWindow::DefaultHandler(msg, wParam, lParam) for what proc does not
// handle). Exceptions leaving proc go
// to Application().HandleException. The object may be destroyed from inside
// proc (a timer freed in its own tick): the window is destroyed at once and
// proc stays alive until it returns.
class TUtilWindow {
public:
    using Proc = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;
    explicit TUtilWindow(Proc proc, const wchar_t* className = L"TPUtilWindow",
                         TUtilWindowKind kind = TUtilWindowKind::MessageOnly);
    TUtilWindow(const TUtilWindow&) = delete;
    TUtilWindow& operator=(const TUtilWindow&) = delete;
    ~TUtilWindow();
    HWND Handle() const noexcept { return wnd_; }
    // DefWindowProcW for the utility window whose message is being handled
    // on this thread (also during its creation, before Handle() is set).
    static LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

private:
    static LRESULT CALLBACK StaticProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    std::shared_ptr<Proc> proc_;
    HWND wnd_ = nullptr;
};

}  // namespace fw
