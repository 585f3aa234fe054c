// TApplication's message loop: pre-translation of keys for the focused
// control, the dialog keys and characters, and the tracking of the control
// under the mouse (CM_MOUSEENTER / CM_MOUSELEAVE).
#include <windowsx.h>

#include <utility>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Internal.h"

namespace fw {

namespace {

// The framework control a window belongs to: its own, or the nearest
// ancestor's for a native child (the combo box's edit field).
TWinControl* OwningControl(HWND wnd) noexcept {
    for (HWND w = wnd; w; w = ::GetParent(w)) {
        if (TWinControl* c = TWinControl::FindControl(w)) return c;
    }
    return nullptr;
}

bool IsDialogKey(WPARAM key) noexcept { return key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE; }

// What the window with the focus takes itself (WM_GETDLGCODE).
UINT DialogCode(MSG& msg) {
    return static_cast<UINT>(::SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)));
}

bool WantsKey(MSG& msg) {
    const UINT code = DialogCode(msg);
    if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return true;
    return msg.wParam == VK_TAB && (code & DLGC_WANTTAB);
}

bool WantsChars(MSG& msg) {
    return (DialogCode(msg) & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_HASSETSEL)) != 0;
}

constexpr UINT_PTR kMouseTickId = 1;
// The control under the mouse is checked this often besides the mouse
// messages: a pointer that leaves through a window of another program, or
// during a modal loop that is not ours, sends none to this thread.
constexpr UINT kMouseTickMs = 100;
// A pointer that has not moved for this many ticks is at rest: the tick
// stops (an idle window is not woken ten times a second) and the next mouse
// message starts it again. Wine may report the old position once more just
// after a move, so one still tick is not yet rest.
constexpr int kRestingTicks = 3;
// The leave request also asks for a hover after this time, only to pace
// Wine: Windows reports a leave as it happens, but Wine polls the pointer
// for a standing leave request at the hover time of the request, which is
// the system's 400 ms unless a hover is asked for too. Under Wine each poll
// wakes the thread (measured here: about 0.4 ms of processor time, as much
// as a whole tick of the window's one-second timer), and the request stands
// for as long as the pointer rests over the window. A pointer that moves
// sends a mouse message first and is followed by the tick above; this
// interval bounds, under Wine, how late a pointer that jumps straight from
// rest out of the window is seen to leave, when nothing else wakes the
// thread (see kRestCheckMs). The hover itself is nobody's business: the
// loop drops it.
constexpr DWORD kLeavePollMs = 5000;
// While the pointer rests over a control, a message that wakes the thread
// for anything else (a timer of the program) also looks at the pointer, at
// most this often: a wake-up costs far more under Wine than the look.
constexpr DWORD kRestCheckMs = 1000;

// The hover message answers the framework's own leave request (a native
// control may have made its own request since, with a hover of its own).
bool IsOwnHover(HWND wnd) noexcept {
    TRACKMOUSEEVENT query{sizeof query, TME_QUERY, nullptr, 0};
    return ::TrackMouseEvent(&query) && query.hwndTrack == wnd && query.dwHoverTime == kLeavePollMs;
}

}  // namespace

void TApplication::Run() {
    if (mainForm_) mainForm_->Show();
    while (!terminated_) {
        if (!HandleMessage()) break;
    }
    DestroyForms();
}

namespace {
// The loop's own look at the queue: sent messages are delivered inside it.
BOOL PeekMessageOfLoop(MSG& msg, UINT first, UINT last, UINT flags) {
    const detail::TLoopPlaceScope scope(detail::TLoopPlace::Retrieving);
    return ::PeekMessageW(&msg, nullptr, first, last, flags);
}
}  // namespace

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageOfLoop(msg, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            // Leave WM_QUIT for the loop that owns it.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ProcessMessage(msg);
    }
}

void TApplication::HandleDueMessages() {
    // Inside a wait for a thread to end (a port closing), nothing else is to run.
    if (detail::GuiThreadWaits()) return;
    // Input is for the loop that is open: only the application's own one is
    // stood in for.
    if (!InApplicationLoop()) return;
    const DWORD due = HIWORD(::GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER));
    // Each kind at most this many times: a window that never validates
    // itself, or input arriving faster than it is handled, must not keep the
    // run from going on.
    constexpr int kMostOfAKind = 32;
    const auto handle = [this](UINT first, UINT last, UINT kinds) {
        MSG msg;
        for (int i = 0; i < kMostOfAKind && PeekMessageOfLoop(msg, first, last, PM_REMOVE | kinds); ++i) {
            ProcessMessage(msg);
        }
    };
    if (due & QS_INPUT) handle(0, 0, PM_QS_INPUT);
    if (due & QS_PAINT) handle(WM_PAINT, WM_PAINT, 0);
    if (due & QS_TIMER) handle(WM_TIMER, WM_TIMER, 0);
}

bool TApplication::HandleMessage() {
    MSG msg;
    BOOL r = 0;
    {
        const detail::TLoopPlaceScope place(detail::TLoopPlace::Retrieving);
        r = ::GetMessageW(&msg, nullptr, 0, 0);
    }
    if (r == 0 || r == -1) {
        terminated_ = true;
        return false;
    }
    ProcessMessage(msg);
    return true;
}

void TApplication::ProcessMessage(MSG& msg) {
    // Queued work is the loop's own; whatever else the message's handling
    // does, a loop opened in it (a menu, a move loop, a message box) is another.
    const detail::TLoopPlaceScope place(detail::IsSyncWindow(msg.hwnd) && detail::IsSyncMessage(msg.message)
                                            ? detail::TLoopPlace::DispatchingQueue
                                            : detail::TLoopPlace::Elsewhere);
    try {
        if (TrackMouse(msg)) return;
        if (IsPreProcessMessage(msg)) return;
    } catch (...) {
        HandleException(std::current_exception());
        return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

void TApplication::Terminate() noexcept {
    terminated_ = true;
    ::PostQuitMessage(0);
}

bool TApplication::IsPreProcessMessage(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    if (TWinControl* control = OwningControl(msg.hwnd)) {
        if (control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0) return true;
        // Keys and characters the focused window does not take itself: the
        // control and its parents may act on a dialog key; every control of
        // the form sees a character (accelerators, the button's space).
        if (msg.message == WM_KEYDOWN && IsDialogKey(msg.wParam) && !WantsKey(msg)) {
            for (TWinControl* c = control; c; c = c->Parent()) {
                if (c->Perform(CM_DIALOGKEY, msg.wParam, msg.lParam) != 0) return true;
            }
        }
        if (msg.message == WM_SYSCHAR || (msg.message == WM_CHAR && !WantsChars(msg))) {
            if (TCustomForm* form = control->ParentForm(); form && form->Perform(CM_DIALOGCHAR, msg.wParam, msg.lParam)) {
                return true;
            }
        }
    }
    // Tab, arrows, Enter and Escape move between the controls of the active form.
    HWND active = ::GetActiveWindow();
    if (dynamic_cast<TCustomForm*>(TWinControl::FindControl(active)) && ::IsDialogMessageW(active, &msg)) return true;
    return false;
}

bool TApplication::TrackMouse(const MSG& msg) {
    switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE: {
        // Asked once per window and area: the request stands until the
        // pointer leaves, which WM_MOUSELEAVE / WM_NCMOUSELEAVE then tell.
        const bool nonClient = msg.message == WM_NCMOUSEMOVE;
        if (msg.hwnd != trackedWindow_ || nonClient != trackedNonClient_) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE | TME_HOVER | (nonClient ? DWORD(TME_NONCLIENT) : 0u), msg.hwnd,
                                kLeavePollMs};
            if (::TrackMouseEvent(&tme)) {
                trackedWindow_ = msg.hwnd;
                trackedNonClient_ = nonClient;
            }
        }
        UpdateMouseControl();
        // Moving again after a rest: checked again until it rests.
        SetMouseTick(mouseControl_ != nullptr);
        NotifyMouseWatches();
        break;
    }
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
        if (msg.hwnd == trackedWindow_ && (msg.message == WM_NCMOUSELEAVE) == trackedNonClient_) trackedWindow_ = nullptr;
        UpdateMouseControl();
        SetMouseTick(mouseControl_ != nullptr);
        NotifyMouseWatches();
        break;
    case WM_MOUSEHOVER:
    case WM_NCMOUSEHOVER:
        return IsOwnHover(msg.hwnd);
    default:
        if (mouseControl_ && !mouseTickOn_) LookAtRestingPointer(msg.pt);
        break;
    }
    return false;
}

// The look compares where the pointer was when each message was posted
// (the message's own point): asking for the cursor instead costs four
// wineserver round trips and a query of the X server under Wine. Under
// Wine a message's point can lag a pointer that went on over a window of
// another X program; the leave poll still catches that.
void TApplication::LookAtRestingPointer(POINT messagePoint) {
    const DWORD now = ::GetTickCount();
    if (now - restLookTime_ < kRestCheckMs) return;
    restLookTime_ = now;
    if (messagePoint.x == restPoint_.x && messagePoint.y == restPoint_.y) return;
    // It moved without a message to this thread: followed as a moving pointer again.
    UpdateMouseControl();
    SetMouseTick(mouseControl_ != nullptr);
    NotifyMouseWatches();
}

void TApplication::UpdateMouseControl() {
    POINT pt;
    TControl* found = nullptr;
    if (::GetCursorPos(&pt)) {
        HWND w = ::WindowFromPoint(pt);
        if (w && ::GetWindowThreadProcessId(w, nullptr) == ::GetCurrentThreadId()) {
            TWinControl* win = OwningControl(w);
            found = win;
            if (win && win->HandleAllocated()) {
                POINT cp = pt;
                ::ScreenToClient(win->HandleIfAllocated(), &cp);
                if (TControl* g = win->ControlAtPos(cp)) found = g;
            }
        }
    }
    if (found == mouseControl_) return;
    TControl* old = std::exchange(mouseControl_, found);
    SetMouseTick(found != nullptr);
    if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
    if (found && found == mouseControl_) found->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(found));
}

void TApplication::SetMouseTick(bool on) {
    if (on) restingTicks_ = 0;
    if (on == mouseTickOn_) return;
    if (on && !mouseTick_) {
        mouseTick_ = std::make_unique<TUtilWindow>([this](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (msg == WM_TIMER) {
                MouseTick();
                return 0;
            }
            return TUtilWindow::DefaultHandler(msg, wParam, lParam);
        });
    }
    if (on) {
        ::GetCursorPos(&tickPoint_);
        mouseTickOn_ = ::SetTimer(mouseTick_->Handle(), kMouseTickId, kMouseTickMs, nullptr) != 0;
    } else {
        ::KillTimer(mouseTick_->Handle(), kMouseTickId);
        mouseTickOn_ = false;
    }
}

void TApplication::MouseTick() {
    POINT pt{};
    if (::GetCursorPos(&pt) && pt.x == tickPoint_.x && pt.y == tickPoint_.y) {
        if (++restingTicks_ >= kRestingTicks) {
            SetMouseTick(false);
            const DWORD at = ::GetMessagePos();
            restPoint_ = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
            return;
        }
        UpdateMouseControl();
        return;
    }
    tickPoint_ = pt;
    restingTicks_ = 0;
    UpdateMouseControl();
    NotifyMouseWatches();
}

int TApplication::AddMouseWatch(std::function<void()> watch) {
    mouseWatches_.emplace_back(nextMouseWatchId_, std::move(watch));
    return nextMouseWatchId_++;
}

void TApplication::RemoveMouseWatch(int id) noexcept {
    std::erase_if(mouseWatches_, [id](const auto& w) { return w.first == id; });
}

void TApplication::NotifyMouseWatches() {
    // A watch may add or remove watches.
    for (size_t i = 0; i < mouseWatches_.size(); ++i) {
        const std::function<void()> watch = mouseWatches_[i].second;
        watch();
    }
}

}  // namespace fw
