// The frame's geometry over made-up forms and skin records: which title buttons
// a form shows, where the icon, the buttons and the caption text go, the corner
// pixels cut out of the window region, and the hit codes of the title bar.
#include <gtest/gtest.h>

#include "skinctrl/paint/FrameGeometry.h"

#include <algorithm>

namespace {

using namespace skinctrl;
using skin::TRect;

// The main window: single border, system menu and minimise box, normal state.
TFormTraits MainWindow() {
  TFormTraits t;
  t.BorderStyle = TFrameBorderStyle::bsSingle;
  t.MaximizeIcon = false;
  t.MainForm = t.MainFormOnTaskBar = true;
  return t;
}

skin::TsSkinData SkinMetrics() {
  skin::TsSkinData d;
  d.BISpacing = 2;
  d.BIRightMargin = 2;
  d.BILeftMargin = 2;
  return d;
}

TFrameLayoutInput Input(const TFormTraits& form, const skin::TsSkinData& skin) {
  TFrameLayoutInput in;
  in.Form = form;
  in.Rules = DecideTitleButtons(form);
  in.CaptionWidth = 206;
  in.BorderWidth = 3;
  in.CaptionHeight = 19;
  in.Skin = &skin;
  in.Glyphs.Width.fill(28);
  in.Glyphs.Height = 16;
  return in;
}

TFrameLayout Layout(const TFrameLayoutInput& in) {
  TFrameLayout l;
  SetButtonKinds(l, in.BigButtons, in.Rules);
  CalcItems(l, in);
  return l;
}

TEST(TitleButtonRules, FollowTheFormsIconsStyleAndState) {
  const TTitleButtonRules main = DecideTitleButtons(MainWindow());
  EXPECT_TRUE(main.VisibleClose && main.EnabledClose);
  EXPECT_TRUE(main.VisibleMin && main.EnabledMin);
  EXPECT_FALSE(main.VisibleMax || main.EnabledMax || main.Help);
  EXPECT_FALSE(main.EnabledRestore) << "a window in its normal state";

  TFormTraits minimized = MainWindow();
  minimized.Minimized = true;
  EXPECT_FALSE(DecideTitleButtons(minimized).VisibleMax) << "the main form on the task bar";
  EXPECT_TRUE(DecideTitleButtons(minimized).EnabledRestore);
  minimized.MainForm = false;
  EXPECT_TRUE(DecideTitleButtons(minimized).VisibleMax);

  TFormTraits dialog = MainWindow();
  dialog.BorderStyle = TFrameBorderStyle::bsDialog;
  dialog.MaximizeIcon = dialog.MinimizeIcon = true;
  EXPECT_FALSE(DecideTitleButtons(dialog).VisibleMin || DecideTitleButtons(dialog).VisibleMax);

  TFormTraits greyed = MainWindow();
  greyed.MenuCloseGrayed = true;
  EXPECT_TRUE(DecideTitleButtons(greyed).VisibleClose);
  EXPECT_FALSE(DecideTitleButtons(greyed).EnabledClose);
  TFormTraits noClose = MainWindow();
  noClose.MenuHasClose = false;
  EXPECT_FALSE(DecideTitleButtons(noClose).VisibleClose);
  TFormTraits noMenu = MainWindow();
  noMenu.HasSystemMenu = false;
  EXPECT_TRUE(DecideTitleButtons(noMenu).VisibleClose && DecideTitleButtons(noMenu).EnabledClose);
  noMenu.SystemMenuIcon = false;
  EXPECT_FALSE(DecideTitleButtons(noMenu).VisibleClose || DecideTitleButtons(noMenu).VisibleMin);
}

TEST(FrameMetrics, BorderAndCaptionByStyle) {
  const TFrameMetrics m;
  EXPECT_EQ(BorderWidthByStyle(true, true, m), m.CxFrame);
  EXPECT_EQ(BorderWidthByStyle(false, true, m), m.CxDlgFrame);
  EXPECT_EQ(BorderWidthByStyle(false, false, m), 0);
  EXPECT_EQ(CaptionHeightOf(TFrameBorderStyle::bsSingle, false, true, false, m), m.CyCaption);
  EXPECT_EQ(CaptionHeightOf(TFrameBorderStyle::bsToolWindow, false, true, false, m), m.CySmCaption);
  EXPECT_EQ(CaptionHeightOf(TFrameBorderStyle::bsToolWindow, false, true, true, m), m.CyCaption);
  EXPECT_EQ(CaptionHeightOf(TFrameBorderStyle::bsNone, false, true, false, m), 0);
  EXPECT_EQ(CaptionHeightOf(TFrameBorderStyle::bsNone, true, true, false, m), m.CyCaption);
  EXPECT_EQ(CaptionHeightOf(TFrameBorderStyle::bsSingle, false, false, false, m), 0);
}

TEST(TitleLayout, MainWindowHasCloseAndMinimiseAtTheRightAndTheIconAtTheLeft) {
  const skin::TsSkinData skin = SkinMetrics();
  const TFrameLayoutInput in = Input(MainWindow(), skin);
  const TFrameLayout l = Layout(in);
  EXPECT_EQ(l.VCenter, 19 / 2 + 3 / 2);
  EXPECT_EQ(l.ButtonClose.cpRect, (TRect{206 - 2 - 4 - 28, 10 - 8, 206 - 2 - 4, 10 + 8}));
  EXPECT_EQ(l.ButtonMin.cpRect.Right, l.ButtonClose.cpRect.Left - 2);
  EXPECT_EQ(l.ButtonMin.cpRect.Width(), 28);
  EXPECT_EQ(l.ButtonClose.cpGlyphType, skin::tgClose);
  EXPECT_EQ(l.ButtonMin.cpGlyphType, skin::tgMin);
  EXPECT_EQ(l.ButtonClose.cpHitCode, static_cast<unsigned>(htClose));
  EXPECT_EQ(l.ButtonMin.cpHitCode, static_cast<unsigned>(htMinButton));
  EXPECT_FALSE(l.ButtonMax.Visible() || l.ButtonHelp.Visible());
  EXPECT_TRUE(l.IconShown);
  EXPECT_EQ(l.IconRect, (TRect{3 + 2, 10 - 8, 3 + 2 + 16, 10 + 8}));

  EXPECT_EQ(ButtonStripWidth(in, l), 2 + 28 + 2 + 28);
  const TRect text = CaptionTextRect(in, l, false);
  EXPECT_EQ(text.Left, 3 + 16 + 2 + 4);
  EXPECT_EQ(text.Right, 206 - (2 + 28 + 2 + 28) - 3 - 4);
}

TEST(TitleLayout, AlignmentHelpMaximisedStatesAndMissingGlyphs) {
  skin::TsSkinData skin = SkinMetrics();
  skin.BIVAlign = 1;
  TFormTraits form = MainWindow();
  form.BorderStyle = TFrameBorderStyle::bsSizeable;
  form.MaximizeIcon = form.HelpIcon = true;
  form.Maximized = true;
  TFrameLayoutInput in = Input(form, skin);
  in.CxFrame = 4;
  TFrameLayout l = Layout(in);
  EXPECT_EQ(l.VCenter, 19 / 2 + 3 / 2 + 2);
  EXPECT_EQ(l.ButtonClose.cpRect.Top, 4 - 1) << "top-aligned buttons of a maximised window";
  EXPECT_EQ(l.ButtonMax.cpGlyphType, skin::tgNorm) << "the restore glyph";
  EXPECT_EQ(l.ButtonHelp.cpRect.Right, l.ButtonMin.cpRect.Left - 2 - 6);
  EXPECT_EQ(ButtonStripWidth(in, l), 2 + 4 * 28 + 3 * 2);

  // Small buttons: no alignment, no spacing; without images 21 pixels.
  form = MainWindow();
  form.BorderStyle = TFrameBorderStyle::bsToolWindow;
  in = Input(form, skin);
  in.BigButtons = false;
  in.Glyphs = TTitleGlyphSizes{};
  in.Rules.VisibleMin = true;
  l = Layout(in);
  EXPECT_EQ(l.ButtonClose.cpGlyphType, skin::tgSmallClose);
  EXPECT_EQ(l.ButtonClose.cpRect.Width(), DefaultTitleButtonSize);
  EXPECT_EQ(l.ButtonMin.cpRect.Right, l.ButtonClose.cpRect.Left);
  EXPECT_EQ(l.ButtonClose.cpRect.Top, l.VCenter - DefaultTitleButtonSize / 2);
  EXPECT_FALSE(l.IconShown) << "tool windows show no icon";

  // Close alone when neither minimise nor maximise shows.
  form = MainWindow();
  form.MinimizeIcon = false;
  in = Input(form, skin);
  l = Layout(in);
  EXPECT_EQ(l.ButtonClose.cpGlyphType, skin::tgCloseAlone);
  EXPECT_FALSE(l.ButtonMin.Visible());
  // No buttons without a system menu object.
  in.SystemMenuExists = false;
  EXPECT_FALSE(Layout(in).ButtonClose.Visible());
}

// A border image of two 8 x 8 cells (and a mask band below) with key pixels
// in the corners of cell 0 only.
skin::SkinModel CornerModel(int maskType) {
  skin::SkinModel model;
  const int bandHeight = 8;
  model.MasterBitmap = std::make_shared<skin::Bitmap32>(16, bandHeight * (maskType + 1), 0xFF808080u);
  skin::Bitmap32& bmp = *model.MasterBitmap;
  const std::uint32_t key = 0xFFFF00FFu;
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {7, 0}, {6, 0}, {7, 1}, {0, 7}, {7, 7}, {7, 6}}) bmp.At(x, y) = key;
  bmp.At(8, 0) = bmp.At(15, 7) = key;  // cell 1
  for (int y = bandHeight; y < bmp.Height; ++y)
    for (int x = 0; x < 16; ++x) bmp.At(x, y) = key;  // the mask band is never read for corners
  skin::TsMaskData image;
  image.R = TRect{0, 0, 16, bmp.Height};
  image.ImageCount = 2;
  image.MaskType = maskType;
  image.Width = 8;
  image.Height = bandHeight;
  image.WL = image.WT = image.WR = image.WB = 3;
  model.ma.push_back(image);
  return model;
}

TEST(CornerRects, KeyPixelsOfTheCornersInWindowCoordinates) {
  for (const int maskType : {0, 1}) {
    const skin::SkinModel model = CornerModel(maskType);
    const std::vector<TRect> rects = CollectCornerRects(model, 0, -1, 100, 50);
    const std::vector<TRect> expected = {
        {0, 0, 2, 1}, {98, 0, 100, 1}, {0, 1, 1, 2}, {99, 1, 100, 2},  // top rows: left runs, right runs
        {99, 48, 100, 49},                                             // bottom row 6
        {0, 49, 1, 50}, {99, 49, 100, 50}};                            // bottom row 7
    EXPECT_EQ(rects, expected) << "mask type " << maskType;
  }
  // The title's own border image adds its top rows; no image, no rectangles.
  const skin::SkinModel model = CornerModel(0);
  EXPECT_EQ(CollectCornerRects(model, 0, 0, 100, 50).size(), 7u + 4u);
  EXPECT_TRUE(CollectCornerRects(model, -1, -1, 100, 50).empty());
  // A border image without key colour leaves the window rectangular.
  skin::SkinModel square = CornerModel(0);
  for (auto& p : square.MasterBitmap->Pixels) p = 0xFF808080u;
  EXPECT_TRUE(CollectCornerRects(square, 0, 0, 100, 50).empty());
}

TEST(CornerRects, CornersOfMoreRunsThanARealSkinStaySquare) {
  // 2048 x 2048, two cells of 1024 with 512-pixel corners, checkered with the
  // key colour: a run for every other pixel of the corners.
  skin::SkinModel model;
  model.MasterBitmap = std::make_shared<skin::Bitmap32>(2048, 2048, 0xFF808080u);
  skin::Bitmap32& bmp = *model.MasterBitmap;
  for (int y = 0; y < bmp.Height; ++y)
    for (int x = y & 1; x < bmp.Width; x += 2) bmp.At(x, y) = 0xFFFF00FFu;
  skin::TsMaskData image;
  image.R = TRect{0, 0, 2048, 2048};
  image.ImageCount = 2;
  image.Width = 1024;
  image.Height = 2048;
  image.WL = image.WT = image.WR = image.WB = 512;
  model.ma.push_back(image);
  EXPECT_TRUE(CollectCornerRects(model, 0, -1, 1100, 2100).empty());
  // Beside a real corner: the real one keeps its cuts, the checkered one
  // (its own bitmap here) gives none, as the frame's or as the title's image.
  skin::SkinModel both = CornerModel(0);
  skin::TsMaskData checkered = model.ma[0];
  checkered.Bmp = model.MasterBitmap;
  both.ma.push_back(checkered);
  EXPECT_EQ(CollectCornerRects(both, 0, 1, 100, 50), CollectCornerRects(both, 0, -1, 100, 50));
  EXPECT_EQ(CollectCornerRects(both, 0, 1, 100, 50).size(), 7u);
  EXPECT_EQ(CollectCornerRects(both, 1, 0, 100, 50).size(), 4u);
  // Right at the limit the runs are kept.
  skin::SkinModel limit = CornerModel(0);
  limit.MasterBitmap = std::make_shared<skin::Bitmap32>(2048, 2, 0xFF808080u);
  for (int x = 0; x < 2048; x += 2) limit.MasterBitmap->At(x, 0) = 0xFFFF00FFu;
  limit.ma[0].R = TRect{0, 0, 2048, 2};
  limit.ma[0].ImageCount = 1;
  limit.ma[0].Width = 2048;
  limit.ma[0].Height = 2;
  limit.ma[0].WL = limit.ma[0].WR = 1024;
  limit.ma[0].WT = 1;
  limit.ma[0].WB = 0;
  EXPECT_EQ(CollectCornerRects(limit, 0, -1, 2048, 2).size(), MaxCornerRuns);
}

TEST(TitleHitTest, ButtonsIconCaptionEdgesAndClient) {
  const skin::TsSkinData skin = SkinMetrics();
  TFrameLayoutInput in = Input(MainWindow(), skin);
  const TFrameLayout l = Layout(in);
  THitTestInput h;
  h.Layout = &l;
  h.Rules = in.Rules;
  h.Width = 206;
  h.Height = 140;
  h.BorderWidth = 3;
  h.CaptionHeight = 19;
  const auto at = [&](const TRect& r) { return TitleHitTest(h, r.Left, r.Top); };
  EXPECT_EQ(at(l.ButtonClose.cpRect), htClose);
  EXPECT_EQ(TitleHitTest(h, l.ButtonClose.cpRect.Right - 1, l.ButtonClose.cpRect.Bottom - 1), htClose);
  EXPECT_EQ(TitleHitTest(h, l.ButtonClose.cpRect.Right, l.ButtonClose.cpRect.Top), htCaption);
  EXPECT_EQ(at(l.ButtonMin.cpRect), htMinButton);
  EXPECT_EQ(at(l.IconRect), htSysMenu);
  EXPECT_EQ(TitleHitTest(h, 60, 10), htCaption);
  EXPECT_EQ(TitleHitTest(h, 60, 3 + 19), htClient);
  EXPECT_EQ(TitleHitTest(h, 0, 70), htClient) << "no sizing edges on a fixed border";

  h.Rules.EnabledClose = false;
  EXPECT_EQ(at(l.ButtonClose.cpRect), htCaption) << "a disabled close button";
  h.Rules.EnabledMin = false;
  h.Minimized = true;
  EXPECT_EQ(at(l.ButtonMin.cpRect), htMinButton) << "a minimised window restores";
  h.SystemMenu = false;
  EXPECT_EQ(at(l.ButtonMin.cpRect), htCaption);

  h.ThickFrame = true;
  EXPECT_EQ(TitleHitTest(h, 0, 0), htTopLeft);
  EXPECT_EQ(TitleHitTest(h, 205, 139), htBottomRight);
  EXPECT_EQ(TitleHitTest(h, 0, 70), htLeft);
  EXPECT_EQ(TitleHitTest(h, 100, 139), htBottom);
  EXPECT_EQ(TitleHitTest(h, 205, 2), htTopRight);
  h.Maximized = true;
  EXPECT_EQ(TitleHitTest(h, 0, 70), htClient) << "a maximised window does not size";
}

}  // namespace
