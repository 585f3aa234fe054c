#pragma once
// Shared between the framework's own sources; not for users of the framework.
#include <windows.h>

namespace fw::detail {

// Called once, on the GUI thread, by the application object.
void BindGuiThread(HWND syncWindow) noexcept;
void UnbindSyncWindow() noexcept;
bool IsSyncMessage(UINT msg) noexcept;
// The GUI thread is inside TThread::WaitFor (serving only queued work and
// sent messages until another thread ends).
bool GuiThreadWaits() noexcept;

// What the application's message loop is doing on this thread, for
// TMessageScope: set around its own looks at the queue and dispatches.
enum class TLoopPlace { Elsewhere, Retrieving, DispatchingQueue, Handling };
class TLoopPlaceScope {
public:
    explicit TLoopPlaceScope(TLoopPlace place) noexcept;
    ~TLoopPlaceScope();
    TLoopPlaceScope(const TLoopPlaceScope&) = delete;
    TLoopPlaceScope& operator=(const TLoopPlaceScope&) = delete;

private:
    TLoopPlace outer_;
};
// The queue window, which the loop tells apart from the rest.
bool IsSyncWindow(HWND wnd) noexcept;

// Registers a window class of this module once per process; its windows
// carry the binding slot below.
void RegisterWindowClass(const wchar_t* className, WNDPROC proc, HBRUSH background, UINT style);

// Binding. Every window class the framework registers ends its window extra
// bytes with one pointer-sized slot that holds the window's object: set by the
// class procedure at the window's first message, cleared on WM_NCDESTROY.
// Not a window property: under Wine every GetPropW is a round trip to the
// wineserver, and the class procedure needs its object for every message;
// extra bytes of the process's own windows are read in-process.
inline constexpr int kBindingSlotBytes = sizeof(void*);
// The object bound to wnd, which must be a window of a framework class.
void* BoundObject(HWND wnd) noexcept;
void BindObject(HWND wnd, void* object) noexcept;

}  // namespace fw::detail

namespace fw {
class TControl;
namespace detail {
// A control is being freed: forms and the application drop their references.
void ControlDestroying(TControl* control) noexcept;
}  // namespace detail
}  // namespace fw
