// Pop-up menus of the main window under Wine, in milliseconds: from the
// request to the end of the menu window's first paint, skinned and native.
// The system menu (a press on the title icon) and a pop-up menu with checked,
// radio and sub-menu items given to the panel (a context-menu request).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "bench/support/SkinnedMainWindow.h"
#include "framework/Menus.h"
#include "skin/sSkinManager.h"
#include "skinctrl/frame/sSkinProvider.h"

namespace {

using Clock = std::chrono::steady_clock;

using benchwindow::Pump;

bool IsMenuWindow(HWND wnd) {
  wchar_t name[16]{};
  return ::GetClassNameW(wnd, name, 16) > 0 && std::wstring_view(name) == L"#32768";
}

Clock::time_point painted;
bool seen = false;

// The end of a menu window's paint: the time is taken and the menu closed.
LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
  const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && !seen && m->message == WM_PAINT && IsMenuWindow(m->hwnd)) {
    painted = Clock::now();
    seen = true;
    ::EndMenu();
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// A menu that never paints is closed after two seconds.
void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { ::EndMenu(); }

void Run(const char* what, const std::function<void()>& request, int runs) {
  std::vector<double> ms;
  int missed = 0;
  for (int i = 0; i < runs; ++i) {
    seen = false;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 2000, &GiveUp);
    const auto start = Clock::now();
    request();
    ::KillTimer(nullptr, timer);
    Pump();
    if (seen)
      ms.push_back(std::chrono::duration<double, std::milli>(painted - start).count());
    else
      ++missed;
  }
  if (ms.empty()) {
    std::printf("%-34s no paint seen in %d runs\n", what, runs);
    return;
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%-34s median %7.2f ms  (min %7.2f, max %7.2f, %zu runs, %d without paint)\n", what, ms[ms.size() / 2],
              ms.front(), ms.back(), ms.size(), missed);
}

}  // namespace

int main() {
  auto form = benchwindow::ShowSkinnedMainWindow();
  if (!form) {
    std::printf("no skinned frame\n");
    return 1;
  }
  const HWND wnd = form->Handle();
  // The panel's menu: two plain items, a checked one, a radio pair, a
  // separator and an item with a sub-menu.
  fw::TPopupMenu menu(nullptr);
  std::vector<std::unique_ptr<fw::TMenuItem>> items;
  const auto add = [&](fw::TMenuItem& parent, const wchar_t* caption) -> fw::TMenuItem& {
    items.push_back(std::make_unique<fw::TMenuItem>(nullptr));
    items.back()->SetCaption(caption);
    parent.Add(items.back().get());
    return *items.back();
  };
  add(menu.Items(), L"Open");
  add(menu.Items(), L"Close");
  add(menu.Items(), L"Echo").SetChecked(true);
  for (const wchar_t* caption : {L"Radio A", L"Radio B"}) add(menu.Items(), caption).SetRadioItem(true);
  menu.Items().Items(3)->SetChecked(true);
  add(menu.Items(), L"-");
  fw::TMenuItem& more = add(menu.Items(), L"More");
  add(more, L"First");
  add(more, L"Second");
  form->sPanel1->SetPopupMenu(&menu);
  const HWND panel = form->sPanel1->Handle();
  RECT pr{};
  ::GetWindowRect(panel, &pr);
  const LPARAM at = MAKELPARAM(pr.left + 20, pr.top + 20);

  const HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &AfterMessage, nullptr, ::GetCurrentThreadId());
  constexpr int runs = 40;
  const auto systemMenu = [wnd] { ::SendMessageW(wnd, WM_NCLBUTTONDOWN, HTSYSMENU, 0); };
  const auto panelMenu = [panel, at] { ::SendMessageW(panel, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel), at); };
  Run("system menu, skinned", systemMenu, runs);
  Run("panel's pop-up menu, skinned", panelMenu, runs);
  form->sSkinManager1->SetSkinnedPopups(false);
  Run("system menu, native", systemMenu, runs);
  Run("panel's pop-up menu, native", panelMenu, runs);
  ::UnhookWindowsHookEx(hook);
  form->sPanel1->SetPopupMenu(nullptr);
  return 0;
}
