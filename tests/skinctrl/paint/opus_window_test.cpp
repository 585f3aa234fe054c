// The main window's panel, button and memo painted from our stored skin.
// Expected pixels come from the skin's own records: section colours and the
// border image's pixels in the master bitmap at the places the nine-part
// rules name. Under Wine the picture is also blitted into a real window and
// probed there; the picture is saved as opus-window.bmp in the working folder.
#include "skin/SkinLoader.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skins/OpusSkin.h"

#ifdef _WIN32
#include "skinctrl/gdi/DibBitmap.h"
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

using namespace skinctrl;

std::unique_ptr<skin::SkinModel> LoadOpus() {
  skin::TacSkinConvertor reader;
  reader.BorrowPackedData(skins::OpusSkinArchive());
  if (!reader.ReadArchive() || !reader.Options) return nullptr;
  const skin::SkinIni ini = skin::SkinIni::FromBytes(reader.Options->Bytes());
  skin::SkinSource source;
  source.Options = &ini;
  source.Archive = &reader;
  return skin::BuildSkinModel(source, skin::SkinModel{});
}

class OpusWindow : public ::testing::Test {
protected:
  void SetUp() override {
    model = LoadOpus();
    ASSERT_NE(model, nullptr);
    panel = model->GetSkinIndex("PANEL");
    button = model->GetSkinIndex("BUTTON");
    edit = model->GetSkinIndex("EDIT");
    ASSERT_GE(panel, 0);
    ASSERT_GE(button, 0);
    ASSERT_GE(edit, 0);
    PaintSkinSection(model.get(), panel, {}, -1, -1, LinesOf(window), {}, {0, 0, 200, 112}, 0);
  }

  // A control's cache painted over the panel's picture at its place.
  skin::Bitmap32 Paint(int section, TRect bounds, int state) {
    skin::Bitmap32 cache(bounds.Width(), bounds.Height());
    TControlLook look;
    look.SkinIndex = section;
    PaintSkinControl(model.get(), look, CacheInfoOfBitmap(LinesOf(window), 0, 0), -1, -1, true, LinesOf(cache),
                     {bounds.Left, bounds.Top}, {0, 0, bounds.Width(), bounds.Height()}, state);
    return cache;
  }

  const skin::TsMaskData& Border(int section) {
    return model->ma[static_cast<std::size_t>(model->gd[static_cast<std::size_t>(section)].BorderIndex)];
  }
  std::uint32_t Master(int x, int y) { return model->MasterBitmap->At(x, y); }
  std::uint32_t SectionColor(int section, int state) {
    return ColorToPixel(model->gd[static_cast<std::size_t>(section)].Props[static_cast<std::size_t>(state)].Color) |
           0xFF000000u;
  }

  std::unique_ptr<skin::SkinModel> model;
  int panel = -1, button = -1, edit = -1;
  skin::Bitmap32 window{200, 112};
};

TEST_F(OpusWindow, PanelButtonAndMemoFromTheSkinsRecords) {
  EXPECT_EQ(window.At(100, 20), SectionColor(panel, 0));

  // The button, 75 x 25 at (118, 79): its border image has a key-coloured
  // top-left corner pixel, which shows the panel; (1, 1) is the image's own.
  const skin::TsMaskData& b = Border(button);
  ASSERT_EQ(Master(b.R.Left, b.R.Top) & 0xFFFFFF, 0xFF00FFu) << "the skin's button corner is no longer key-coloured";
  ASSERT_NE(b.DrawMode & 4, 0) << "the button's centre is drawn from the image";
  const skin::Bitmap32 normal = Paint(button, {118, 79, 193, 104}, 0);
  EXPECT_EQ(normal.At(0, 0), window.At(118, 79));
  EXPECT_EQ(normal.At(1, 1), Master(b.R.Left + 1, b.R.Top + 1));
  // The centre tiles the middle piece (Width - WL - WR by Height - WT - WB)
  // from (WL, WT): target (37, 12) takes the piece's column (37 - WL) mod MW.
  const int mw = b.Width - b.WL - b.WR, mh = b.Height - b.WT - b.WB;
  EXPECT_EQ(normal.At(37, 12), Master(b.R.Left + b.WL + (37 - b.WL) % mw, b.R.Top + b.WT + (12 - b.WT) % mh));
  // The bottom-right corner pixel is key-coloured as well: the panel shows.
  ASSERT_EQ(Master(b.R.Left + b.Width - 1, b.R.Top + b.Height - 1) & 0xFFFFFF, 0xFF00FFu);
  EXPECT_EQ(normal.At(74, 24), window.At(192, 103));

  // Hot and the default button's look take their own frames.
  EXPECT_EQ(Paint(button, {118, 79, 193, 104}, 1).At(1, 1), Master(b.R.Left + b.Width + 1, b.R.Top + 1));
  EXPECT_EQ(Paint(button, {118, 79, 193, 104}, 3).At(1, 1), Master(b.R.Left + 3 * b.Width + 1, b.R.Top + 1));

  // The memo, 185 x 37 at (8, 36): border pixels from the image, the centre
  // (not drawn by its border) in the section's colour.
  const skin::TsMaskData& e = Border(edit);
  const skin::Bitmap32 memo = Paint(edit, {8, 36, 193, 73}, 0);
  EXPECT_EQ(memo.At(0, 0), Master(e.R.Left, e.R.Top));
  EXPECT_EQ(memo.At(92, 0), Master(e.R.Left + e.WL + (92 - e.WL) % (e.Width - e.WL - e.WR), e.R.Top));
  EXPECT_EQ(memo.At(92, 18), SectionColor(edit, 0));

#ifdef _WIN32
  // Into a real window, as a paint from the caches does, and read back.
  TDibBitmap picture = NewBitmap32(200, 112);
  CopyRect(picture.Lines(), {0, 0, 200, 112}, LinesOf(window), {0, 0});
  CopyRect(picture.Lines(), {118, 79, 193, 104}, LinesOf(const_cast<skin::Bitmap32&>(normal)), {0, 0});
  CopyRect(picture.Lines(), {8, 36, 193, 73}, LinesOf(const_cast<skin::Bitmap32&>(memo)), {0, 0});
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QuillonOpusWindowTest";
  ::RegisterClassW(&wc);
  HWND wnd = ::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 112, nullptr,
                               nullptr, wc.hInstance, nullptr);
  ASSERT_NE(wnd, nullptr);
  {
    fw::WindowDc dc(wnd);
    CopyToDC(dc.get(), 0, 0, picture, {0, 0, 200, 112});
    ::GdiFlush();
    auto rgb = [](std::uint32_t pixel) { return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF); };
    EXPECT_EQ(::GetPixel(dc.get(), 100, 20), rgb(SectionColor(panel, 0)));
    EXPECT_EQ(::GetPixel(dc.get(), 119, 80), rgb(Master(b.R.Left + 1, b.R.Top + 1)));
    EXPECT_EQ(::GetPixel(dc.get(), 100, 54), rgb(SectionColor(edit, 0)));
  }
  ::DestroyWindow(wnd);
#endif

  // The whole picture, for a look.
  skin::Bitmap32 shot = window;
  CopyRect(LinesOf(shot), {118, 79, 193, 104}, LinesOf(const_cast<skin::Bitmap32&>(normal)), {0, 0});
  CopyRect(LinesOf(shot), {8, 36, 193, 73}, LinesOf(const_cast<skin::Bitmap32&>(memo)), {0, 0});
  const auto file = skin::EncodeBmp32(shot);
  if (std::FILE* f = std::fopen("opus-window.bmp", "wb")) {
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
  }
}

}  // namespace
