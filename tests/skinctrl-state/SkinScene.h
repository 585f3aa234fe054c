#pragma once
// A form with the built-in skin's manager, a skinned panel and a skinned control on
// it, for the tests under Wine.
#include "SkinnedTestControl.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "skin/SkinManagerSetup.h"
#include "skins/OpusSkin.h"

#include <windows.h>

namespace skintest {

inline void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

struct SkinScene {
  SkinScene() {
    form.BeginLoading();
    manager = new skin::TsSkinManager(&form);
    skin::ConfigureMainSkinManager(*manager, skins::OpusSkinArchive());
    form.EndLoading();
    form.SetBorderStyle(fw::TFormBorderStyle::bsNone);
    form.SetBounds(40, 40, 200, 112);
    panel = new TsTestControl(&form, skinctrl::COC_Panel, "PANEL");
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 200, 112);
    control = new TsTestControl(&form, skinctrl::COC_Button, "BUTTON");
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
