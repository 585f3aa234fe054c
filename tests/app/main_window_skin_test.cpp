// The main window's skinned memo (and, later in the file, its port list) as
// the screen shows them: expected pixels come from the skin's own records
// (section colours, the border image in the master bitmap), screenshots are
// saved in the test's working folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/Unit1.h"
#include "skinctrl/adapters/WindowAdapters.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/paint/SectionQueries.h"
#include "tests/support/Gui.h"
#include "tests/support/ScreenShot.h"
#include "tests/support/SerialDeviceList.h"

namespace {

using namespace std::chrono_literals;
using testsupport::PumpUntil;

void Pump(std::chrono::milliseconds time) { PumpUntil([] { return false; }, time); }

COLORREF PixelRgb(std::uint32_t pixel) {
  return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

COLORREF ScreenPixel(int x, int y) {
  HDC dc = ::GetDC(nullptr);
  const COLORREF c = ::GetPixel(dc, x, y);
  ::ReleaseDC(nullptr, dc);
  return c;
}

std::vector<std::wstring> ItemsOf(fw::TComboBox& combo) {
  std::vector<std::wstring> items;
  for (int i = 0; i < combo.Items().Count(); ++i) items.push_back(combo.Items().Get(i));
  return items;
}

bool OwnerDrawn(HWND combo) { return (::GetWindowLongPtrW(combo, GWL_STYLE) & CBS_OWNERDRAWFIXED) != 0; }

class MainWindowSkinTest : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::SetPorts({L"COM3", L"COM10"});
    fw::Application().SetTitle(L"Quillon");
    form = std::make_unique<app::TForm1>(nullptr);
    form->AfterConstruction();
    form->Show();
    ::SetForegroundWindow(form->Handle());
    Pump(200ms);
  }
  void TearDown() override { form.reset(); }

  COLORREF SectionFontRgb(const char* name, int state) {
    const auto& section = Manager().gd()[static_cast<std::size_t>(Manager().GetSkinIndex(name))];
    return static_cast<COLORREF>(skinctrl::SectionState(section, state).FontColor.Color) & 0xFFFFFF;
  }
  COLORREF SectionRgb(const char* name, int state) {
    const auto& section = Manager().gd()[static_cast<std::size_t>(Manager().GetSkinIndex(name))];
    return static_cast<COLORREF>(skinctrl::SectionState(section, state).Color) & 0xFFFFFF;
  }

  skin::TsSkinManager& Manager() { return *form->sSkinManager1; }
  const skin::TsGeneralData& Edit() {
    return Manager().gd()[static_cast<std::size_t>(Manager().GetSkinIndex("EDIT"))];
  }
  // A pixel of the "EDIT" border image's normal frame.
  COLORREF BorderPixel(int x, int y) {
    const skin::TsMaskData& image = Manager().ma()[static_cast<std::size_t>(Edit().BorderIndex)];
    const skin::Bitmap32& source = image.Bmp ? *image.Bmp : *Manager().Model().MasterBitmap;
    return PixelRgb(source.At(image.R.Left + x, image.R.Top + y));
  }
  // Where the top edge's middle piece puts column x of a w-wide control.
  int TopEdgeColumn(int x) {
    const skin::TsMaskData& image = Manager().ma()[static_cast<std::size_t>(Edit().BorderIndex)];
    return image.WL + (x - image.WL) % (image.Width - image.WL - image.WR);
  }
  RECT MemoRect() {
    RECT r;
    ::GetWindowRect(form->sMemo1->Handle(), &r);
    return r;
  }

  std::unique_ptr<app::TForm1> form;
};

TEST_F(MainWindowSkinTest, TheMemoShowsTheEditSectionsBorderAndColours) {
  skinctrl::TsMemo& memo = *form->sMemo1;
  ASSERT_NE(memo.Adapter(), nullptr);
  const skin::TsGenState& normal = skinctrl::SectionState(Edit(), 0);
  EXPECT_EQ(normal.Color, 0xFFFFFF);
  EXPECT_EQ(normal.FontColor.Color, 0x414141);
  EXPECT_EQ(memo.Color(), normal.Color);
  EXPECT_EQ(memo.Font().Color(), normal.FontColor.Color);
  EXPECT_EQ(memo.Adapter()->cxLeftEdge, 2);

  memo.Lines().Add(L"Connect to COM3 port is OK.");
  memo.Lines().Add(L"Device found: SIM327 v1.5");
  Pump(200ms);
  const RECT r = MemoRect();
  ASSERT_EQ(r.right - r.left, 185);
  ASSERT_EQ(r.bottom - r.top, 37);
  // The 2-pixel frame is the border image's, the interior the section's white.
  for (int y : {0, 1}) EXPECT_EQ(ScreenPixel(r.left + 92, r.top + y), BorderPixel(TopEdgeColumn(92), y)) << y;
  EXPECT_EQ(ScreenPixel(r.left + 150, r.top + 2), RGB(255, 255, 255));
  EXPECT_EQ(ScreenPixel(r.left + 150, r.bottom - 3), RGB(255, 255, 255));
  // The text is written in the section's font colour.
  HDC dc = ::GetDC(nullptr);
  int inFontColor = 0;
  for (int y = r.top + 2; y < r.bottom - 2; ++y)
    for (int x = r.left + 2; x < r.right - 2; ++x)
      if (::GetPixel(dc, x, y) == RGB(0x41, 0x41, 0x41)) ++inFontColor;
  ::ReleaseDC(nullptr, dc);
  EXPECT_GT(inFontColor, 20);
  testsupport::Save(testsupport::CaptureWindow(form->Handle()), "main-window-memo");
}

TEST_F(MainWindowSkinTest, ThePrintedMemoCarriesTheSkinsFrame) {
  skinctrl::TsMemo& memo = *form->sMemo1;
  memo.Lines().Add(L"Device found: SIM327 v1.5");
  Pump(100ms);
  skinctrl::TDibBitmap printed(185, 37);
  ::SendMessageW(memo.Handle(), WM_PRINT, reinterpret_cast<WPARAM>(printed.DC()),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  const skinctrl::ScanLines lines = printed.Lines();
  for (int y : {0, 1}) EXPECT_EQ(PixelRgb(lines.At(92, y)), BorderPixel(TopEdgeColumn(92), y)) << y;
  EXPECT_EQ(PixelRgb(lines.At(150, 30)), RGB(255, 255, 255));
}

TEST_F(MainWindowSkinTest, CtrlASelectsAllAndInsertsNothing) {
  // A writable skinned memo beside the main window's read-only one (which
  // hands the focus on at once).
  auto* memo = new skinctrl::TsMemo(form.get());
  memo->SetParent(form->sPanel1);
  memo->SetBounds(8, 80, 100, 25);
  memo->SetText(L"abc");
  memo->HandleNeeded();
  Pump(100ms);
  ASSERT_NE(memo->Adapter(), nullptr);
  memo->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() == memo->Handle(); }, 2000ms));
  INPUT in[4] = {};
  for (INPUT& i : in) i.type = INPUT_KEYBOARD;
  in[0].ki.wVk = VK_CONTROL;
  in[1].ki.wVk = 'A';
  in[2].ki.wVk = 'A';
  in[2].ki.dwFlags = KEYEVENTF_KEYUP;
  in[3].ki.wVk = VK_CONTROL;
  in[3].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(4, in, sizeof(INPUT));
  Pump(300ms);
  EXPECT_EQ(memo->Text(), L"abc");
  DWORD start = 99, end = 99;
  ::SendMessageW(memo->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 3u);
}

TEST_F(MainWindowSkinTest, WithTheSkinRemovedTheMemoTakesTheSystemLookAndBack) {
  skinctrl::TsMemo& memo = *form->sMemo1;
  memo.Lines().Add(L"kept");
  Manager().SetActive(false);
  Pump(300ms);
  EXPECT_EQ(memo.Adapter(), nullptr);
  EXPECT_EQ(memo.Color(), fw::clWindow);
  EXPECT_EQ(memo.Font().Color(), fw::clWindowText);
  EXPECT_EQ(memo.Text(), L"kept\r\n");
  RECT r = MemoRect(), client;
  ::GetClientRect(memo.Handle(), &client);
  EXPECT_EQ(client.right, r.right - r.left - 4);
  // The system's sunken edge and window colour.
  EXPECT_EQ(ScreenPixel(r.left + 92, r.top), ::GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(ScreenPixel(r.left + 150, r.top + 2), ::GetSysColor(COLOR_WINDOW));
  testsupport::Save(testsupport::CaptureWindow(form->Handle()), "main-window-memo-unskinned");

  Manager().SetActive(true);
  Pump(300ms);
  ASSERT_NE(memo.Adapter(), nullptr);
  r = MemoRect();
  EXPECT_EQ(ScreenPixel(r.left + 92, r.top), BorderPixel(TopEdgeColumn(92), 0));
  EXPECT_EQ(memo.Text(), L"kept\r\n");
}

TEST_F(MainWindowSkinTest, ThePortListIsOwnerDrawnExactlyWhileSkinnedAndKeepsItsItems) {
  skinctrl::TsComboBox& combo = *form->sComboBox1;
  const std::vector<std::wstring> ports{L"COM10", L"COM3"};
  EXPECT_TRUE(OwnerDrawn(combo.Handle()));
  EXPECT_EQ(ItemsOf(combo), ports);
  EXPECT_EQ(combo.ItemIndex(), 0);
  EXPECT_EQ(combo.Text(), L"COM10");

  Manager().SetActive(false);
  Pump(300ms);
  EXPECT_FALSE(OwnerDrawn(combo.Handle()));
  EXPECT_EQ(ItemsOf(combo), ports);
  EXPECT_EQ(combo.ItemIndex(), 0);
  EXPECT_EQ(combo.ListAdapter(), nullptr);
  EXPECT_EQ(combo.Color(), fw::clWindow);

  Manager().SetActive(true);
  Pump(300ms);
  EXPECT_TRUE(OwnerDrawn(combo.Handle()));
  EXPECT_EQ(ItemsOf(combo), ports);
  EXPECT_EQ(combo.ItemIndex(), 0);
  EXPECT_EQ(combo.Text(), L"COM10");
}

TEST_F(MainWindowSkinTest, TheClosedPortListIsTheButtonSectionWithTheArrowInItsButtonRectangle) {
  skinctrl::TsComboBox& combo = *form->sComboBox1;
  ASSERT_EQ(Manager().GetSkinIndex("COMBONOEDIT"), -1);
  EXPECT_EQ(combo.SkinData().SkinIndex, Manager().GetSkinIndex("BUTTON"));
  EXPECT_EQ(combo.FGlyphIndex, -1);
  ::InvalidateRect(combo.Handle(), nullptr, FALSE);
  Pump(200ms);
  RECT w;
  ::GetWindowRect(combo.Handle(), &w);
  const RECT b = combo.ButtonRect();
  EXPECT_EQ(b.right, 71 - Manager().CommonSkinData.ComboBoxMargin);
  EXPECT_EQ(b.right - b.left, ::GetSystemMetrics(SM_CXVSCROLL) - 1);
  // The arrow: pixels of the section's font colour, all inside the button
  // rectangle and centred in it.
  const COLORREF arrow = SectionFontRgb("BUTTON", combo.State == 2 ? 2 : combo.SkinData().FMouseAbove ? 1 : 0);
  HDC dc = ::GetDC(nullptr);
  RECT found{1000, 1000, -1, -1};
  for (int y = 0; y < w.bottom - w.top; ++y)
    for (int x = b.left - 20; x < w.right - w.left; ++x)
      if (::GetPixel(dc, w.left + x, w.top + y) == arrow && x >= b.left - 2) {
        found.left = std::min<LONG>(found.left, x);
        found.top = std::min<LONG>(found.top, y);
        found.right = std::max<LONG>(found.right, x + 1);
        found.bottom = std::max<LONG>(found.bottom, y + 1);
      }
  // The box's own colour behind the text, left of the button.
  EXPECT_EQ(::GetPixel(dc, w.left + b.left - 4, w.top + (w.bottom - w.top) / 2), SectionRgb("BUTTON", 0));
  ::ReleaseDC(nullptr, dc);
  ASSERT_GT(found.right, found.left) << "no arrow drawn";
  EXPECT_GE(found.left, b.left);
  EXPECT_LE(found.right, b.right);
  EXPECT_EQ(found.right - found.left, 8) << "a solid arrow of the default size";
  EXPECT_LE(std::abs((found.left + found.right) - (b.left + b.right)), 1);
  EXPECT_LE(std::abs((found.top + found.bottom) - (b.top + b.bottom)), 1);
  testsupport::Save(testsupport::CaptureWindow(form->Handle()), "main-window-port-list");
}

TEST_F(MainWindowSkinTest, TheDroppedPortListHasItsAdapterAndASkinnedScrollBarWhenPortsOverflow) {
  std::vector<std::wstring> many;
  for (int i = 1; i <= 24; ++i) many.push_back(L"COM" + std::to_wstring(i));
  testsupport::SetPorts(many);
  form->RefreshPortList();
  skinctrl::TsComboBox& combo = *form->sComboBox1;
  ASSERT_EQ(combo.Items().Count(), 24);
  ::SendMessageW(combo.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(PumpUntil([&] { return combo.ListAdapter() != nullptr; }, 2000ms));
  Pump(300ms);
  const HWND list = combo.ListHandle();
  EXPECT_EQ(skinctrl::AdapterOf(list), combo.ListAdapter());
  skinctrl::TacComboListWnd& adapter = *combo.ListAdapter();
  ASSERT_TRUE(adapter.sBarVert->fScrollVisible);
  const RECT bar = adapter.BarRect(*adapter.sBarVert);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  ::GetScrollInfo(list, SB_VERT, &si);
  const skinctrl::TThumbMetrics thumb = skinctrl::GetThumbMetrics(
      {si.nMin, si.nMax, static_cast<int>(si.nPage), si.nPos, 0}, adapter.Span(*adapter.sBarVert, bar));
  EXPECT_EQ(ScreenPixel(bar.left + 1, thumb.Start + thumb.Size + 10), SectionRgb("SCROLLBAR2V", 0));
  EXPECT_EQ(ScreenPixel(bar.left, bar.top), SectionRgb("SCROLLBTNTOP", 0));
  // No pixel of the system's own bar.
  int system = 0;
  HDC dc = ::GetDC(nullptr);
  for (int y = bar.top; y < bar.bottom; ++y)
    for (int x = bar.left; x < bar.right; ++x) {
      const COLORREF c = ::GetPixel(dc, x, y);
      if (c == ::GetSysColor(COLOR_3DDKSHADOW) || c == ::GetSysColor(COLOR_SCROLLBAR)) ++system;
    }
  // The list's frame is the palette's border colour, its items owner-drawn
  // on the edit background with the selected one in the selection colours.
  RECT lw;
  ::GetWindowRect(list, &lw);
  EXPECT_EQ(::GetPixel(dc, lw.left + 20, lw.top),
            static_cast<COLORREF>(Manager().Palette[skin::pcBorder]) & 0xFFFFFF);
  EXPECT_EQ(::GetPixel(dc, lw.left + 50, lw.top + 3), SectionRgb("SELECTION", 2));
  ::ReleaseDC(nullptr, dc);
  EXPECT_EQ(system, 0);
  testsupport::Save(testsupport::CaptureWindow(list), "main-window-port-list-dropped");
  ::SendMessageW(combo.Handle(), CB_SHOWDROPDOWN, FALSE, 0);
  Pump(100ms);

  // Ports come and go: the list follows at the next tick.
  testsupport::SetPorts({L"COM4", L"COM5"});
  ASSERT_TRUE(PumpUntil([&] { return combo.Items().Count() == 2; }, 3000ms));
  EXPECT_EQ(ItemsOf(combo), (std::vector<std::wstring>{L"COM4", L"COM5"}));
  EXPECT_EQ(combo.ItemIndex(), 0);
  testsupport::SetPorts({L"COM4", L"COM5", L"COM6"});
  ASSERT_TRUE(PumpUntil([&] { return combo.Items().Count() == 3; }, 3000ms));
  EXPECT_EQ(combo.Text(), L"COM4");
}

TEST_F(MainWindowSkinTest, AReadOnlyPortListOnlyTakesTheFocus) {
  skinctrl::TsComboBox& combo = *form->sComboBox1;
  combo.SetReadOnly(true);
  RECT w;
  ::GetWindowRect(combo.Handle(), &w);
  ::SetCursorPos((w.left + w.right) / 2, (w.top + w.bottom) / 2);
  Pump(100ms);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, in, sizeof(INPUT));
  ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() == combo.Handle(); }, 2000ms));
  Pump(200ms);
  EXPECT_FALSE(combo.DroppedDown());
  int changes = 0;
  combo.OnChange = [&](fw::TObject*) { ++changes; };
  for (WORD key : {WORD(VK_DOWN), WORD(VK_END), WORD('C'), WORD(VK_F4)}) {
    INPUT k[2] = {};
    k[0].type = k[1].type = INPUT_KEYBOARD;
    k[0].ki.wVk = k[1].ki.wVk = key;
    k[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, k, sizeof(INPUT));
    Pump(100ms);
  }
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(combo.DroppedDown());
  // Writable again: the same key moves the selection (seen as it happens:
  // the port list's next refresh selects the first port again).
  int selected = -1;
  combo.OnChange = [&](fw::TObject*) { selected = combo.ItemIndex(); };
  combo.SetReadOnly(false);
  INPUT k[2] = {};
  k[0].type = k[1].type = INPUT_KEYBOARD;
  k[0].ki.wVk = k[1].ki.wVk = VK_DOWN;
  k[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, k, sizeof(INPUT));
  EXPECT_TRUE(PumpUntil([&] { return selected == 1; }, 2000ms));
  combo.OnChange = nullptr;
}

// The pointer moved through the system's input, repeated until Wine's X
// pointer agrees.
void MoveTo(int x, int y) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    ::SetCursorPos(x, y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_MOVE;
    ::SendInput(1, &in, sizeof in);
    Pump(30ms);
    POINT p;
    ::GetCursorPos(&p);
    if (p.x == x && p.y == y) return;
  }
}

TEST_F(MainWindowSkinTest, ThePortListTakesTheHotLookUnderTheMouseAndLosesIt) {
  skinctrl::TsComboBox& combo = *form->sComboBox1;
  RECT w;
  ::GetWindowRect(combo.Handle(), &w);
  const RECT b = combo.ButtonRect();
  const int probeX = w.left + b.left - 4, probeY = (w.top + w.bottom) / 2;
  MoveTo(w.left - 30, w.bottom + 40);
  Pump(400ms);
  EXPECT_EQ(ScreenPixel(probeX, probeY), SectionRgb("BUTTON", 0));
  MoveTo(w.left + 10, probeY);
  EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(probeX, probeY) == SectionRgb("BUTTON", 1); }, 2000ms))
      << std::hex << ScreenPixel(probeX, probeY);
  EXPECT_TRUE(combo.SkinData().FMouseAbove);
  MoveTo(w.left - 30, w.bottom + 40);
  EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(probeX, probeY) == SectionRgb("BUTTON", 0); }, 2000ms))
      << std::hex << ScreenPixel(probeX, probeY);
  EXPECT_FALSE(combo.SkinData().FMouseAbove);
}

TEST_F(MainWindowSkinTest, TheIdlePortListRefreshesEverySecondWithoutRepainting) {
  skinctrl::TsComboBox& combo = *form->sComboBox1;
  MoveTo(10, 10);
  Pump(300ms);
  int paints = 0;
  static const int key = 0;
  combo.WindowProc.Install(&key, [&](fw::TMessage& m) {
    if (m.Msg == WM_PAINT || m.Msg == WM_NCPAINT) ++paints;
    combo.WindowProc.CallNext(&key, m);
  });
  Pump(2500ms);
  combo.WindowProc.Remove(&key);
  EXPECT_EQ(paints, 0);
  EXPECT_EQ(combo.Text(), L"COM10");
}

}  // namespace
