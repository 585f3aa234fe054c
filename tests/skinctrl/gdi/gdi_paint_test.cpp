// The GDI side under Wine: DIB sections and blits, skin text rendered with
// a GDI font and outlined on a known background, and the parent background
// query answered by a window and by the fallbacks.
#include "skin/SkinCommand.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/gdi/Regions.h"
#include "skinctrl/gdi/ParentBackground.h"
#include "skinctrl/gdi/SkinTextGdi.h"

#include <gtest/gtest.h>

namespace {

using namespace skinctrl;

TEST(DibBitmap, ScanLinesAndBlits) {
  TDibBitmap a = NewBitmap32(5, 3);
  ASSERT_FALSE(a.Empty());
  const ScanLines lines = a.Lines();
  EXPECT_EQ(lines.Stride, 5);
  EXPECT_EQ(lines.At(4, 2), 0u);
  FillRectAlpha(lines, {1, 1, 3, 2}, 0x0000FF, 255);  // red into (1, 1) and (2, 1)
  // GDI sees the pixels written through the scan lines...
  EXPECT_EQ(::GetPixel(a.DC(), 1, 1), RGB(255, 0, 0));
  EXPECT_EQ(::GetPixel(a.DC(), 0, 0), RGB(0, 0, 0));
  // ...and a blit moves them into another bitmap.
  TDibBitmap b = NewBitmap32(5, 3);
  CopyToDC(b.DC(), 2, 0, a, {1, 1, 3, 2});
  EXPECT_EQ(b.Lines().At(2, 0) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(b.Lines().At(3, 0) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(b.Lines().At(4, 0), 0u);

  TDibBitmap moved = std::move(a);
  EXPECT_TRUE(a.Empty());
  EXPECT_EQ(moved.Width(), 5);
  moved.SetSize(0, 0);
  EXPECT_TRUE(moved.Empty());
}

fw::UniqueFont SharpFont() {
  LOGFONTW lf{};
  lf.lfHeight = -24;
  lf.lfWeight = FW_BOLD;
  lf.lfQuality = NONANTIALIASED_QUALITY;
  wcscpy_s(lf.lfFaceName, L"Tahoma");
  return fw::UniqueFont(::CreateFontIndirectW(&lf));
}

TEST(SkinTextGdi, OutlinedTextOnAKnownBackground) {
  skin::SkinModel model;
  skin::TsGeneralData section;
  section.Props[0].FontColor = {0x000000, 0x0000FF, -1, 0x00FF00, -1};  // black, red left, green right
  model.gd.push_back(section);
  const auto font = SharpFont();
  TDibBitmap target = NewBitmap32(40, 30);
  FillRectAlpha(target.Lines(), {0, 0, 40, 30}, 0xFFFFFF, 255);
  const RECT rect{5, 0, 40, 30};
  TSkinTextRequest request;
  request.Model = &model;
  request.SkinIndex = 0;
  request.UseOutline = true;
  DrawSkinText(target.Lines(), font.get(), L"I", rect, DT_LEFT | DT_TOP | DT_SINGLELINE, request);

  // Find the stroke of the I in a middle row from the mask GDI renders.
  const Mask8 mask = RenderTextMask(font.get(), L"I", 35, 30, DT_LEFT | DT_TOP | DT_SINGLELINE);
  const int y = 12;
  int first = -1, last = -1;
  for (int x = 0; x < mask.Width; ++x)
    if (mask.At(x, y) == 0) {
      if (first < 0) first = x;
      last = x;
    }
  ASSERT_GE(first, 1) << "no ink in row " << y;
  const ScanLines lines = target.Lines();
  EXPECT_EQ(lines.At(rect.left + first - 1, y), 0xFFFF0000u);  // left outline, red
  EXPECT_EQ(lines.At(rect.left + first, y), 0xFF000000u);      // the text, black
  EXPECT_EQ(lines.At(rect.left + last, y), 0xFF000000u);
  EXPECT_EQ(lines.At(rect.left + last + 1, y), 0xFF00FF00u);   // right outline, green
  EXPECT_EQ(lines.At(rect.left + last + 2, y), 0xFFFFFFFFu);   // the background
}

TEST(SkinTextGdi, GlowSurroundsTheText) {
  skin::SkinModel model;
  skin::TsGeneralData section;
  section.Props[0].FontColor.Color = 0x000000;
  section.Props[0].GlowSize = 3;
  section.Props[0].GlowColor = 0x0000FF;
  model.gd.push_back(section);
  const auto font = SharpFont();
  TDibBitmap target = NewBitmap32(40, 40);
  FillRectAlpha(target.Lines(), {0, 0, 40, 40}, 0xFFFFFF, 255);
  TSkinTextRequest request;
  request.Model = &model;
  request.SkinIndex = 0;
  request.AllowGlow = true;
  Mask8 reused;
  request.GlowMask = &reused;
  DrawSkinText(target.Lines(), font.get(), L"I", {10, 5, 35, 35}, DT_LEFT | DT_TOP | DT_SINGLELINE, request);
  EXPECT_GT(reused.Width, 25 + 2 * 7 - 1);  // reused mask: the text area grown by size + 4 each side
  // Somewhere left of the stroke the white background turned reddish.
  const ScanLines lines = target.Lines();
  bool reddish = false;
  for (int x = 0; x < 40; ++x) {
    const std::uint32_t p = lines.At(x, 18);
    if ((p & 0xFF) < 0xF0 && ((p >> 16) & 0xFF) >= 0xFE) reddish = true;  // red mixed with white stays 254
  }
  EXPECT_TRUE(reddish);
  EXPECT_EQ(lines.At(0, 0), 0xFFFFFFFFu);  // far from the text: untouched
}

// A window that answers SKC_GETBACKGROUND with its own bitmap at (7, 9).
TDibBitmap* answeringCache = nullptr;
LRESULT CALLBACK AnsweringProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == skin::WM_SKINCMD && skin::SkinCommandOf(wParam) == skin::SKC_GETBACKGROUND) {
    auto* request = reinterpret_cast<TBackgroundRequest*>(lParam);
    request->Bmp = answeringCache->Lines();
    request->X = 7;
    request->Y = 9;
    request->BgType = btBitmap;
    return 0;
  }
  return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

struct TestWindow {
  HWND Handle = nullptr;
  TestWindow(const wchar_t* className, WNDPROC proc) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    ::RegisterClassW(&wc);
    Handle = ::CreateWindowExW(0, className, L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~TestWindow() { ::DestroyWindow(Handle); }
};

TEST(ParentBackground, AnsweredByTheParentOrByTheFallback) {
  TDibBitmap cache = NewBitmap32(20, 20);
  answeringCache = &cache;
  TestWindow answering(L"QuillonPaintAnswering", AnsweringProc);
  ASSERT_NE(answering.Handle, nullptr);
  TBackgroundRequest request;
  request.BgType = 77;  // cleared by the query
  ASSERT_TRUE(QueryParentBackground(request, nullptr, answering.Handle, false));
  EXPECT_EQ(request.BgType, btBitmap);
  const TCacheInfo ci = BackgroundToCacheInfo(request);
  EXPECT_TRUE(ci.Ready);
  EXPECT_TRUE(ci.Bmp.SameBitmap(cache.Lines()));
  EXPECT_EQ(ci.X, 7);
  EXPECT_EQ(ci.Y, 9);

  // A plain window without a skin: the system's button face.
  TestWindow plain(L"QuillonPaintPlain", ::DefWindowProcW);
  TBackgroundRequest colour;
  ASSERT_TRUE(QueryParentBackground(colour, nullptr, plain.Handle, false));
  EXPECT_EQ(colour.BgType, btColor);
  EXPECT_EQ(colour.Color, static_cast<TColor>(::GetSysColor(COLOR_BTNFACE)));
  const TCacheInfo fill = BackgroundToCacheInfo(colour);
  EXPECT_FALSE(fill.Ready);
  EXPECT_EQ(fill.FillColor, colour.Color);
}

}  // namespace

TEST(Regions, CornersCutInOneRegion) {
  // A rounded top-left corner and a bottom-right pixel cut from 100 x 50.
  const std::vector<skin::TRect> cuts = {{0, 0, 3, 1}, {0, 1, 1, 2}, {99, 49, 100, 50}};
  const fw::UniqueRegion region = skinctrl::RegionWithout(100, 50, cuts);
  ASSERT_TRUE(region);
  for (auto [x, y] : {std::pair{0, 0}, {2, 0}, {0, 1}, {99, 49}}) EXPECT_FALSE(::PtInRegion(region.get(), x, y)) << x << "," << y;
  for (auto [x, y] : {std::pair{3, 0}, {1, 1}, {50, 25}, {98, 49}, {99, 48}}) EXPECT_TRUE(::PtInRegion(region.get(), x, y)) << x << "," << y;
  RECT box{};
  EXPECT_EQ(::GetRgnBox(region.get(), &box), COMPLEXREGION);
  EXPECT_EQ(box.right, 100);
  EXPECT_EQ(box.bottom, 50);
  // Without cuts: the whole rectangle.
  EXPECT_EQ(::GetRgnBox(skinctrl::RegionWithout(100, 50, {}).get(), &box), SIMPLEREGION);
}
