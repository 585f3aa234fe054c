#pragma once
// Skinned pop-up menus: the items of a framework pop-up menu measured and
// drawn from the skin ("MAINMENU" background and border, "MENUITEM" looks,
// the icon column, "DIVIDERV" separators, the "CHECK" mark and the symbols of
// the system commands), and the menu window given the skin's frame and the
// outline cut from the border image's key-coloured corners.
#include <windows.h>

#include "framework/Menus.h"
#include "skin/sSkinManager.h"

namespace skinctrl {

// Switches a pop-up menu's items to the skinned handlers (Active) or back;
// handlers the program set itself are kept.
void HookPopupMenu(fw::TPopupMenu& menu, bool active);

// The item handlers HookPopupMenu installs.
void sMeasureItem(fw::TObject* sender, fw::TCanvas& canvas, int& width, int& height);
void sAdvancedDrawItem(fw::TObject* sender, fw::TCanvas& canvas, const RECT& rect, fw::TOwnerDrawState state);

// Asks for a menu window's frame when item drawing could not find the window:
// WParam the command of an item of the menu. Handled on the application window.
inline constexpr UINT WM_MENUFRAMEBYITEM = 0xBCB3;
// The same with the menu window in LParam.
inline constexpr UINT WM_MENUFRAMEBYWINDOW = 0xBCB4;

// The frame of the menu window showing the item with the command (message
// WM_MENUFRAMEBYITEM) or of the window given (WM_MENUFRAMEBYWINDOW): only an
// item alive now and a live skinned menu window are used. True when handled.
bool HandleMenuFrameRequest(UINT msg, WPARAM wParam, LPARAM lParam);

// Takes a menu window over as it is created (the skin manager's hook), so
// that it is skinned from its first showing on, before any item is drawn.
void AttachMenuWindow(HWND wnd);
bool IsSkinnedMenuWindow(HWND wnd) noexcept;

// Menu windows skinned now (tests and benchmarks).
int SkinnedMenuWindowCount() noexcept;

// Work the skinned menus have done since the program started (tests and
// benchmarks): item images made, reads of the item measures, menu
// backgrounds painted, copies of the frame strips to a menu window.
struct TMenuWorkCounts {
  int ItemImagesMade = 0, MetricsRead = 0, BackgroundsPainted = 0, BorderCopies = 0;
};
TMenuWorkCounts MenuWorkCounts() noexcept;

// Metrics of the skinned items at 100 %.
inline constexpr int MenuMargin = 2, MenuSpacing = 8, MenuBorderWidth = 3, MenuGlyphSize = 16;
// The place of a sub-menu's arrow at the right end of its item.
inline constexpr int MenuArrowWidth = 12;

// Every measure of the skinned items at the manager's scale, made in this one
// place. The border is the menu window's own frame, which the system sizes.
struct TMenuMetrics {
  int Margin = MenuMargin, Spacing = MenuSpacing, BorderWidth = MenuBorderWidth, GlyphSize = MenuGlyphSize;
  int ArrowWidth = MenuArrowWidth;
  int ShortcutGap = 8;    // from a shortcut's text to the item's right end
  int ItemExtra = 2;      // more height for an item than its text or glyph and margins
  int DividerHeight = 2;  // a separator's height
  // The icon column at the left of the items: margin, glyph and spacing.
  int IconColumn() const noexcept { return Margin + GlyphSize + Spacing; }
  // The menu font of the system at the manager's scale.
  LOGFONTW Font{};
};
TMenuMetrics MenuMetrics(const skin::TsSkinManager* manager);

}  // namespace skinctrl
