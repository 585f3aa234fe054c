#pragma once
// Delivery of a skin command to every form of the program and to every control on it.
#include <windows.h>

#include <cstdint>
#include <functional>

namespace skin {

// Sends a command to a window's whole control tree (the window itself excluded). The
// default walks the child windows; the skinned-control layer installs one that also
// reaches controls without windows. Returns the previous broadcaster.
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

// The broadcast to all forms: first every top-level window of the GUI thread that is a
// form of the program and is not itself skinned, with its controls; then the registered
// skinned forms with their controls; then every visible adapted window.
void BroadcastToForms(std::uint16_t command, LPARAM lParam);

// Calls fn for every top-level form window of the calling thread, last created first
// (hidden helper windows such as "TApplication" and "TPUtilWindow" excluded).
void ForEachFormWindow(const std::function<void(HWND)>& fn);
// Calls fn for every visible adapted window.
void ForEachAdaptedWindow(const std::function<void(HWND)>& fn);

// Whether a window carries skinning data or answers SKC_ISSKINNED with 1.
bool IsSkinnedWindow(HWND wnd);

}  // namespace skin
