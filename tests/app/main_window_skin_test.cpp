// The main window's skinned memo (and, later in the file, its port list) as
// the screen shows them: expected pixels come from the skin's own records
// (section colours, the border image in the master bitmap), screenshots are
// saved in the test's working folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/Unit1.h"
#include "skinctrl/DibBitmap.h"
#include "skinctrl/SectionQueries.h"
#include "tests/support/Gui.h"

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

void SaveShot(HWND wnd, const char* file) {
  RECT r;
  ::GetWindowRect(wnd, &r);
  skinctrl::TDibBitmap shot(r.right - r.left, r.bottom - r.top);
  HDC screen = ::GetDC(nullptr);
  ::BitBlt(shot.DC(), 0, 0, shot.Width(), shot.Height(), screen, r.left, r.top, SRCCOPY);
  ::ReleaseDC(nullptr, screen);
  const skinctrl::ScanLines lines = shot.Lines();
  skin::Bitmap32 copy(shot.Width(), shot.Height());
  for (int y = 0; y < copy.Height; ++y)
    for (int x = 0; x < copy.Width; ++x) copy.At(x, y) = lines.At(x, y) | 0xFF000000u;
  const auto bytes = skin::EncodeBmp32(copy);
  if (std::FILE* f = std::fopen(file, "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

class MainWindowSkinTest : public ::testing::Test {
protected:
  void SetUp() override {
    fw::Application().SetTitle(L"Quillon");
    form = std::make_unique<app::TForm1>(nullptr);
    form->AfterConstruction();
    form->Show();
    ::SetForegroundWindow(form->Handle());
    Pump(200ms);
  }
  void TearDown() override { form.reset(); }

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
  memo.Lines().Add(L"Device found: ELM327 v1.5");
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
  SaveShot(form->Handle(), "main-window-memo.bmp");
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
  SaveShot(form->Handle(), "main-window-memo-unskinned.bmp");

  Manager().SetActive(true);
  Pump(300ms);
  ASSERT_NE(memo.Adapter(), nullptr);
  r = MemoRect();
  EXPECT_EQ(ScreenPixel(r.left + 92, r.top), BorderPixel(TopEdgeColumn(92), 0));
  EXPECT_EQ(memo.Text(), L"kept\r\n");
}

}  // namespace
