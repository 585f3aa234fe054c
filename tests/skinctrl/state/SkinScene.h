#pragma once
// A form with a skin manager (the built-in skin, or a skin of the test's own), a
// skinned panel and a skinned control on it, for the tests under Wine.
#include "SkinnedTestControl.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "skin/SkinManagerSetup.h"
#include "skins/OpusSkin.h"

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

namespace skintest {

inline void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Wine reports a new cursor position only once the X server has moved the pointer.
inline bool MoveCursorTo(POINT p) {
  ::SetCursorPos(p.x, p.y);
  for (int i = 0; i < 200; ++i) {
    Pump();
    POINT now{};
    if (::GetCursorPos(&now) && now.x == p.x && now.y == p.y) return true;
    ::Sleep(10);
  }
  return false;
}

// A pointer event from before a move can still arrive after it and put Wine's
// cursor back for a while: the position is held for 300 ms.
inline bool SettleCursorAt(POINT p) {
  if (!MoveCursorTo(p)) return false;
  for (int i = 0; i < 30; ++i) {
    Pump();
    ::Sleep(10);
    POINT now{};
    if (::GetCursorPos(&now) && (now.x != p.x || now.y != p.y) && !MoveCursorTo(p)) return false;
  }
  return true;
}

inline POINT ScreenCentreOf(HWND wnd) {
  RECT r{};
  ::GetWindowRect(wnd, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

struct SkinScene {
  explicit SkinScene(std::span<const std::uint8_t> skinArchive = skins::OpusSkinArchive(),
                     std::uint8_t controlCode = skinctrl::COC_Button, const std::string& controlSection = "BUTTON") {
    form.BeginLoading();
    manager = new skin::TsSkinManager(&form);
    skin::ConfigureMainSkinManager(*manager, skinArchive);
    form.EndLoading();
    form.SetBorderStyle(fw::TFormBorderStyle::bsNone);
    form.SetBounds(40, 40, 200, 112);
    panel = new TsTestControl(&form, skinctrl::COC_Panel, "PANEL");
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 200, 112);
    control = new TsTestControl(&form, controlCode, controlSection);
    control->SetParent(panel);
    control->SetBounds(20, 30, 75, 25);
    panel->SkinData->Loaded(true);
    control->SkinData->Loaded(true);
    form.Show();
    Pump();
  }
  ~SkinScene() { Pump(); }
  SkinScene(const SkinScene&) = delete;
  SkinScene& operator=(const SkinScene&) = delete;

  HWND ControlWnd() { return control->Handle(); }
  skinctrl::TsCommonData& Data() { return *control->SkinData; }

  fw::TForm form{nullptr};
  skin::TsSkinManager* manager = nullptr;
  TsTestControl* panel = nullptr;
  TsTestControl* control = nullptr;
};

}  // namespace skintest
