#pragma once
// Helpers the files of the control skinning state share.
#include "skinctrl/state/CommonData.h"

#include <functional>

namespace skinctrl {

// The owner as a windowed control, or none.
fw::TWinControl* WindowedOwner(const TsCommonData& data) noexcept;
// The owner's window when it is windowed and has one.
HWND OwnerWindow(const TsCommonData& data) noexcept;
// Sends a skin command to every child of a windowed owner (controls, or the child
// windows of a window that is not a control).
void SendToChildren(const TsCommonData& data, std::uint16_t command, LPARAM lParam = 0, std::uint16_t sub = 0);
// The parent's window of the owner (control parent, else the window's parent).
HWND OwnerParentWindow(const TsCommonData& data) noexcept;
// The owner's size (0 x 0 without an owner).
SIZE OwnerSize(const TsCommonData& data) noexcept;
// The owner's colour, resolved to RGB.
TColor OwnerColor(const TsCommonData& data) noexcept;
// The owner's bounds in its parent's client coordinates.
RECT OwnerBounds(const TsCommonData& data) noexcept;
// Whether the section's normal and hot states are both fully transparent.
bool FullyTransparent(const skin::TsGeneralData& section) noexcept;
// Redraws the owner's window frame (SetWindowPos with a frame change only).
void RecalcFrame(HWND wnd) noexcept;
// Gives the control these colours, each unless the user set it (FCustomColor,
// FCustomFont); the font's change is marked as the skin's own.
void SetSkinColors(TsCommonData& data, fw::TControl& control, TColor color, TColor fontColor);

}  // namespace skinctrl
