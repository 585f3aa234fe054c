#pragma once
// A test host for the window adapters: a form with the built-in skin's
// manager, a long native list box (a window the framework does not own)
// and a long memo, with a log of the scroll messages each window receives.
#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Handles.h"
#include "framework/Subclass.h"
#include "skin/SkinManagerSetup.h"
#include "skinctrl/adapters/EditAdapter.h"
#include "skinctrl/adapters/sMemo.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skins/OpusSkin.h"
#include "tests/support/Gui.h"
#include "tests/support/ScreenShot.h"

namespace adaptertest {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

inline void Pump(std::chrono::milliseconds time) {
  testsupport::PumpUntil([] { return false; }, time);
}

// One scroll message as the window's own procedure saw it.
struct ScrollEvent {
  UINT Msg;
  int Code;
  int Pos;
  double Ms;  // since the log was cleared
};

class ScrollLog {
public:
  void Clear() {
    events.clear();
    start = Clock::now();
  }
  void Add(UINT msg, WPARAM wParam) {
    events.push_back({msg, LOWORD(wParam), static_cast<short>(HIWORD(wParam)),
                      std::chrono::duration<double, std::milli>(Clock::now() - start).count()});
  }
  std::vector<ScrollEvent> Codes(int code) const {
    std::vector<ScrollEvent> out;
    for (const auto& e : events)
      if (e.Code == code) out.push_back(e);
    return out;
  }
  std::vector<ScrollEvent> events;
  Clock::time_point start = Clock::now();
};

inline const void* const kLogKey = &kLogKey;

struct AdapterHost {
  AdapterHost() {
    form.BeginLoading();
    manager = new skin::TsSkinManager(&form);
    skin::ConfigureMainSkinManager(*manager, skins::OpusSkinArchive());
    form.EndLoading();
    form.SetBorderStyle(fw::TFormBorderStyle::bsNone);
    form.SetBounds(60, 60, 420, 260);
    form.Show();

    list = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, 10, 10, 180,
                             220, form.Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    for (int i = 0; i < 200; ++i) {
      const std::wstring item = L"Item " + std::to_wstring(i);
      ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    // The log sits under the adapter: it sees what reaches the list itself.
    fw::InstallSubclass(list, kLogKey, [this](HWND wnd, fw::TMessage& m) {
      if (m.Msg == WM_VSCROLL || m.Msg == WM_HSCROLL) listLog.Add(m.Msg, m.WParam);
      fw::CallNextSubclass(wnd, kLogKey, m);
    });

    memo = new skinctrl::TsMemo(&form);
    memo->SetParent(&form);
    memo->SetBounds(210, 10, 190, 220);
    memo->SetScrollBars(fw::TScrollStyle::ssVertical);
    memo->SetWordWrap(false);
    std::wstring text;
    for (int i = 0; i < 300; ++i) text += L"Line " + std::to_wstring(i) + L"\r\n";
    memo->SetText(text);
    memo->WindowProc.Install(kLogKey, [this](fw::TMessage& m) {
      if (m.Msg == WM_VSCROLL) memoLog.Add(m.Msg, m.WParam);
      memo->WindowProc.CallNext(kLogKey, m);
    });
    memo->HandleNeeded();
    memo->SkinData().Loaded(false);
    memo->RefreshEditScrolls();
    Pump(100ms);
  }
  ~AdapterHost() {
    listAdapter.reset();
    if (::IsWindow(list)) ::DestroyWindow(list);
    Pump(20ms);
  }
  AdapterHost(const AdapterHost&) = delete;
  AdapterHost& operator=(const AdapterHost&) = delete;

  void AdaptList() {
    skinctrl::TacSkinParams params;
    params.SkinSection = "EDIT";
    listAdapter = skinctrl::MakeAdapter<skinctrl::TacEditWnd>(true, list, nullptr, manager, params);
    ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
    Pump(100ms);
  }

  const skin::TsGeneralData& Section(const char* name) const {
    const int index = manager->GetSkinIndex(name);
    return manager->gd()[static_cast<std::size_t>(index)];
  }
  COLORREF SectionRgb(const char* name, int state = 0) const {
    const skin::TColor c = skinctrl::SectionState(Section(name), state).Color;
    return static_cast<COLORREF>(c) & 0xFFFFFF;
  }

  fw::TForm form{nullptr};
  skin::TsSkinManager* manager = nullptr;
  HWND list = nullptr;
  skinctrl::TsMemo* memo = nullptr;
  std::unique_ptr<skinctrl::TacEditWnd> listAdapter;
  ScrollLog listLog, memoLog;
};

// --- The mouse and the screen ---

// Moves the pointer as the user would, through the system's input queue, so
// that the next button press happens there. Under Wine a pointer position
// set while a window was being mapped can be taken back by the X server's
// stale pointer: the move is repeated until the system reports it.
inline void MoveTo(POINT screen) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    ::SetCursorPos(screen.x, screen.y);
    testsupport::SendPointerInput(screen, 0);
    Pump(30ms);
    POINT p;
    ::GetCursorPos(&p);
    if (p.x == screen.x && p.y == screen.y) return;
  }
}

inline void Button(bool down) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  ::SendInput(1, &in, sizeof in);
}

inline void Key(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  ::SendInput(1, &in, sizeof in);
}

inline COLORREF ScreenPixel(POINT p) {
  HDC dc = ::GetDC(nullptr);
  const COLORREF c = ::GetPixel(dc, p.x, p.y);
  ::ReleaseDC(nullptr, dc);
  return c;
}

}  // namespace adaptertest
