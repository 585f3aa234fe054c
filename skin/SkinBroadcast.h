#pragma once
// Delivery of a skin command to every form of the program and to every control on it.
#include <windows.h>

#include <cstdint>
#include <functional>

namespace skin {

// Sends a command to a window's whole control tree (the window itself excluded): the
// framework's controls of a framework window (windowed or not), else the child windows.
// A broadcaster installed here replaces that walk. Returns the previous broadcaster.
using ControlTreeBroadcaster = std::function<void(HWND parent, std::uint16_t command, LPARAM lParam)>;
ControlTreeBroadcaster SetControlTreeBroadcaster(ControlTreeBroadcaster broadcaster);
void BroadcastToControls(HWND parent, std::uint16_t command, LPARAM lParam);

// Forms whose frames are skinned register here (and leave before they are destroyed);
// they receive broadcasts through this list instead of the search for forms.
void RegisterSkinnedForm(HWND form);
void UnregisterSkinnedForm(HWND form) noexcept;
// Windows the hooks adapted (dialogs, menus): they get every broadcast while visible.
void RegisterAdaptedWindow(HWND wnd);
void UnregisterAdaptedWindow(HWND wnd) noexcept;

// The broadcast to all forms: first every form of the framework, newest first, that is
// neither loading nor being destroyed nor itself skinned, with all its controls (windowed
// or not); then every other top-level window of the GUI thread that is not skinned, with
// its child windows; then the registered skinned forms with their controls; then every
// visible adapted window.
void BroadcastToForms(std::uint16_t command, LPARAM lParam);

// Calls fn for the window of every framework form that has one (newest first), then for
// every other top-level window of the calling thread in z-order (hidden helper windows
// such as "TApplication" and "TPUtilWindow" excluded).
void ForEachFormWindow(const std::function<void(HWND)>& fn);
// The second half of that: top-level windows of the thread that are not framework forms.
void ForEachForeignWindow(const std::function<void(HWND)>& fn);
// Calls fn for every visible adapted window.
void ForEachAdaptedWindow(const std::function<void(HWND)>& fn);

// Whether a window carries skinning data or answers SKC_ISSKINNED with 1.
bool IsSkinnedWindow(HWND wnd);

}  // namespace skin
