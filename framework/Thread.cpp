#include "framework/Thread.h"

#include <process.h>

#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Internal.h"

namespace fw {

namespace {

std::atomic<DWORD> gGuiThreadId{0};
std::atomic<HWND> gSyncWindow{nullptr};
int gGuiWaits = 0;  // GUI thread only: TThread::WaitFor calls under way
constexpr UINT kSyncMessage = WM_USER + 1;
thread_local detail::TLoopPlace tLoopPlace = detail::TLoopPlace::Elsewhere;

struct SyncQueue {
    std::mutex lock;
    std::deque<std::function<void()>> items;
    // Auto-reset; set on every queued item so that a GUI-thread WaitFor wakes.
    UniqueHandle event{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

SyncQueue& Queue() {
    static SyncQueue queue;
    return queue;
}

}  // namespace

namespace detail {

void BindGuiThread(HWND syncWindow) noexcept {
    gGuiThreadId = ::GetCurrentThreadId();
    gSyncWindow = syncWindow;
}

void UnbindSyncWindow() noexcept { gSyncWindow = nullptr; }

bool IsSyncMessage(UINT msg) noexcept { return msg == kSyncMessage; }

bool GuiThreadWaits() noexcept { return gGuiWaits > 0; }

bool IsSyncWindow(HWND wnd) noexcept { return wnd && wnd == gSyncWindow.load(); }

TLoopPlaceScope::TLoopPlaceScope(TLoopPlace place) noexcept : outer_(std::exchange(tLoopPlace, place)) {}

TLoopPlaceScope::~TLoopPlaceScope() { tLoopPlace = outer_; }

void RegisterWindowClass(const wchar_t* className, WNDPROC proc, HBRUSH background, UINT style) {
    static std::mutex lock;
    static std::set<std::wstring> registered;
    std::lock_guard guard(lock);
    if (registered.count(className)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.cbWndExtra = kBindingSlotBytes;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw EOSError(std::wstring(L"Cannot register the window class ") + className, ::GetLastError());
    }
    registered.insert(className);
}

// The slot is the last one: a superclass of a system class keeps the system
// class's own extra bytes in front of it. -1: the window has no room for it
// (gone, or its handle now names a window of another class).
namespace {
int BindingSlot(HWND wnd) noexcept {
    const int extra = static_cast<int>(::GetClassLongW(wnd, GCL_CBWNDEXTRA));
    return extra >= kBindingSlotBytes ? extra - kBindingSlotBytes : -1;
}
}  // namespace

void* BoundObject(HWND wnd) noexcept {
    const int slot = BindingSlot(wnd);
    return slot < 0 ? nullptr : reinterpret_cast<void*>(::GetWindowLongPtrW(wnd, slot));
}

void BindObject(HWND wnd, void* object) noexcept {
    if (const int slot = BindingSlot(wnd); slot >= 0) ::SetWindowLongPtrW(wnd, slot, reinterpret_cast<LONG_PTR>(object));
}

}  // namespace detail

TMessageScope::TMessageScope() noexcept : outer_(static_cast<int>(tLoopPlace)) {
    using detail::TLoopPlace;
    const bool fromLoop = tLoopPlace == TLoopPlace::Retrieving || tLoopPlace == TLoopPlace::DispatchingQueue;
    tLoopPlace = fromLoop ? TLoopPlace::Handling : TLoopPlace::Elsewhere;
}

TMessageScope::~TMessageScope() { tLoopPlace = static_cast<detail::TLoopPlace>(outer_); }

bool InApplicationLoop() noexcept { return tLoopPlace == detail::TLoopPlace::Handling; }

namespace {

// The kind of a message a loop takes from the queue (never a sent one).
UINT KindOf(UINT msg) noexcept {
    if ((msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ||
        (msg >= WM_NCMOUSEMOVE && msg <= WM_NCXBUTTONDBLCLK) || msg == WM_INPUT) {
        return QS_INPUT;
    }
    if (msg == WM_PAINT) return QS_PAINT;
    if (msg == WM_TIMER) return QS_TIMER;
    if (msg == WM_HOTKEY) return QS_HOTKEY;
    return QS_POSTMESSAGE;
}

UINT WaitingKinds(UINT kinds) noexcept { return HIWORD(::GetQueueStatus(kinds)) & kinds; }

// Of the kinds waiting, the one a loop comes to last.
UINT LastKind(UINT waiting) noexcept {
    for (UINT kind : {UINT(QS_TIMER), UINT(QS_PAINT), UINT(QS_INPUT)}) {
        if (waiting & kind) return kind;
    }
    return QS_POSTMESSAGE | QS_HOTKEY;
}

// What waits for the loop to come to its messages, and the hook that tells,
// there only while something waits: under Wine a thread with a message hook
// asks the server for the hook chain at every message it takes.
struct TPendingWaiter {
    UINT last;  // the kind the loop comes to last
    std::function<void()> fn;
};
struct TPendingWaiters {
    std::vector<TPendingWaiter> waiters;
    UniqueHook hook;
};
thread_local TPendingWaiters tPending;

void RunGuarded(const std::function<void()>& fn) noexcept {
    try {
        fn();
    } catch (...) {
        Application().HandleException(std::current_exception());
    }
}

// Runs the waiters that took: all of them when took is null.
void RunPendingWaiters(const std::function<bool(const TPendingWaiter&)>& took) {
    std::vector<TPendingWaiter> due;
    auto& list = tPending.waiters;
    for (auto it = list.begin(); it != list.end();) {
        if (!took || took(*it)) {
            due.push_back(std::move(*it));
            it = list.erase(it);
        } else {
            ++it;
        }
    }
    if (list.empty()) tPending.hook.reset();
    for (const auto& waiter : due) RunGuarded(waiter.fn);
}

// Every loop's look at the queue passes here, a menu's and a dialog's too,
// whether it removes the message or only peeks at it.
LRESULT CALLBACK PendingReachedProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code == HC_ACTION) {
        const UINT kind = KindOf(reinterpret_cast<const MSG*>(lParam)->message);
        RunPendingWaiters([kind](const TPendingWaiter& w) { return (w.last & kind) != 0 || !WaitingKinds(w.last); });
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void AfterPendingMessages(UINT kinds, std::function<void()> fn) {
    const UINT waiting = WaitingKinds(kinds);
    if (waiting == 0) {
        RunGuarded(fn);
        return;
    }
    tPending.waiters.push_back({LastKind(waiting), std::move(fn)});
    if (!tPending.hook) {
        tPending.hook.reset(::SetWindowsHookExW(WH_GETMESSAGE, &PendingReachedProc, nullptr, ::GetCurrentThreadId()));
    }
    // No hook to tell: at once rather than never.
    if (!tPending.hook) RunPendingWaiters(nullptr);
}

bool IsGuiThread() noexcept { return gGuiThreadId.load() == ::GetCurrentThreadId(); }

void QueueOnGuiThread(std::function<void()> fn) {
    auto& q = Queue();
    {
        std::lock_guard guard(q.lock);
        q.items.push_back(std::move(fn));
    }
    ::SetEvent(q.event.get());
    // One message per item; each message runs what was queued before it, so
    // a message whose item an earlier one (or a GUI-thread wait) ran costs
    // nothing.
    if (HWND wnd = gSyncWindow.load()) ::PostMessageW(wnd, kSyncMessage, 0, 0);
}

void CheckSynchronize() {
    if (!IsGuiThread()) return;
    auto& q = Queue();
    // Only what was queued before this call: work queued meanwhile waits for
    // its own posted message, behind the messages posted before it, so that
    // threads queueing without pause cannot keep the loop from the rest of
    // its messages. One item at a time: an item that runs a nested message
    // loop (an error box) lets later items run inside it, still in order.
    size_t queued = 0;
    {
        std::lock_guard guard(q.lock);
        queued = q.items.size();
    }
    for (; queued > 0; --queued) {
        std::function<void()> fn;
        {
            std::lock_guard guard(q.lock);
            if (q.items.empty()) return;
            fn = std::move(q.items.front());
            q.items.pop_front();
        }
        try {
            fn();
        } catch (...) {
            Application().HandleException(std::current_exception());
        }
    }
}

TThread::TThread() {
    unsigned id = 0;
    handle_.reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id)));
    if (!handle_) throw EOSError(L"Thread creation error", ::GetLastError());
    threadId_ = id;
}

TThread::~TThread() {
    Terminate();
    if (!started_) {
        // The thread proc sees Terminated and returns without Execute.
        started_ = true;
        ::ResumeThread(handle_.get());
    }
    try {
        WaitFor();
    } catch (...) {
    }
}

unsigned __stdcall TThread::ThreadProc(void* param) noexcept {
    auto* self = static_cast<TThread*>(param);
    try {
        if (!self->Terminated()) self->Execute();
    } catch (...) {
        self->fatal_ = std::current_exception();
    }
    self->finished_ = true;
    return 0;
}

void TThread::Start() {
    if (started_) return;
    started_ = true;
    ::ResumeThread(handle_.get());
}

void TThread::Terminate() noexcept { terminated_ = true; }

void TThread::WaitFor() {
    if (!started_ || !handle_) return;
    if (!IsGuiThread()) {
        ::WaitForSingleObject(handle_.get(), INFINITE);
        return;
    }
    // On the GUI thread: the thread may be waiting in Synchronize or in a
    // SendMessage to one of our windows; keep serving both until it ends.
    ++gGuiWaits;
    struct TWaitEnd {
        ~TWaitEnd() { --gGuiWaits; }
    } waitEnd;
    // Not the application's loop: what the wait hands out stands in for nothing.
    const detail::TLoopPlaceScope place(detail::TLoopPlace::Elsewhere);
    const HANDLE waits[2] = {handle_.get(), Queue().event.get()};
    for (;;) {
        const DWORD r = ::MsgWaitForMultipleObjects(2, waits, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return;
        if (r == WAIT_OBJECT_0 + 1) {
            CheckSynchronize();
        } else if (r == WAIT_OBJECT_0 + 2) {
            MSG msg;
            ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        } else {
            ::WaitForSingleObject(handle_.get(), INFINITE);
            return;
        }
    }
}

namespace {
constexpr int kPriorities[] = {THREAD_PRIORITY_IDLE,   THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                               THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                               THREAD_PRIORITY_TIME_CRITICAL};
}

void TThread::SetPriority(TThreadPriority priority) {
    ::SetThreadPriority(handle_.get(), kPriorities[static_cast<int>(priority)]);
}

TThreadPriority TThread::Priority() const {
    const int p = ::GetThreadPriority(handle_.get());
    for (int i = 0; i < 7; ++i) {
        if (kPriorities[i] == p) return static_cast<TThreadPriority>(i);
    }
    return TThreadPriority::tpNormal;
}

void TThread::Synchronize(std::function<void()> fn) {
    if (IsGuiThread()) {
        fn();
        return;
    }
    struct Call {
        std::function<void()> fn;
        std::exception_ptr error;
        UniqueHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    };
    auto call = std::make_shared<Call>();
    call->fn = std::move(fn);
    if (!call->done) throw EOSError(L"Cannot create an event", ::GetLastError());
    QueueOnGuiThread([call] {
        try {
            call->fn();
        } catch (...) {
            call->error = std::current_exception();
        }
        ::SetEvent(call->done.get());
    });
    ::WaitForSingleObject(call->done.get(), INFINITE);
    if (call->error) std::rethrow_exception(call->error);
}

namespace {
thread_local TUtilWindow* tCreatingUtil = nullptr;
thread_local HWND tDispatching = nullptr;
}  // namespace

TUtilWindow::TUtilWindow(Proc proc, const wchar_t* className, TUtilWindowKind kind)
    : proc_(std::make_shared<Proc>(std::move(proc))) {
    detail::RegisterWindowClass(className, &TUtilWindow::StaticProc, nullptr, 0);
    tCreatingUtil = this;
    const bool topLevel = kind == TUtilWindowKind::TopLevel;
    HWND wnd = ::CreateWindowExW(topLevel ? WS_EX_TOOLWINDOW : 0, className, L"", topLevel ? WS_POPUP : 0, 0, 0, 0, 0,
                                 topLevel ? nullptr : HWND_MESSAGE, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    tCreatingUtil = nullptr;
    if (!wnd) throw EOSError(L"Cannot create a window", ::GetLastError());
}

LRESULT TUtilWindow::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    return ::DefWindowProcW(tDispatching, msg, wParam, lParam);
}

TUtilWindow::~TUtilWindow() {
    if (wnd_) ::DestroyWindow(wnd_);
}

LRESULT CALLBACK TUtilWindow::StaticProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = static_cast<TUtilWindow*>(detail::BoundObject(wnd));
    if (!self && tCreatingUtil) {
        self = std::exchange(tCreatingUtil, nullptr);
        self->wnd_ = wnd;
        detail::BindObject(wnd, self);
    }
    if (!self) return ::DefWindowProcW(wnd, msg, wParam, lParam);
    // Keeps proc alive even when it frees its own window object.
    const std::shared_ptr<Proc> proc = self->proc_;
    LRESULT result = 0;
    const HWND outer = std::exchange(tDispatching, wnd);
    try {
        result = (*proc)(msg, wParam, lParam);
    } catch (...) {
        Application().HandleException(std::current_exception());
    }
    tDispatching = outer;
    if (msg == WM_NCDESTROY) {
        if (auto* bound = static_cast<TUtilWindow*>(detail::BoundObject(wnd))) {
            detail::BindObject(wnd, nullptr);
            bound->wnd_ = nullptr;
        }
    }
    return result;
}

}  // namespace fw
