// Skinned scroll bars and the skinned memo under Wine, in the test host's
// windows (a long list box with an edit adapter, memos beside it):
// - the repeat of a held arrow against its design (the first step at once,
//   the next after 300 ms, then every 55 ms): median and worst error;
// - a full repaint (frame, background, text) of a memo holding 1,000 lines,
//   skinned and, as the floor, the framework's plain memo.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/skinctrl/adapters/AdapterHost.h"

namespace {

using namespace adaptertest;
using namespace std::chrono_literals;

struct Figures {
  double Median = 0, Worst = 0;
};

Figures Summarise(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  return {values[values.size() / 2], values.back()};
}

void RepeatTiming(AdapterHost& host) {
  host.AdaptList();
  skinctrl::TacEditWnd& adapter = *host.listAdapter;
  const RECT bar = adapter.BarRect(*adapter.sBarVert);
  const int arrow = adapter.ScrollArrowLength(*adapter.sBarVert);
  std::vector<double> firstStep, firstRepeat, repeat;
  for (int round = 0; round < 5; ++round) {
    ::SendMessageW(host.list, LB_SETTOPINDEX, 0, 0);
    MoveTo({(bar.left + bar.right) / 2, bar.bottom - arrow / 2});
    Pump(100ms);
    host.listLog.Clear();
    Button(true);
    Pump(2000ms);
    Button(false);
    Pump(100ms);
    const auto steps = host.listLog.Codes(SB_LINEDOWN);
    if (steps.size() < 3) continue;
    firstStep.push_back(steps[0].Ms);
    firstRepeat.push_back(std::abs(steps[1].Ms - steps[0].Ms - 300.0));
    for (std::size_t i = 2; i < steps.size(); ++i) repeat.push_back(std::abs(steps[i].Ms - steps[i - 1].Ms - 55.0));
  }
  const Figures a = Summarise(firstStep), b = Summarise(firstRepeat), c = Summarise(repeat);
  std::printf("bench: scroll repeat, first step after the press: median %.1f ms, worst %.1f ms\n", a.Median, a.Worst);
  std::printf("bench: scroll repeat, error of the 300 ms delay: median %.1f ms, worst %.1f ms (%zu presses)\n",
              b.Median, b.Worst, firstRepeat.size());
  std::printf("bench: scroll repeat, error of the 55 ms interval: median %.1f ms, worst %.1f ms (%zu steps)\n",
              c.Median, c.Worst, repeat.size());
}

Figures RepaintMicros(HWND wnd, int times) {
  std::vector<double> us;
  for (int i = 0; i < times; ++i) {
    const auto start = Clock::now();
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    ::GdiFlush();
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  return Summarise(us);
}

void MemoRepaint(AdapterHost& host) {
  std::wstring text;
  for (int i = 0; i < 1000; ++i) text += L"Device found: SIM327 v1.5 line " + std::to_wstring(i) + L"\r\n";
  host.memo->SetText(text);
  auto* plain = new fw::TMemo(&host.form);
  plain->SetParent(&host.form);
  plain->SetBounds(210, 10, 190, 220);
  plain->SetScrollBars(fw::TScrollStyle::ssVertical);
  plain->SetWordWrap(false);
  plain->SetText(text);
  plain->Hide();
  Pump(200ms);
  const Figures skinned = RepaintMicros(host.memo->Handle(), 200);
  host.memo->Hide();
  plain->Show();
  Pump(200ms);
  const Figures floor = RepaintMicros(plain->Handle(), 200);
  std::printf("bench: full repaint of the skinned memo with 1000 lines: median %.0f us, worst %.0f us\n",
              skinned.Median, skinned.Worst);
  std::printf("bench: full repaint of the plain memo with 1000 lines (floor): median %.0f us, worst %.0f us\n",
              floor.Median, floor.Worst);
}

}  // namespace

int main() {
  {
    AdapterHost host;
    RepeatTiming(host);
  }
  {
    AdapterHost host;
    MemoRepaint(host);
  }
  return 0;
}
