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

// Registers a window class of this module once per process.
void RegisterWindowClass(const wchar_t* className, WNDPROC proc, HBRUSH background, UINT style);

}  // namespace fw::detail

namespace fw {
class TControl;
namespace detail {
// A control is being freed: forms and the application drop their references.
void ControlDestroying(TControl* control) noexcept;
}  // namespace detail
}  // namespace fw
