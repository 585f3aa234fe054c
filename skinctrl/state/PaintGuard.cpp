#include "skinctrl/state/PaintGuard.h"

#include "framework/Application.h"
#include "skin/sSkinManager.h"

namespace skinctrl {

bool TPaintGuard::Skinnable(const skin::TsSkinManager* manager) const noexcept {
  return !failed_ || (manager && manager->LoadCount() != failedLoad_);
}

bool TPaintGuard::Run(skin::TsSkinManager* manager, HWND wnd, const std::function<void()>& paint) noexcept {
  if (!Skinnable(manager)) return false;
  try {
    paint();
    failed_ = false;
    return true;
  } catch (...) {
    // Marked before the error box: its loop paints the window again, plainly.
    failed_ = true;
    failedLoad_ = manager ? manager->LoadCount() : 0;
    if (wnd) ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
    if (!manager || manager->FirstPaintFailureOfLoad()) fw::Application().HandleException(std::current_exception());
    return false;
  }
}

void PaintPlainLook(HWND wnd, HDC dc, bool pushButton) {
  PAINTSTRUCT ps{};
  const HDC target = dc ? dc : ::BeginPaint(wnd, &ps);
  if (target) {
    RECT r{};
    ::GetClientRect(wnd, &r);
    ::FillRect(target, &r, ::GetSysColorBrush(COLOR_BTNFACE));
    if (pushButton) ::DrawFrameControl(target, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
    wchar_t text[256]{};
    const int length = ::GetWindowTextW(wnd, text, 256);
    if (length > 0) {
      const int mode = ::SetBkMode(target, TRANSPARENT);
      const HGDIOBJ font = ::SelectObject(target, reinterpret_cast<HGDIOBJ>(::SendMessageW(wnd, WM_GETFONT, 0, 0)));
      ::DrawTextW(target, text, length, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      if (font) ::SelectObject(target, font);
      ::SetBkMode(target, mode);
    }
  }
  if (!dc) ::EndPaint(wnd, &ps);
}

}  // namespace skinctrl
