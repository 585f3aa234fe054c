// The main window's system menu under Wine, in milliseconds: from the request
// (a press on the title icon) to the end of the menu window's first paint,
// with the skinned menu and with the window's own native one.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/support/SkinnedMainWindow.h"
#include "skin/sSkinManager.h"
#include "skinctrl/sSkinProvider.h"

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

void Run(const char* what, HWND wnd, int runs) {
  std::vector<double> ms;
  int missed = 0;
  for (int i = 0; i < runs; ++i) {
    seen = false;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 2000, &GiveUp);
    const auto start = Clock::now();
    ::SendMessageW(wnd, WM_NCLBUTTONDOWN, HTSYSMENU, 0);
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
  const HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &AfterMessage, nullptr, ::GetCurrentThreadId());
  constexpr int runs = 40;
  Run("system menu, skinned", wnd, runs);
  form->sSkinManager1->SetSkinnedPopups(false);
  Run("system menu, native", wnd, runs);
  ::UnhookWindowsHookEx(hook);
  return 0;
}
