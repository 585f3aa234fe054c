#pragma once
// The skin's background brush on a window's class.
//
// A class's background brush is shared by every window of the class, and
// the system's own classes ("ComboLBox", "Edit") by every window of the
// process: a brush left behind recolours later, unskinned windows. The
// brush a class had before the first window changed it is kept, and put
// back when the last window that changed it gives it back (or is gone).
#include <windows.h>

namespace skinctrl {

void SetSkinClassBrush(HWND wnd, HBRUSH brush);
// Nothing happens for a window that did not change its class's brush.
void RestoreSkinClassBrush(HWND wnd) noexcept;

}  // namespace skinctrl
