#pragma once
// Helpers for tests that drive real windows on the test's own GUI thread.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "framework/Application.h"

namespace testsupport {

// Pumps the GUI thread's messages until pred holds or the time is up.
template <typename Pred>
bool PumpUntil(Pred pred, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        fw::Application().ProcessMessages();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// A shown window that asks to be painted on every tick of its 10 ms timer
// and counts ticks, paints and WM_APP messages, as the GUI thread's loop
// hands them out.
class CountingWindow {
public:
    CountingWindow() {
        static const ATOM atom = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &CountingWindow::Proc;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = L"QuillonTestCounting";
            return ::RegisterClassExW(&wc);
        }();
        // Shown without taking the foreground: the programs that count with
        // it run beside tests that press and type into windows of their own.
        wnd_ = ::CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, MAKEINTATOM(atom), L"ticks", WS_POPUP, 0, 0, 40, 40,
                                 nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
        ::ShowWindow(wnd_, SW_SHOWNOACTIVATE);
        ::SetTimer(wnd_, 1, 10, nullptr);
    }
    CountingWindow(const CountingWindow&) = delete;
    CountingWindow& operator=(const CountingWindow&) = delete;
    ~CountingWindow() { ::DestroyWindow(wnd_); }
    HWND Handle() const { return wnd_; }
    void Reset() { ticks = paints = posted = 0; }

    int ticks = 0;
    int paints = 0;
    int posted = 0;  // WM_APP messages

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            ::SetWindowLongPtrW(wnd, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<CountingWindow*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (self && msg == WM_TIMER) {
            ++self->ticks;
            ::InvalidateRect(wnd, nullptr, FALSE);
            return 0;
        }
        if (self && msg == WM_APP) {
            ++self->posted;
            return 0;
        }
        if (self && msg == WM_PAINT) {
            PAINTSTRUCT ps;
            ::BeginPaint(wnd, &ps);
            ::EndPaint(wnd, &ps);
            ++self->paints;
            return 0;
        }
        return ::DefWindowProcW(wnd, msg, wParam, lParam);
    }

    HWND wnd_ = nullptr;
};

// Pointer input as a user's mouse gives it, at a screen point: an absolute
// move, with the button flags given. Every event carries its position: one
// without it can land where the X server still has the pointer before the
// last move.
inline void SendPointerInput(POINT screen, DWORD flags) {
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((screen.x * 65535 + w / 2) / (w - 1));
    in.mi.dy = static_cast<LONG>((screen.y * 65535 + h / 2) / (h - 1));
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof in);
}

// Moves the pointer as a user's mouse would: an input event, not a cursor call.
inline void MovePointerTo(POINT screen) { SendPointerInput(screen, 0); }

// Timer messages this thread's hidden utility windows (timers, hover and
// mouse checks) get over the given time, the thread pumping all the while.
inline int UtilTimerTicks(std::chrono::milliseconds time) {
    int ticks = 0;
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        MSG msg;
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            continue;
        }
        wchar_t cls[32] = {};
        if (msg.message == WM_TIMER && msg.hwnd && ::GetClassNameW(msg.hwnd, cls, 32) && std::wstring(cls) == L"TPUtilWindow")
            ++ticks;
        ::DispatchMessageW(&msg);
    }
    return ticks;
}

// The message boxes this process shows now.
inline std::vector<HWND> VisibleMessageBoxes() {
    std::vector<HWND> boxes;
    ::EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(w, &pid);
            wchar_t cls[16] = {};
            ::GetClassNameW(w, cls, 16);
            if (pid == ::GetCurrentProcessId() && std::wstring(cls) == L"#32770" && ::IsWindowVisible(w)) {
                reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

// A message box is modal: while it shows, the test's thread is inside its
// loop. This watches from a thread of its own for the first message box of
// this process, reads it and presses OK.
class MessageBoxCloser {
public:
    struct Seen {
        std::wstring caption, text;
        HWND owner = nullptr;
    };

    MessageBoxCloser() : watcher_([this] { Watch(); }) {}
    MessageBoxCloser(const MessageBoxCloser&) = delete;
    MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;
    ~MessageBoxCloser() {
        stop_ = true;
        watcher_.join();
    }

    bool Closed() const noexcept { return closed_.load(std::memory_order_acquire); }
    // What the box showed; valid once Closed().
    const Seen& Box() const noexcept { return seen_; }

private:
    void Watch() {
        while (!stop_) {
            if (const auto boxes = VisibleMessageBoxes(); !boxes.empty()) {
                HWND box = boxes.front();
                wchar_t buf[256];
                ::GetWindowTextW(box, buf, 256);
                seen_.caption = buf;
                ::GetDlgItemTextW(box, 0xFFFF, buf, 256);
                seen_.text = buf;
                seen_.owner = ::GetWindow(box, GW_OWNER);
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                closed_.store(true, std::memory_order_release);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    Seen seen_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> closed_{false};
    std::thread watcher_;
};

}  // namespace testsupport
