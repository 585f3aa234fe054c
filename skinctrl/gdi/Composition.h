#pragma once
// Desktop composition as the skinned windows see it, and the desktop window
// manager's attribute that turns a window's minimise and restore transitions
// off. Both are looked up at run time in dwmapi (missing counts as off).
#include <windows.h>

namespace skinctrl {

bool CompositionEnabled();
// Tests may force an answer: -1 asks the system, 0 off, 1 on.
inline int ForcedComposition = -1;

// Sets DWMWA_TRANSITIONS_FORCEDISABLED while composition is on.
void SetTransitionsDisabled(HWND wnd, bool disabled) noexcept;

}  // namespace skinctrl
