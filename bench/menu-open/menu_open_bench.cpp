// Pop-up menus of the main window under Wine, in milliseconds: from the
// request to the end of the menu window's first paint, skinned and native.
// The system menu (a press on the title icon) and a pop-up menu with checked,
// radio and sub-menu items given to the panel (a context-menu request).
//
// The figures come from openings watched only where the menu window is
// made: a CBT hook, installed before the skin manager's, puts a subclass in
// front of the skin's on each menu window, which stamps the end of its first
// paint and closes the menu. Skinned and native openings alternate. (Hooks
// on every message, as the split below uses, cost some 50 us a message
// under Wine, and a skinned opening sends twice the messages.)
//
// Where the time before the first paint goes, skinned beside native, from
// openings of their own watched message by message: the steps of the menu
// loop (the loop entered, the menu initialised, its items measured, its
// window created and shown, its frame and background painted, its paint
// begun), what the menu window and the program's windows were sent before
// that paint, and the skinned menus' own work in an opening.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/support/SkinnedMainWindow.h"
#include "bench/support/TableRow.h"
#include "framework/Dpi.h"
#include "framework/Menus.h"
#include "framework/Subclass.h"
#include "skin/sSkinManager.h"
#include "skinctrl/frame/sSkinProvider.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/menus/sPopupMenus.h"

namespace {

using Clock = std::chrono::steady_clock;

using benchwindow::Pump;

bool IsMenuWindow(HWND wnd) {
  wchar_t name[16]{};
  return ::GetClassNameW(wnd, name, 16) > 0 && std::wstring_view(name) == L"#32768";
}

// The steps before a menu window's first paint, each the first time it is
// seen in a run (0: not seen), and the sent messages counted up to the paint.
enum Step {
  kEnterLoop, kInitMenu, kFirstMeasure, kLastMeasure, kCreated, kShown, kNcPaint, kErase, kPaintBegin, kFirstDraw,
  kLastDraw, kSteps
};
const char* const kStepNames[kSteps] = {"menu loop entered (WM_ENTERMENULOOP)", "menu initialised (WM_INITMENUPOPUP)",
                                        "first item measured (WM_MEASUREITEM)", "last item measured",
                                        "menu window created", "menu window shown", "its frame painted (WM_NCPAINT)",
                                        "its background erased (WM_ERASEBKGND)", "its paint begun (WM_PAINT)",
                                        "first item drawn (WM_DRAWITEM)", "last item drawn"};

struct Run {
  Clock::time_point at[kSteps]{};
  Clock::time_point painted{};
  int toMenu = 0, toOthers = 0, measures = 0, draws = 0, skinCommands = 0, positionChanges = 0;
  // The skinned menus' own work in the whole opening.
  int itemImages = 0, metricsReads = 0, backgrounds = 0, borderCopies = 0;
};

Run current;
bool seen = false;
bool recording = false;

void Stamp(Step step) {
  if (current.at[step] == Clock::time_point{}) current.at[step] = Clock::now();
}

// Every message sent on the way to the end of the first paint.
LRESULT CALLBACK BeforeMessage(int code, WPARAM wParam, LPARAM lParam) {
  const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && recording && !seen) {
    const bool menu = IsMenuWindow(m->hwnd);
    ++(menu ? current.toMenu : current.toOthers);
    switch (m->message) {
    case WM_ENTERMENULOOP: Stamp(kEnterLoop); break;
    case WM_INITMENUPOPUP: Stamp(kInitMenu); break;
    case WM_MEASUREITEM:
      Stamp(kFirstMeasure);
      current.at[kLastMeasure] = Clock::now();
      ++current.measures;
      break;
    case WM_DRAWITEM:
      Stamp(kFirstDraw);
      current.at[kLastDraw] = Clock::now();
      ++current.draws;
      break;
    case WM_NCCREATE:
      if (menu) Stamp(kCreated);
      break;
    case WM_WINDOWPOSCHANGED:
      if (menu) {
        ++current.positionChanges;
        if (reinterpret_cast<const WINDOWPOS*>(m->lParam)->flags & SWP_SHOWWINDOW) Stamp(kShown);
      }
      break;
    case WM_NCPAINT:
      if (menu) Stamp(kNcPaint);
      break;
    case WM_ERASEBKGND:
      if (menu) Stamp(kErase);
      break;
    case WM_PAINT:
      if (menu) Stamp(kPaintBegin);
      break;
    case 0xA100:  // the skinning engine's command message
      ++current.skinCommands;
      break;
    default: break;
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The end of a menu window's paint: the time is taken and the menu closed.
LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
  const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && !seen && m->message == WM_PAINT && IsMenuWindow(m->hwnd)) {
    current.painted = Clock::now();
    seen = true;
    ::EndMenu();
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// A menu that never paints is closed after two seconds.
void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { ::EndMenu(); }

// The watch of the headline figures: the end of a menu window's first paint,
// seen from a subclass in front of every other.
Clock::time_point firstPaintEnded{};
const void* const WatchKey = &WatchKey;

void WatchMenuWindow(HWND wnd, fw::TMessage& m) {
  fw::CallNextSubclass(wnd, WatchKey, m);
  if (m.Msg == WM_PAINT && firstPaintEnded == Clock::time_point{}) {
    firstPaintEnded = Clock::now();
    ::EndMenu();
  }
}

LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
    const LPCWSTR cls = create->lpcs ? create->lpcs->lpszClass : nullptr;
    const bool menu = cls && (IS_INTRESOURCE(cls) ? reinterpret_cast<ULONG_PTR>(cls) == 32768
                                                  : std::wstring_view(cls) == L"#32768");
    if (menu) fw::InstallSubclass(reinterpret_cast<HWND>(wParam), WatchKey, &WatchMenuWindow);
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// One opening watched by the subclass: its time to the end of the first
// paint, or none when it did not paint.
std::optional<double> WatchedOpening(const std::function<void()>& request) {
  // What the opening before left to do (a menu window's teardown) is done
  // before this one starts.
  Pump();
  ::Sleep(20);
  Pump();
  firstPaintEnded = Clock::time_point{};
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 2000, &GiveUp);
  const auto start = Clock::now();
  request();
  ::KillTimer(nullptr, timer);
  Pump();
  if (firstPaintEnded == Clock::time_point{}) return std::nullopt;
  return std::chrono::duration<double, std::milli>(firstPaintEnded - start).count();
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Series {
  std::vector<Run> runs;
  std::vector<Clock::time_point> starts;
};

Series Measure(const char* what, const std::function<void()>& request, int runs) {
  Series series;
  for (int i = 0; i < runs; ++i) {
    seen = false;
    current = Run{};
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 2000, &GiveUp);
    const skinctrl::TMenuWorkCounts before = skinctrl::MenuWorkCounts();
    const auto start = Clock::now();
    recording = true;
    request();
    recording = false;
    ::KillTimer(nullptr, timer);
    Pump();
    const skinctrl::TMenuWorkCounts after = skinctrl::MenuWorkCounts();
    current.itemImages = after.ItemImagesMade - before.ItemImagesMade;
    current.metricsReads = after.MetricsRead - before.MetricsRead;
    current.backgrounds = after.BackgroundsPainted - before.BackgroundsPainted;
    current.borderCopies = after.BorderCopies - before.BorderCopies;
    if (seen) {
      series.runs.push_back(current);
      series.starts.push_back(start);
    }
  }
  if (series.runs.empty()) std::printf("  %s: no paint seen in %d runs\n", what, runs);
  return series;
}

struct Headline {
  double skinned = 0, native = 0;
};

// Skinned and native openings by turns, watched by the subclass alone.
Headline MeasureAlternately(const char* what, skin::TsSkinManager& manager, const std::function<void()>& request,
                            int runs) {
  std::vector<double> skinned, native;
  int missed = 0;
  for (int i = 0; i < 2 * runs; ++i) {
    const bool skin = i % 2 == 0;
    manager.SetSkinnedPopups(skin);
    const std::optional<double> ms = WatchedOpening(request);
    if (ms) (skin ? skinned : native).push_back(*ms);
    else ++missed;
  }
  manager.SetSkinnedPopups(true);
  const auto print = [what, missed](const char* look, std::vector<double> v) {
    if (v.empty()) {
      std::printf("%s, %s: no paint seen\n", what, look);
      return 0.0;
    }
    std::sort(v.begin(), v.end());
    std::printf("%-30s %-8s median %7.2f ms  (min %7.2f, max %7.2f, %zu runs; %d without paint in all)\n", what, look,
                v[v.size() / 2], v.front(), v.back(), v.size(), missed);
    return v[v.size() / 2];
  };
  Headline h;
  h.skinned = print("skinned", skinned);
  h.native = print("native", native);
  return h;
}

// The steps of a skinned and a native series side by side: the median time
// from the request to each step, and the medians of what was sent.
void PrintSplit(const char* what, const Series& skinned, const Series& native) {
  std::printf("  %s, from the request (medians, ms):%*s skinned   native\n", what, int(40 - std::strlen(what)), "");
  const auto at = [](const Series& s, int step) {
    std::vector<double> v;
    for (size_t i = 0; i < s.runs.size(); ++i) {
      const Clock::time_point t = step < kSteps ? s.runs[i].at[step] : s.runs[i].painted;
      if (t != Clock::time_point{}) v.push_back(Ms(t - s.starts[i]));
    }
    return v;
  };
  for (int step = 0; step <= kSteps; ++step) {
    const std::vector<double> a = at(skinned, step), b = at(native, step);
    const auto cell = [](const std::vector<double>& v) {
      char text[16];
      if (v.empty()) return std::string("      -");
      std::snprintf(text, sizeof text, "%7.2f", Median(v));
      return std::string(text);
    };
    std::printf("    %-70s %s  %s\n", step < kSteps ? kStepNames[step] : "its first paint ended", cell(a).c_str(),
                cell(b).c_str());
  }
  const auto count = [](const Series& s, int Run::*field) {
    std::vector<double> v;
    for (const Run& r : s.runs) v.push_back(r.*field);
    return Median(v);
  };
  std::printf("    %-70s %7.0f  %7.0f\n", "messages sent to the menu window up to its paint's end", count(skinned, &Run::toMenu),
              count(native, &Run::toMenu));
  std::printf("    %-70s %7.0f  %7.0f\n", "messages sent to the program's other windows up to then", count(skinned, &Run::toOthers),
              count(native, &Run::toOthers));
  std::printf("    %-70s %7.0f  %7.0f\n", "of which items measured", count(skinned, &Run::measures),
              count(native, &Run::measures));
  std::printf("    %-70s %7.0f  %7.0f\n", "of which items drawn (in the paint)", count(skinned, &Run::draws),
              count(native, &Run::draws));
  std::printf("    %-70s %7.0f  %7.0f\n", "of which skin commands", count(skinned, &Run::skinCommands),
              count(native, &Run::skinCommands));
  std::printf("    %-70s %7.0f  %7.0f\n", "menu window moved or sized (WM_WINDOWPOSCHANGED)",
              count(skinned, &Run::positionChanges), count(native, &Run::positionChanges));
  std::printf("    %-70s %7.0f  %7.0f\n", "skinned item images made in the opening", count(skinned, &Run::itemImages),
              count(native, &Run::itemImages));
  std::printf("    %-70s %7.0f  %7.0f\n", "reads of the item measures (system metrics)", count(skinned, &Run::metricsReads),
              count(native, &Run::metricsReads));
  std::printf("    %-70s %7.0f  %7.0f\n", "menu backgrounds painted", count(skinned, &Run::backgrounds),
              count(native, &Run::backgrounds));
  std::printf("    %-70s %7.0f  %7.0f\n", "frame strips copied to the menu window", count(skinned, &Run::borderCopies),
              count(native, &Run::borderCopies));
}

// What the calls a skinned item makes cost one at a time here: the
// yardsticks of the measuring and drawing steps above.
void PrintCallCosts() {
  const auto time = [](const char* what, const std::function<void()>& call) {
    std::vector<double> us;
    for (int i = 0; i < 200; ++i) {
      const auto start = Clock::now();
      call();
      us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::printf("    %-70s %7.1f us\n", what, Median(us));
  };
  std::printf("  calls a skinned menu item makes, one at a time (medians of 200):\n");
  time("the menu font's metrics read (SystemParametersInfoForDpi)", [] { (void)fw::NonClientMetricsForDpi(96); });
  const LOGFONTW font = fw::NonClientMetricsForDpi(96).lfMenuFont;
  time("the menu font made and freed", [&] { ::DeleteObject(::CreateFontIndirectW(&font)); });
  HDC dc = ::CreateCompatibleDC(nullptr);
  time("the menu font made, selected, a caption measured, freed", [&] {
    HFONT f = ::CreateFontIndirectW(&font);
    const HGDIOBJ old = ::SelectObject(dc, f);
    RECT r{0, 0, 800, 0};
    ::DrawTextW(dc, L"Radio A", -1, &r, DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::DeleteObject(f);
  });
  ::DeleteDC(dc);
  time("an item's bitmap (120 x 22, 32-bit DIB section) made and freed", [] { skinctrl::TDibBitmap image(120, 22); });
  time("a message posted and taken back from the queue", [] {
    ::PostMessageW(nullptr, WM_APP, 0, 0);
    MSG m;
    ::PeekMessageW(&m, nullptr, WM_APP, WM_APP, PM_REMOVE);
  });
}

void MenuRow(int order, const char* figure, double skinned, double native) {
  const double ratio = native > 0 ? skinned / native : 0;
  benchtable::Row(order, figure, benchtable::Format("%.1f / %.1f ms (%.2fx)", skinned, native, ratio), "<= 1.2x native",
                  skinned > 0 && ratio <= 1.2);
}

}  // namespace

int main() {
  // Before the skin manager's hook: the manager's runs first, and so the
  // watching subclass comes in front of the skin's.
  const HHOOK watch = ::SetWindowsHookExW(WH_CBT, &WatchCreation, nullptr, ::GetCurrentThreadId());
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

  skin::TsSkinManager& manager = *form->sSkinManager1;
  const auto systemMenu = [wnd] { ::SendMessageW(wnd, WM_NCLBUTTONDOWN, HTSYSMENU, 0); };
  const auto panelMenu = [panel, at] { ::SendMessageW(panel, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel), at); };
  constexpr int runs = 40;
  const Headline system = MeasureAlternately("system menu", manager, systemMenu, runs);
  const Headline popup = MeasureAlternately("panel's pop-up menu", manager, panelMenu, runs);
  ::UnhookWindowsHookEx(watch);

  // The split, from openings watched message by message.
  constexpr int splitRuns = 20;
  const HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &AfterMessage, nullptr, ::GetCurrentThreadId());
  const HHOOK before = ::SetWindowsHookExW(WH_CALLWNDPROC, &BeforeMessage, nullptr, ::GetCurrentThreadId());
  const Series systemSkinned = Measure("system menu, skinned", systemMenu, splitRuns);
  const Series panelSkinned = Measure("panel's pop-up menu, skinned", panelMenu, splitRuns);
  manager.SetSkinnedPopups(false);
  const Series systemNative = Measure("system menu, native", systemMenu, splitRuns);
  const Series panelNative = Measure("panel's pop-up menu, native", panelMenu, splitRuns);
  manager.SetSkinnedPopups(true);
  ::UnhookWindowsHookEx(before);
  ::UnhookWindowsHookEx(hook);
  std::printf("watched message by message (%d openings each; the hooks' own cost included):\n", splitRuns);
  PrintSplit("system menu", systemSkinned, systemNative);
  PrintSplit("panel's pop-up menu", panelSkinned, panelNative);
  PrintCallCosts();
  MenuRow(4, "system menu, request -> first paint, skinned / native", system.skinned, system.native);
  MenuRow(5, "a control's pop-up menu, skinned / native", popup.skinned, popup.native);
  form->sPanel1->SetPopupMenu(nullptr);
  return 0;
}
