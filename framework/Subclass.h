#pragma once
// Subclassing windows the program does not own (a combo box's list, the
// system's menu window "#32768"), so that any number of adapters can come
// and go in any order.
//
// The first procedure installed on a window puts one stub in front of the
// window's procedure; the stub runs the window's chain (TWindowProcChain),
// which ends in the original procedure. Removing the last procedure puts the
// original back when the stub is still the window's procedure; when
// somebody else subclassed the window after it, the stub stays, passing
// messages through, until the window is destroyed. WM_NCDESTROY always
// reaches the original procedure, once, after every installed procedure saw
// it; then the chain is gone and the procedures with it.
#include <windows.h>

#include <functional>

#include "framework/Messages.h"

namespace fw {

using TSubclassProc = std::function<void(HWND wnd, TMessage& message)>;

// Installs proc in front of wnd's procedures under key (a key installed
// already is replaced and moved to the front). Exceptions leaving a
// procedure go to Application().HandleException.
void InstallSubclass(HWND wnd, const void* key, TSubclassProc proc);
// Removes key's procedure from wnd; nothing happens when it is not there.
void RemoveSubclass(HWND wnd, const void* key) noexcept;
bool HasSubclass(HWND wnd, const void* key) noexcept;
// Passes message on to the procedure installed on wnd before key's, ending
// in the window's original procedure.
void CallNextSubclass(HWND wnd, const void* key, TMessage& message);

}  // namespace fw
