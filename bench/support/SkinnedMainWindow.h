#pragma once
// What the benchmarks of the skinned main window share: the window shown as
// the program shows it, active, with its skinned frame attached.
#include <windows.h>

#include <memory>

#include "app/Unit1.h"
#include "framework/Application.h"
#include "skinctrl/frame/sSkinProvider.h"

namespace benchwindow {

inline void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// None when the frame did not come within two seconds.
inline std::unique_ptr<app::TForm1> ShowSkinnedMainWindow() {
  fw::Application().Initialize();
  fw::Application().SetMainFormOnTaskBar(true);
  fw::Application().SetTitle(L"Quillon");
  auto form = std::make_unique<app::TForm1>(nullptr);
  form->AfterConstruction();
  form->Show();
  const HWND wnd = form->Handle();
  ::SetForegroundWindow(wnd);
  for (int i = 0; i < 200 && !skinctrl::ProviderOf(wnd); ++i) {
    Pump();
    ::Sleep(10);
  }
  if (!skinctrl::ProviderOf(wnd)) return nullptr;
  Pump();
  return form;
}

}  // namespace benchwindow
