// Skinned scroll bars on a long list box (a window the framework does not
// own) and a long memo, operated with the mouse through the system's input:
// the room they take, what the screen shows of them, the repeat timing read
// from the list's own log of scroll messages, thumb drags, Shift-clicks, and
// what the window is left with when the adapter lets go.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "AdapterHost.h"
#include "tests/skinctrl/state/EffectsSkin.h"

namespace {

using namespace adaptertest;
using namespace std::chrono_literals;
using skinctrl::TacScrollBar;

RECT VertBar(skinctrl::TacScrollWnd& adapter) { return adapter.BarRect(*adapter.sBarVert); }

skinctrl::TScrollInfo InfoOf(HWND wnd) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  ::GetScrollInfo(wnd, SB_VERT, &si);
  return {si.nMin, si.nMax, static_cast<int>(si.nPage), si.nPos, si.nTrackPos};
}

skinctrl::TThumbMetrics Thumb(skinctrl::TacScrollWnd& adapter, HWND wnd) {
  const RECT bar = VertBar(adapter);
  return skinctrl::GetThumbMetrics(InfoOf(wnd), adapter.Span(*adapter.sBarVert, bar));
}

// Colours of the system's own scroll bars that none of our skin's scroll
// sections uses: none of them may show where a skinned bar is.
std::vector<COLORREF> SystemOnlyColors(const AdapterHost& host) {
  std::set<COLORREF> skin;
  for (const char* name : {"SCROLLBAR1V", "SCROLLBAR2V", "SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLSLIDERV"})
    for (int state = 0; state < 3; ++state) skin.insert(host.SectionRgb(name, state));
  std::vector<COLORREF> system;
  for (int index : {COLOR_SCROLLBAR, COLOR_3DDKSHADOW, COLOR_3DSHADOW, COLOR_3DHILIGHT, COLOR_3DFACE})
    if (!skin.contains(::GetSysColor(index))) system.push_back(::GetSysColor(index));
  return system;
}

int CountSystemPixels(const AdapterHost& host, const RECT& bar) {
  const std::vector<COLORREF> system = SystemOnlyColors(host);
  HDC dc = ::GetDC(nullptr);
  int count = 0;
  for (int y = bar.top; y < bar.bottom; ++y)
    for (int x = bar.left; x < bar.right; ++x)
      if (std::find(system.begin(), system.end(), ::GetPixel(dc, x, y)) != system.end()) ++count;
  ::ReleaseDC(nullptr, dc);
  return count;
}

class ScrollBars : public ::testing::Test {
protected:
  AdapterHost host;
};

TEST_F(ScrollBars, TheBarTakesItsRoomOutOfTheClientAreaAndOnlySkinPixelsShow) {
  host.AdaptList();
  skinctrl::TacEditWnd& adapter = *host.listAdapter;
  const int thickness = ::GetSystemMetrics(SM_CXVSCROLL);
  RECT window, client;
  ::GetWindowRect(host.list, &window);
  ::GetClientRect(host.list, &client);
  ASSERT_TRUE(adapter.sBarVert->fScrollVisible);
  EXPECT_EQ(adapter.cxLeftEdge, 2);
  EXPECT_EQ(client.right, window.right - window.left - adapter.cxLeftEdge - adapter.cxRightEdge - thickness);
  EXPECT_EQ(client.bottom, window.bottom - window.top - adapter.cyTopEdge - adapter.cyBottomEdge);
  // The window keeps its style: the adapter only hides it from the system's
  // size calculation.
  EXPECT_NE(::GetWindowLongPtrW(host.list, GWL_STYLE) & WS_VSCROLL, 0);

  const RECT bar = VertBar(adapter);
  EXPECT_EQ(bar.right, window.right - 2);
  EXPECT_EQ(bar.right - bar.left, thickness);
  // Scrolled to the top: the thumb lies just below the first arrow and the
  // track after it shows the second track section's colour; the arrows
  // their buttons' colour at the edge.
  const skinctrl::TThumbMetrics thumb = Thumb(adapter, host.list);
  const int arrow = adapter.ScrollArrowLength(*adapter.sBarVert);
  EXPECT_EQ(thumb.Start, bar.top + arrow);
  EXPECT_EQ(ScreenPixel({bar.left + 1, thumb.Start + thumb.Size + 20}), host.SectionRgb("SCROLLBAR2V"));
  EXPECT_EQ(ScreenPixel({bar.left, bar.top}), host.SectionRgb("SCROLLBTNTOP"));
  EXPECT_EQ(ScreenPixel({bar.left, bar.bottom - 1}), host.SectionRgb("SCROLLBTNBOTTOM"));
  EXPECT_EQ(CountSystemPixels(host, bar), 0);
  testsupport::Save(testsupport::CaptureWindow(host.form.Handle()), "adapters-host");

  // The list scrolls itself (code, the wheel): the system redraws
  // its idea of the bar at once, the adapter paints over it.
  ::SendMessageW(host.list, LB_SETTOPINDEX, 150, 0);
  Pump(150ms);
  ::SendMessageW(host.list, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(bar.left - 20, bar.top + 40));
  Pump(150ms);
  const skinctrl::TThumbMetrics moved = Thumb(adapter, host.list);
  EXPECT_GT(moved.Start, thumb.Start + 100) << "pos " << InfoOf(host.list).nPos << " max " << InfoOf(host.list).nMax
                                            << " page " << InfoOf(host.list).nPage << " top "
                                            << ::SendMessageW(host.list, LB_GETTOPINDEX, 0, 0);
  EXPECT_EQ(ScreenPixel({bar.left + 1, moved.Start - 10}), host.SectionRgb("SCROLLBAR1V"));
  EXPECT_EQ(CountSystemPixels(host, bar), 0);
  testsupport::Save(testsupport::CaptureWindow(host.form.Handle()), "adapters-host-scrolled");
}

TEST_F(ScrollBars, HoldingAnArrowScrollsAtOnceThenAfter300MsThenEvery55Ms) {
  host.AdaptList();
  skinctrl::TacEditWnd& adapter = *host.listAdapter;
  const RECT bar = VertBar(adapter);
  const int arrow = adapter.ScrollArrowLength(*adapter.sBarVert);
  const POINT down{(bar.left + bar.right) / 2, bar.bottom - arrow / 2};
  MoveTo(down);
  host.listLog.Clear();
  Button(true);
  Pump(1000ms);
  // Pressed look while held: the second arrow's pressed colour at its edge.
  EXPECT_EQ(ScreenPixel({bar.left, bar.bottom - 1}), host.SectionRgb("SCROLLBTNBOTTOM", 2));
  Button(false);
  Pump(200ms);

  const auto lines = host.listLog.Codes(SB_LINEDOWN);
  ASSERT_GE(lines.size(), 8u);
  EXPECT_LT(lines[0].Ms, 120.0) << "the first step comes with the press";
  const double first = lines[1].Ms - lines[0].Ms;
  EXPECT_GT(first, 260.0);
  EXPECT_LT(first, 420.0);
  std::vector<double> gaps;
  for (std::size_t i = 2; i < lines.size(); ++i) gaps.push_back(lines[i].Ms - lines[i - 1].Ms);
  std::sort(gaps.begin(), gaps.end());
  const double median = gaps[gaps.size() / 2];
  EXPECT_GT(median, 40.0);
  EXPECT_LT(median, 80.0);
  // Released: one end-scroll, after every step, and then nothing.
  ASSERT_FALSE(host.listLog.events.empty());
  EXPECT_EQ(host.listLog.events.back().Code, SB_ENDSCROLL);
  EXPECT_EQ(host.listLog.Codes(SB_ENDSCROLL).size(), 1u);
  EXPECT_EQ(::SendMessageW(host.list, LB_GETTOPINDEX, 0, 0), static_cast<LRESULT>(lines.size()));
  EXPECT_EQ(ScreenPixel({bar.left, bar.bottom - 1}), host.SectionRgb("SCROLLBTNBOTTOM", 1)) << "hovered after release";

  // Moving off the arrow while holding pauses the repeat without a release;
  // coming back resumes it.
  host.listLog.Clear();
  Button(true);
  Pump(400ms);
  MoveTo({bar.left - 60, bar.top + 30});
  Pump(50ms);
  const std::size_t before = host.listLog.events.size();
  Pump(400ms);
  EXPECT_EQ(host.listLog.events.size(), before);
  MoveTo(down);
  Pump(300ms);
  EXPECT_GT(host.listLog.events.size(), before + 2);
  Button(false);
  Pump(100ms);
  EXPECT_EQ(host.listLog.events.back().Code, SB_ENDSCROLL);
  EXPECT_EQ(host.listLog.Codes(SB_ENDSCROLL).size(), 1u);
}

TEST_F(ScrollBars, ADraggedThumbIsClampedAtBothEndsAndEndsWithItsPosition) {
  host.AdaptList();
  skinctrl::TacEditWnd& adapter = *host.listAdapter;
  const RECT bar = VertBar(adapter);
  const skinctrl::TScrollInfo info = InfoOf(host.list);
  const int last = info.nMax - info.nPage + 1;
  const skinctrl::TThumbMetrics thumb = Thumb(adapter, host.list);
  const int x = (bar.left + bar.right) / 2;
  MoveTo({x, thumb.Start + thumb.Size / 2});
  host.listLog.Clear();
  Button(true);
  Pump(50ms);
  // Far above the bar: already at the top, so nothing is sent.
  MoveTo({x, std::max(0L, bar.top - 150)});
  EXPECT_TRUE(host.listLog.events.empty());
  // Far below: the thumb stops at the track's end, the list at its last page.
  MoveTo({x, bar.bottom + 200});
  Pump(50ms);
  ASSERT_FALSE(host.listLog.events.empty());
  EXPECT_EQ(host.listLog.events.back().Code, SB_THUMBTRACK);
  EXPECT_EQ(host.listLog.events.back().Pos, last);
  EXPECT_EQ(::SendMessageW(host.list, LB_GETTOPINDEX, 0, 0), last);
  const std::size_t tracked = host.listLog.events.size();
  MoveTo({x, bar.bottom + 260});
  EXPECT_EQ(host.listLog.events.size(), tracked) << "no message while the position stays";
  // The thumb is drawn pressed at the end of the track.
  const int arrow = adapter.ScrollArrowLength(*adapter.sBarVert);
  EXPECT_EQ(ScreenPixel({x, bar.bottom - arrow - thumb.Size / 2}),
            ScreenPixel({x, bar.bottom - arrow - thumb.Size / 2 + 1}));
  // Back past the top, then released.
  MoveTo({x, std::max(0L, bar.top - 150)});
  Button(false);
  Pump(100ms);
  const auto& events = host.listLog.events;
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[events.size() - 3].Code, SB_THUMBTRACK);
  EXPECT_EQ(events[events.size() - 3].Pos, 0);
  EXPECT_EQ(events[events.size() - 2].Code, SB_THUMBPOSITION);
  EXPECT_EQ(events[events.size() - 2].Pos, 0);
  EXPECT_EQ(events.back().Code, SB_ENDSCROLL);
  EXPECT_EQ(::SendMessageW(host.list, LB_GETTOPINDEX, 0, 0), 0);
  EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(ScrollBars, AShiftClickOnTheTrackPutsTheThumbCentreUnderTheCursor) {
  host.AdaptList();
  skinctrl::TacEditWnd& adapter = *host.listAdapter;
  const RECT bar = VertBar(adapter);
  const POINT at{(bar.left + bar.right) / 2, bar.top + (bar.bottom - bar.top) * 3 / 4};
  MoveTo(at);
  host.listLog.Clear();
  Key(VK_SHIFT, true);
  Pump(50ms);
  Button(true);
  Pump(100ms);
  Button(false);
  Pump(100ms);
  Key(VK_SHIFT, false);
  Pump(50ms);
  ASSERT_EQ(host.listLog.events.size(), 1u) << "one jump and nothing on release";
  EXPECT_EQ(host.listLog.events[0].Code, SB_THUMBTRACK);
  const skinctrl::TThumbMetrics thumb = Thumb(adapter, host.list);
  EXPECT_LE(std::abs(thumb.Start + thumb.Size / 2 - at.y), 2);
  EXPECT_EQ(::SendMessageW(host.list, LB_GETTOPINDEX, 0, 0), host.listLog.events[0].Pos);
}

TEST_F(ScrollBars, TheMemoScrollsThroughTheSkinnedBarOfItsEditAdapter) {
  skinctrl::TacEditWnd* adapter = host.memo->Adapter();
  ASSERT_NE(adapter, nullptr);
  const HWND memo = host.memo->Handle();
  RECT window, client;
  ::GetWindowRect(memo, &window);
  ::GetClientRect(memo, &client);
  const int thickness = ::GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(client.right, window.right - window.left - 4 - thickness);
  const RECT bar = VertBar(*adapter);
  EXPECT_EQ(CountSystemPixels(host, bar), 0);
  // The memo's frame is the "EDIT" border, its interior the section's colour.
  EXPECT_EQ(ScreenPixel({window.left + 10, window.top + 100}) , ScreenPixel({window.left + 10, window.top + 101}));
  const int arrow = adapter->ScrollArrowLength(*adapter->sBarVert);
  MoveTo({(bar.left + bar.right) / 2, bar.bottom - arrow / 2});
  host.memoLog.Clear();
  Button(true);
  Pump(60ms);
  Button(false);
  Pump(100ms);
  ASSERT_EQ(host.memoLog.events.size(), 2u);
  EXPECT_EQ(host.memoLog.events[0].Code, SB_LINEDOWN);
  EXPECT_EQ(host.memoLog.events[1].Code, SB_ENDSCROLL);
  EXPECT_EQ(::SendMessageW(memo, EM_GETFIRSTVISIBLELINE, 0, 0), 1);
  // Dragged to the end the memo shows its last lines.
  const skinctrl::TThumbMetrics thumb = Thumb(*adapter, memo);
  MoveTo({(bar.left + bar.right) / 2, thumb.Start + thumb.Size / 2});
  Button(true);
  Pump(50ms);
  MoveTo({(bar.left + bar.right) / 2, bar.bottom + 100});
  Button(false);
  Pump(100ms);
  const skinctrl::TScrollInfo info = InfoOf(memo);
  EXPECT_EQ(info.nPos, info.nMax - info.nPage + 1);
  EXPECT_EQ(CountSystemPixels(host, bar), 0);
  testsupport::Save(testsupport::CaptureWindow(host.form.Handle()), "adapters-memo-scrolled");
}

TEST_F(ScrollBars, LettingGoGivesTheWindowBackExactlyWithItsClassBrush) {
  RECT clientBefore;
  ::GetClientRect(host.list, &clientBefore);
  const LONG_PTR styleBefore = ::GetWindowLongPtrW(host.list, GWL_STYLE);
  const LONG_PTR brushBefore = ::GetClassLongPtrW(host.list, GCLP_HBRBACKGROUND);
  host.AdaptList();
  ASSERT_NE(::GetPropW(host.list, L"ACSBSC"), nullptr);
  // The adapter's colours went into the class: every list box in the process
  // paints with them while it is there.
  EXPECT_EQ(::GetClassLongPtrW(host.list, GCLP_HBRBACKGROUND), reinterpret_cast<LONG_PTR>(host.manager->Brushes[0].get()));
  RECT client;
  ::GetClientRect(host.list, &client);
  EXPECT_LT(client.right, clientBefore.right + 1);

  host.listAdapter->ReleaseAdapter();
  Pump(50ms);
  ::GetClientRect(host.list, &client);
  EXPECT_TRUE(::EqualRect(&client, &clientBefore));
  EXPECT_EQ(::GetWindowLongPtrW(host.list, GWL_STYLE), styleBefore);
  EXPECT_EQ(::GetPropW(host.list, L"ACSBSC"), nullptr);
  // The class's own brush, not the button face: later plain lists in the
  // process look as they did.
  EXPECT_EQ(::GetClassLongPtrW(host.list, GCLP_HBRBACKGROUND), brushBefore);
  HWND later = ::CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD, 0, 0, 50, 50, host.form.Handle(), nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
  EXPECT_EQ(::GetClassLongPtrW(later, GCLP_HBRBACKGROUND), brushBefore);
  ::DestroyWindow(later);
  // The list is the system's again: a press on its bar is no longer ours.
  host.listLog.Clear();
  ::SendMessageW(host.list, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(::SendMessageW(host.list, LB_GETTOPINDEX, 0, 0), 1);
}

TEST_F(ScrollBars, BarsFollowTheWindowsStylesAndRoom) {
  const auto listBox = [&](DWORD style, DWORD exStyle, int width) {
    HWND wnd = ::CreateWindowExW(WS_EX_CLIENTEDGE | exStyle, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | style, 10, 10,
                                 width, 120, host.form.Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    for (int i = 0; i < 50; ++i) ::SendMessageW(wnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"item"));
    return wnd;
  };
  skinctrl::TacSkinParams params;
  params.SkinSection = "EDIT";
  const int thickness = ::GetSystemMetrics(SM_CXVSCROLL);

  // No scroll-bar style: no room reserved.
  HWND plain = listBox(LBS_NOINTEGRALHEIGHT, 0, 100);
  auto a = skinctrl::MakeAdapter<skinctrl::TacEditWnd>(true, plain, nullptr, host.manager, params);
  RECT client;
  ::GetClientRect(plain, &client);
  EXPECT_EQ(client.right, 100 - 4);
  EXPECT_FALSE(a->sBarVert->fScrollVisible);

  // Narrower than the bar: no bar, although the style asks for one.
  HWND narrow = listBox(WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, thickness);
  auto b = skinctrl::MakeAdapter<skinctrl::TacEditWnd>(true, narrow, nullptr, host.manager, params);
  EXPECT_FALSE(b->sBarVert->fScrollVisible);
  ::GetClientRect(narrow, &client);
  EXPECT_EQ(client.right, thickness - 4);

  // On the left for a window that wants it there, and moved when that changes.
  HWND left = listBox(WS_VSCROLL | LBS_NOINTEGRALHEIGHT, WS_EX_LEFTSCROLLBAR, 120);
  auto c = skinctrl::MakeAdapter<skinctrl::TacEditWnd>(true, left, nullptr, host.manager, params);
  RECT window;
  ::GetWindowRect(left, &window);
  RECT bar = c->BarRect(*c->sBarVert);
  EXPECT_EQ(bar.left, window.left + 2);
  POINT origin{0, 0};
  ::ClientToScreen(left, &origin);
  EXPECT_EQ(origin.x, window.left + 2 + thickness);
  ::SetWindowLongPtrW(left, GWL_EXSTYLE, ::GetWindowLongPtrW(left, GWL_EXSTYLE) & ~WS_EX_LEFTSCROLLBAR);
  ::SetWindowPos(left, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  Pump(50ms);
  bar = c->BarRect(*c->sBarVert);
  EXPECT_EQ(bar.right, window.right - 2);
  a.reset();
  b.reset();
  c.reset();
  for (HWND w : {plain, narrow, left}) ::DestroyWindow(w);
}

TEST_F(ScrollBars, ADisabledBarIsNotHitAndIsDrawnFaded) {
  host.AdaptList();
  skinctrl::TacEditWnd& adapter = *host.listAdapter;
  const RECT bar = VertBar(adapter);
  const POINT track{bar.left + 1, bar.bottom - 60};
  ASSERT_EQ(::SendMessageW(host.list, WM_NCHITTEST, 0, MAKELPARAM(track.x, track.y)), HTVSCROLL);
  ::EnableScrollBar(host.list, SB_VERT, ESB_DISABLE_BOTH);
  ::RedrawWindow(host.list, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  Pump(100ms);
  EXPECT_FALSE(adapter.ScrollBarEnabled(*adapter.sBarVert));
  EXPECT_EQ(::SendMessageW(host.list, WM_NCHITTEST, 0, MAKELPARAM(track.x, track.y)), HTNOWHERE);
  // No thumb, and everything mixed 40:60 with the track's colour, per
  // channel (a x 102 + b x 153) >> 8: the track itself comes out a shade
  // darker than drawn.
  const skinctrl::TThumbMetrics thumb = Thumb(adapter, host.list);
  const COLORREF track1 = host.SectionRgb("SCROLLBAR1V");
  const auto faded = [](int v) { return (v * 102 + v * 153) >> 8; };
  EXPECT_EQ(ScreenPixel({track.x, thumb.Start + thumb.Size / 2}),
            RGB(faded(GetRValue(track1)), faded(GetGValue(track1)), faded(GetBValue(track1))));
  EXPECT_EQ(CountSystemPixels(host, bar), 0);
  ::EnableScrollBar(host.list, SB_VERT, ESB_ENABLE_BOTH);
  EXPECT_EQ(::SendMessageW(host.list, WM_NCHITTEST, 0, MAKELPARAM(track.x, track.y)), HTVSCROLL);
}

// A window of our own whose procedure records what reaches it.
std::vector<UINT> gProbeMessages;
LRESULT CALLBACK ProbeProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCDESTROY || msg == WM_APP + 7) gProbeMessages.push_back(msg);
  return ::DefWindowProcW(wnd, msg, wParam, lParam);
}
WNDPROC gAfterOriginal = nullptr;
LRESULT CALLBACK SubclassedAfter(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(gAfterOriginal, wnd, msg, wParam, lParam);
}

TEST_F(ScrollBars, AnAdapterThatCannotUnhookStillPassesEverythingToTheWindow) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ProbeProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QuillonAdapterProbe";
  ::RegisterClassW(&wc);
  gProbeMessages.clear();
  HWND probe = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 10, 10, 100, 100,
                                 host.form.Handle(), nullptr, wc.hInstance, nullptr);
  ASSERT_NE(probe, nullptr);
  skinctrl::TacSkinParams params;
  params.SkinSection = "EDIT";
  auto adapter = skinctrl::MakeAdapter<skinctrl::TacBaseWnd>(true, probe, nullptr, host.manager, params);
  // Somebody subclasses the window after the adapter: the adapter cannot
  // take its procedure out of the window any more.
  gAfterOriginal = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(probe, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassedAfter)));
  adapter->ReleaseAdapter();
  EXPECT_TRUE(adapter->Destroyed);
  ::SendMessageW(probe, WM_APP + 7, 0, 0);
  ::DestroyWindow(probe);
  EXPECT_EQ(gProbeMessages, (std::vector<UINT>{WM_APP + 7, WM_NCDESTROY}));
}

}  // namespace

// ------------------------------------------------------------ the corner and vector arrows

namespace {

// A skin whose scroll buttons bring no glyph images and whose global data
// has a grip image: the arrows are drawn as vector arrows in the buttons'
// text colours, and the corner where both bars meet shows the grip.
constexpr COLORREF ArrowInk[3] = {RGB(200, 0, 0), RGB(0, 160, 0), RGB(0, 0, 200)};
constexpr std::uint32_t GripInk = 0x203040;

std::vector<std::uint8_t> VectorArrowSkin() {
  auto colour = [](COLORREF c) { return std::to_string(static_cast<unsigned>(c)); };
  std::string sections = "[EDIT]\r\nSTATES=1\r\nCOLOR=16777215\r\nFONTCOLOR=0\r\n";
  for (const char* track : {"SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V"})
    sections += std::string("[") + track +
                "]\r\nSTATES=3\r\nUSESTATE2=1\r\nCOLOR=12632256\r\nHOTCOLOR=12632256\r\nCOLOR2=10526880\r\n";
  for (const char* button : {"SCROLLBTNLEFT", "SCROLLBTNTOP", "SCROLLBTNRIGHT", "SCROLLBTNBOTTOM"})
    sections += std::string("[") + button + "]\r\nSTATES=3\r\nUSESTATE2=1\r\nCOLOR=14737632\r\nFONTCOLOR=" +
                colour(ArrowInk[0]) + "\r\nHOTCOLOR=15790320\r\nHOTFONTCOLOR=" + colour(ArrowInk[1]) +
                "\r\nCOLOR2=13684944\r\nFONTCOLOR2=" + colour(ArrowInk[2]) + "\r\n";
  for (const char* slider : {"SCROLLSLIDERH", "SCROLLSLIDERV"})
    sections += std::string("[") + slider + "]\r\nSTATES=2\r\nCOLOR=6316128\r\nHOTCOLOR=7368816\r\n";
  // The grip: a triangle in the bottom-right half, the key colour elsewhere.
  skin::Bitmap32 grip(6, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) grip.At(x, y) = x + y >= 5 ? 0xFF000000u | GripInk : 0xFFFF00FFu;
  return skintest::EffectsSkinArchive("GRIPIMAGE=!GRIP.BMP!1!0!2\r\n", sections,
                                      {{"GRIP.BMP", skin::EncodeBmp32(grip)}});
}

class VectorArrowsAndGrip : public ::testing::Test {
protected:
  void SetUp() override {
    form.BeginLoading();
    manager = new skin::TsSkinManager(&form);
    skin::ConfigureMainSkinManager(*manager, VectorArrowSkin());
    form.EndLoading();
    form.SetBorderStyle(fw::TFormBorderStyle::bsNone);
    form.SetBounds(60, 60, 320, 240);
    form.Show();
    list = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT, 120, 80, 200, 160,
                             form.Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    for (int i = 0; i < 100; ++i) {
      const std::wstring item = L"Item " + std::to_wstring(i);
      ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    ::SendMessageW(list, LB_SETHORIZONTALEXTENT, 1000, 0);
    skinctrl::TacSkinParams params;
    params.SkinSection = "EDIT";
    adapter = skinctrl::MakeAdapter<skinctrl::TacEditWnd>(true, list, nullptr, manager, params);
    ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
    Pump(200ms);
  }
  void TearDown() override {
    adapter.reset();
    ::DestroyWindow(list);
    Pump(20ms);
  }
  // The ink of a colour inside a screen rectangle.
  static RECT InkIn(const RECT& r, COLORREF ink, int* count = nullptr) {
    HDC dc = ::GetDC(nullptr);
    RECT found{r.right, r.bottom, r.left, r.top};
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (::GetPixel(dc, x, y) == ink) {
          ++n;
          found.left = std::min<LONG>(found.left, x);
          found.top = std::min<LONG>(found.top, y);
          found.right = std::max<LONG>(found.right, x + 1);
          found.bottom = std::max<LONG>(found.bottom, y + 1);
        }
    ::ReleaseDC(nullptr, dc);
    if (count) *count = n;
    return found;
  }
  // Row widths of the ink from top to bottom.
  static std::vector<int> Rows(const RECT& r, COLORREF ink) {
    std::vector<int> rows;
    HDC dc = ::GetDC(nullptr);
    for (int y = r.top; y < r.bottom; ++y) {
      int n = 0;
      for (int x = r.left; x < r.right; ++x) n += ::GetPixel(dc, x, y) == ink;
      if (n > 0) rows.push_back(n);
    }
    ::ReleaseDC(nullptr, dc);
    return rows;
  }
  RECT FirstArrow(const skinctrl::TacScrollBar& bar) {
    const RECT r = adapter->BarRect(bar);
    const int a = adapter->ScrollArrowLength(bar);
    return bar.nBarType == SB_VERT ? RECT{r.left, r.top, r.right, r.top + a} : RECT{r.left, r.top, r.left + a, r.bottom};
  }
  RECT SecondArrow(const skinctrl::TacScrollBar& bar) {
    const RECT r = adapter->BarRect(bar);
    const int a = adapter->ScrollArrowLength(bar);
    return bar.nBarType == SB_VERT ? RECT{r.left, r.bottom - a, r.right, r.bottom}
                                   : RECT{r.right - a, r.top, r.right, r.bottom};
  }

  fw::TForm form{nullptr};
  skin::TsSkinManager* manager = nullptr;
  HWND list = nullptr;
  std::unique_ptr<skinctrl::TacEditWnd> adapter;
};

}  // namespace

// Without glyph images each arrow button gets a triangle in its section's
// text colour, pointing its way, centred; hot and pressed in their states'
// colours, pressed one pixel right and down.
TEST_F(VectorArrowsAndGrip, ArrowButtonsWithoutGlyphsGetVectorArrowsInTheirTextColours) {
  ASSERT_TRUE(adapter->sBarVert->fScrollVisible);
  ASSERT_TRUE(adapter->sBarHorz->fScrollVisible);
  testsupport::Save(testsupport::CaptureWindow(list), "skinctrl-scroll-vector-arrows");
  const RECT up = FirstArrow(*adapter->sBarVert), down = SecondArrow(*adapter->sBarVert);
  const RECT left = FirstArrow(*adapter->sBarHorz), right = SecondArrow(*adapter->sBarHorz);
  int n = 0;
  const RECT upInk = InkIn(up, ArrowInk[0], &n);
  ASSERT_GT(n, 5) << "an arrow on the first button";
  // Centred in the button (the triangle's own odd pixel aside).
  EXPECT_NEAR((upInk.left + upInk.right) / 2.0, (up.left + up.right) / 2.0, 1.0);
  EXPECT_NEAR((upInk.top + upInk.bottom) / 2.0, (up.top + up.bottom) / 2.0, 1.0);
  const std::vector<int> upRows = Rows(up, ArrowInk[0]), downRows = Rows(down, ArrowInk[0]);
  ASSERT_GE(upRows.size(), 3u);
  EXPECT_LT(upRows.front(), upRows.back()) << "pointing up";
  ASSERT_GE(downRows.size(), 3u);
  EXPECT_GT(downRows.front(), downRows.back()) << "pointing down";
  const RECT leftInk = InkIn(left, ArrowInk[0]), rightInk = InkIn(right, ArrowInk[0]);
  EXPECT_GT(leftInk.bottom - leftInk.top, leftInk.right - leftInk.left) << "left: taller than wide";
  EXPECT_GT(rightInk.bottom - rightInk.top, rightInk.right - rightInk.left) << "right: taller than wide";

  // Hot, then pressed under the pointer.
  const POINT centre{(down.left + down.right) / 2, (down.top + down.bottom) / 2};
  MoveTo(centre);
  EXPECT_TRUE(testsupport::PumpUntil(
      [&] {
        int hot = 0;
        InkIn(down, ArrowInk[1], &hot);
        return hot > 5;
      },
      1s))
      << "hot arrow";
  const RECT normal = InkIn(down, ArrowInk[1]);
  Button(true);
  Pump(100ms);
  const RECT pressed = InkIn(down, ArrowInk[2], &n);
  Button(false);
  Pump(100ms);
  ASSERT_GT(n, 5) << "pressed arrow";
  EXPECT_EQ(pressed.left, normal.left + 1);
  EXPECT_EQ(pressed.top, normal.top + 1);
  EXPECT_EQ(pressed.right, normal.right + 1);
  EXPECT_EQ(pressed.bottom, normal.bottom + 1);
  MoveTo({10, 10});
}

// Where both bars meet the corner is filled with the track's colour; in the
// corner of the form it shows the skin's grip and sizes, elsewhere not.
TEST_F(VectorArrowsAndGrip, TheCornerShowsTheGripOnlyInTheFormsCorner) {
  const skin::TsGeneralData& track = manager->gd()[static_cast<std::size_t>(manager->GetSkinIndex("SCROLLBAR1H"))];
  const COLORREF fill = static_cast<COLORREF>(skinctrl::SectionState(track, 0).Color) & 0xFFFFFF;
  const COLORREF grip = RGB((GripInk >> 16) & 0xFF, (GripInk >> 8) & 0xFF, GripInk & 0xFF);
  ASSERT_TRUE(manager->Model().IsValidImgIndex(manager->ConstData.GripRightBottom));
  RECT corner = adapter->GripRect();
  ASSERT_FALSE(::IsRectEmpty(&corner));
  ASSERT_TRUE(adapter->GripOnCorner());
  EXPECT_EQ(ScreenPixel({corner.left, corner.top}), fill);
  EXPECT_EQ(ScreenPixel({corner.right - 1, corner.bottom - 1}), grip);
  EXPECT_EQ(ScreenPixel({corner.right - 6, corner.bottom - 1}), grip) << "the image's bottom row";
  EXPECT_EQ(ScreenPixel({corner.right - 6, corner.bottom - 2}), fill) << "a key pixel shows the fill";
  int n = 0;
  InkIn(corner, grip, &n);
  EXPECT_EQ(n, 21) << "the whole triangle of the image";
  const POINT inside{(corner.left + corner.right) / 2, (corner.top + corner.bottom) / 2};
  EXPECT_EQ(::SendMessageW(list, WM_NCHITTEST, 0, MAKELPARAM(inside.x, inside.y)), HTBOTTOMRIGHT);

  ::SetWindowPos(list, nullptr, 100, 60, 200, 160, SWP_NOZORDER | SWP_NOACTIVATE);
  ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
  Pump(200ms);
  corner = adapter->GripRect();
  EXPECT_FALSE(adapter->GripOnCorner());
  InkIn(corner, grip, &n);
  EXPECT_EQ(n, 0) << "no grip away from the form's corner";
  EXPECT_EQ(ScreenPixel({corner.right - 1, corner.bottom - 1}), fill);
  const POINT moved{(corner.left + corner.right) / 2, (corner.top + corner.bottom) / 2};
  EXPECT_NE(::SendMessageW(list, WM_NCHITTEST, 0, MAKELPARAM(moved.x, moved.y)), HTBOTTOMRIGHT);
}
