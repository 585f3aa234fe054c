#include "skinctrl/paint/FrameGeometry.h"

#include <algorithm>

namespace skinctrl {

using skin::TacTitleGlyph;

namespace {

bool SingleOrSizeable(TFrameBorderStyle s) noexcept {
  return s == TFrameBorderStyle::bsSingle || s == TFrameBorderStyle::bsSizeable;
}

void Place(TsCaptionButton& button, int& x, int width, int height, int vCenter, int topLine, bool vAlignTop,
           int spacing) noexcept {
  button.cpRect.Right = x;
  button.cpRect.Left = x - width;
  button.cpRect.Top = button.cpHaveAlignment && vAlignTop ? topLine : vCenter - height / 2;
  button.cpRect.Bottom = button.cpRect.Top + height;
  x = button.cpRect.Left - spacing;
}

int GlyphWidth(const TTitleGlyphSizes& glyphs, TacTitleGlyph kind) noexcept {
  return kind >= 0 && kind < skin::TitleGlyphCount && glyphs.Width[static_cast<std::size_t>(kind)] > 0
             ? glyphs.Width[static_cast<std::size_t>(kind)]
             : DefaultTitleButtonSize;
}

// The pixel of an image's cell 0 at (x, y) of its image band.
bool KeyPixel(const skin::SkinModel& model, const skin::TsMaskData& image, int x, int y) {
  const skin::Bitmap32* bmp = image.Bmp ? image.Bmp.get() : model.MasterBitmap.get();
  const int px = image.R.Left + x, py = image.R.Top + y;
  if (!bmp || px < 0 || py < 0 || px >= bmp->Width || py >= bmp->Height) return false;
  return (bmp->At(px, py) & 0xFFFFFF) == skin::KeyColorPixel;
}

// Runs of key pixels of one image row within [from, to) become rectangles at windowY.
void CollectRow(const skin::SkinModel& model, const skin::TsMaskData& image, int row, int from, int to, int shift,
                int windowY, std::vector<TRect>& rects) {
  int x = from;
  // Past the limit the corner is dropped whole: no need to count further.
  while (x < to && rects.size() <= MaxCornerRuns) {
    if (!KeyPixel(model, image, x, row)) {
      ++x;
      continue;
    }
    const int start = x;
    while (x < to && KeyPixel(model, image, x, row)) ++x;
    rects.push_back(TRect{start + shift, windowY, x + shift, windowY + 1});
  }
}

void CollectRows(const skin::SkinModel& model, const skin::TsMaskData& image, int firstRow, int rows, int windowY,
                 int captionWidth, std::vector<TRect>& rects) {
  const int cell = image.Width;
  const int wl = std::min(image.WL, cell), wr = std::min(image.WR, cell);
  for (int i = 0; i < rows; ++i) {
    const int row = firstRow + i;
    if (row < 0 || row >= image.Height) continue;
    CollectRow(model, image, row, 0, wl, 0, windowY + i, rects);
    CollectRow(model, image, row, cell - wr, cell, captionWidth - cell, windowY + i, rects);
  }
}

}  // namespace

TTitleButtonRules DecideTitleButtons(const TFormTraits& f) noexcept {
  TTitleButtonRules r;
  const bool singleOrSizeable = SingleOrSizeable(f.BorderStyle);
  r.VisibleClose = f.SystemMenuIcon && (!f.HasSystemMenu || f.MenuHasClose);
  r.EnabledClose = f.HasSystemMenu ? f.MenuHasClose && !f.MenuCloseGrayed : f.SystemMenuIcon;
  r.VisibleMax = f.SystemMenuIcon && ((f.Minimized && !(f.MainForm && f.MainFormOnTaskBar)) || f.MdiChild ||
                                      (singleOrSizeable && f.MaximizeIcon));
  r.VisibleMin = f.SystemMenuIcon && (f.Minimized || f.MdiChild || (singleOrSizeable && f.MinimizeIcon));
  r.EnabledMax = (f.MdiChild || singleOrSizeable) && f.MaximizeIcon;
  r.EnabledMin = f.MinimizeIcon;
  r.EnabledRestore = (f.MaximizeIcon && (f.Minimized || f.Maximized)) || f.Minimized;
  r.Help = f.HelpIcon;
  return r;
}

int BorderWidthByStyle(bool thickFrame, bool border, const TFrameMetrics& m) noexcept {
  if (thickFrame) return m.CxFrame;
  return border ? m.CxDlgFrame : 0;
}

int CaptionHeightOf(TFrameBorderStyle style, bool childWindow, bool captionBits, bool minimized,
                    const TFrameMetrics& m) noexcept {
  if (!minimized && ((style == TFrameBorderStyle::bsNone && !childWindow) || !captionBits)) return 0;
  const bool tool = style == TFrameBorderStyle::bsToolWindow || style == TFrameBorderStyle::bsSizeToolWin;
  return tool && !minimized ? m.CySmCaption : m.CyCaption;
}

TTitleGlyphSizes TitleGlyphSizesOf(const skin::SkinModel& model, const skin::TConstantSkinData& constData) {
  TTitleGlyphSizes sizes;
  for (int kind = 0; kind < skin::TitleGlyphCount; ++kind) {
    const int index = constData.TitleGlyphs[static_cast<std::size_t>(kind)];
    sizes.Width[static_cast<std::size_t>(kind)] =
        model.IsValidImgIndex(index) ? model.ma[static_cast<std::size_t>(index)].Width : DefaultTitleButtonSize;
  }
  const int close = constData.TitleGlyphs[skin::tgClose];
  sizes.Height = model.IsValidImgIndex(close) ? model.ma[static_cast<std::size_t>(close)].Height
                                              : DefaultTitleButtonSize;
  return sizes;
}

void SetButtonKinds(TFrameLayout& layout, bool bigButtons, const TTitleButtonRules& rules) {
  layout.ButtonMin.cpHitCode = htMinButton;
  layout.ButtonMax.cpHitCode = htMaxButton;
  layout.ButtonClose.cpHitCode = htClose;
  layout.ButtonHelp.cpHitCode = htHelp;
  if (bigButtons) {
    layout.ButtonMin.cpGlyphType = skin::tgMin;
    layout.ButtonMax.cpGlyphType = skin::tgMax;
    layout.ButtonHelp.cpGlyphType = skin::tgHelp;
    layout.ButtonClose.cpGlyphType = rules.VisibleMax || rules.VisibleMin ? skin::tgClose : skin::tgCloseAlone;
  } else {
    layout.ButtonMin.cpGlyphType = skin::tgSmallMin;
    layout.ButtonMax.cpGlyphType = skin::tgSmallMax;
    layout.ButtonHelp.cpGlyphType = skin::tgSmallHelp;
    layout.ButtonClose.cpGlyphType = skin::tgSmallClose;
  }
  for (TsCaptionButton* b : {&layout.ButtonMin, &layout.ButtonMax, &layout.ButtonClose, &layout.ButtonHelp}) {
    b->cpHaveAlignment = bigButtons;
  }
}

int ButtonStripWidth(const TFrameLayoutInput& in, const TFrameLayout& layout) noexcept {
  const int spacing = in.BigButtons && in.Skin ? in.Skin->BISpacing : 0;
  int width = (in.Skin ? in.Skin->BIRightMargin : 0) + GlyphWidth(in.Glyphs, layout.ButtonClose.cpGlyphType);
  if (in.Rules.VisibleMax) width += spacing + GlyphWidth(in.Glyphs, layout.ButtonMax.cpGlyphType);
  if (in.Rules.VisibleMin) width += spacing + GlyphWidth(in.Glyphs, layout.ButtonMin.cpGlyphType);
  if (in.Rules.Help) width += spacing + GlyphWidth(in.Glyphs, layout.ButtonHelp.cpGlyphType);
  return width;
}

void CalcItems(TFrameLayout& layout, const TFrameLayoutInput& in) {
  const skin::TsSkinData empty;
  const skin::TsSkinData& skin = in.Skin ? *in.Skin : empty;
  const int b = in.BorderWidth;
  layout.VCenter = in.CaptionHeight / 2 + b / 2 + (in.Form.Maximized ? 2 : 0);
  const int topLine = in.Form.Maximized ? in.CxFrame - 1 : 0;

  // The icon.
  layout.IconRect.Left = b + skin.BILeftMargin;
  layout.IconShown = in.TitleIconVisible && SingleOrSizeable(in.Form.BorderStyle) && in.ShowAppIcon &&
                     in.Form.SystemMenuIcon && in.Form.HasSystemMenu;
  int iconW = 0, iconH = 0;
  if (layout.IconShown) {
    const int h = in.CaptionHeight - skin.BITopMargin;
    const int automatic = h < 48 ? 16 : h <= 64 ? 24 : 32;
    iconW = (in.TitleIconWidth ? in.TitleIconWidth : automatic) * in.ScalePercent / 100;
    iconH = (in.TitleIconHeight ? in.TitleIconHeight : automatic) * in.ScalePercent / 100;
  }
  layout.IconRect.Top = layout.VCenter - iconH / 2;
  layout.IconRect.Right = layout.IconRect.Left + iconW;
  layout.IconRect.Bottom = layout.IconRect.Top + iconH;

  // The buttons, right to left.
  const int spacing = in.BigButtons ? skin.BISpacing : 0;
  const bool alignTop = skin.BIVAlign == 1;
  const int height = in.Glyphs.Height;
  int x = in.CaptionWidth - skin.BIRightMargin - std::max(4, b);
  for (TsCaptionButton* button : {&layout.ButtonClose, &layout.ButtonMax, &layout.ButtonMin, &layout.ButtonHelp}) {
    button->cpRect = TRect{};
  }
  if (!in.Form.SystemMenuIcon || !in.SystemMenuExists) return;
  Place(layout.ButtonClose, x, GlyphWidth(in.Glyphs, layout.ButtonClose.cpGlyphType), height, layout.VCenter,
        topLine, alignTop, spacing);
  if (in.Rules.VisibleMax) {
    if (in.BigButtons) layout.ButtonMax.cpGlyphType = in.Form.Maximized ? skin::tgNorm : skin::tgMax;
    Place(layout.ButtonMax, x, GlyphWidth(in.Glyphs, layout.ButtonMax.cpGlyphType), height, layout.VCenter,
          topLine, alignTop, spacing);
  }
  if (in.Rules.VisibleMin) {
    if (in.BigButtons) {
      layout.ButtonMin.cpGlyphType = in.Form.Minimized && !in.Form.MainForm ? skin::tgNorm : skin::tgMin;
    }
    Place(layout.ButtonMin, x, GlyphWidth(in.Glyphs, layout.ButtonMin.cpGlyphType), height, layout.VCenter,
          topLine, alignTop, spacing);
  }
  if (in.Rules.Help) {
    x -= 6;
    Place(layout.ButtonHelp, x, GlyphWidth(in.Glyphs, layout.ButtonHelp.cpGlyphType), height, layout.VCenter,
          topLine, alignTop, spacing);
  }
}

TRect CaptionTextRect(const TFrameLayoutInput& in, const TFrameLayout& layout, bool captionBackground) noexcept {
  const int leftMargin = in.Skin ? in.Skin->BILeftMargin : 0;
  const int g = 4 * in.ScalePercent / 100;
  TRect r;
  r.Left = in.BorderWidth + (layout.IconShown ? layout.IconRect.Width() : 0) + leftMargin +
           (captionBackground ? 2 : 0) + 4;
  r.Right = in.CaptionWidth - ButtonStripWidth(in, layout) - in.BorderWidth - g;
  r.Top = 0;
  r.Bottom = in.BorderWidth + in.CaptionHeight;
  return r;
}

std::vector<TRect> CollectCornerRects(const skin::SkinModel& model, int formBorder, int titleBorder,
                                      int captionWidth, int height) {
  std::vector<TRect> rects;
  // An image whose corners hold more runs than a real skin's leaves its
  // corners square.
  auto add = [&rects](std::vector<TRect>& own) {
    if (own.size() <= MaxCornerRuns) rects.insert(rects.end(), own.begin(), own.end());
  };
  if (model.IsValidImgIndex(formBorder)) {
    const skin::TsMaskData& image = model.ma[static_cast<std::size_t>(formBorder)];
    std::vector<TRect> own;
    CollectRows(model, image, 0, image.WT, 0, captionWidth, own);
    CollectRows(model, image, image.Height - image.WB, image.WB, height - image.WB, captionWidth, own);
    add(own);
  }
  if (model.IsValidImgIndex(titleBorder)) {
    const skin::TsMaskData& image = model.ma[static_cast<std::size_t>(titleBorder)];
    std::vector<TRect> own;
    CollectRows(model, image, 0, image.WT, 0, captionWidth, own);
    add(own);
  }
  return rects;
}

int TitleHitTest(const THitTestInput& in, int x, int y) noexcept {
  const auto inside = [x, y](const TRect& r) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; };
  if (in.Layout && in.SystemMenu) {
    const TFrameLayout& l = *in.Layout;
    if (l.ButtonClose.Visible() && inside(l.ButtonClose.cpRect)) {
      return in.Rules.EnabledClose ? htClose : htCaption;
    }
    if (l.ButtonMax.Visible() && inside(l.ButtonMax.cpRect)) {
      return in.Rules.EnabledMax || (in.Rules.EnabledRestore && !in.Minimized) ? htMaxButton : htCaption;
    }
    if (l.ButtonMin.Visible() && inside(l.ButtonMin.cpRect)) {
      return in.Rules.EnabledMin || in.Minimized ? htMinButton : htCaption;
    }
    if (l.ButtonHelp.Visible() && inside(l.ButtonHelp.cpRect)) return htHelp;
  }
  const int b = in.BorderWidth;
  if (in.ThickFrame && !in.Maximized) {
    const bool left = x < b, right = x >= in.Width - b, top = y < b, bottom = y >= in.Height - b;
    if (bottom) return left ? htBottomLeft : right ? htBottomRight : htBottom;
    if (top) return left ? htTopLeft : right ? htTopRight : htTop;
    if (left) return htLeft;
    if (right) return htRight;
  }
  if (y < b + in.CaptionHeight) {
    if (in.Layout && in.Layout->IconShown && inside(in.Layout->IconRect)) return htSysMenu;
    return htCaption;
  }
  return htClient;
}

}  // namespace skinctrl
