#include "SkinMock.h"

#include "MockFont.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace skintest {
namespace {

using skingen::Image;
using skin::SkinModel;
using skin::TsGeneralData;
using skin::TsMaskData;

std::uint32_t Rgb(skin::TColor c) {
  const auto v = static_cast<std::uint32_t>(c);
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

struct Rect {
  int x, y, w, h;
};

class Painter {
public:
  Painter(Image& image, const skin::LoadedSkin& skin) : img_(image), skin_(skin), m_(*skin.Model) {}

  const TsGeneralData* Section(std::string_view name) const {
    const int i = m_.GetSkinIndex(name);
    return i < 0 ? nullptr : &m_.gd[static_cast<std::size_t>(i)];
  }
  int StateOf(const TsGeneralData& g, int state) const { return std::min({state, g.States - 1, 2}); }
  std::uint32_t FontColour(std::string_view name, int state) const {
    const TsGeneralData* g = Section(name);
    return g ? Rgb(g->Props[static_cast<std::size_t>(StateOf(*g, state))].FontColor.Color) : 0;
  }

  // Background of a section (colour and transparency), then its border image.
  void PaintSection(std::string_view name, Rect r, int state, std::vector<std::pair<int, int>>* holes = nullptr) {
    const TsGeneralData* g = Section(name);
    if (!g) return;
    const int cellState = std::min(state, g->States - 1);
    const auto& p = g->Props[static_cast<std::size_t>(StateOf(*g, state))];
    if (p.Transparency < 100)
      for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x)
          Put(x, y, p.Transparency == 0 ? Rgb(p.Color) : skingen::Mix(img_.At(x, y), Rgb(p.Color), p.Transparency * 64 / 100));
    if (m_.IsValidImgIndex(g->BorderIndex)) Border(m_.ma[static_cast<std::size_t>(g->BorderIndex)], r, cellState, holes);
  }

  void Border(const TsMaskData& e, Rect r, int state, std::vector<std::pair<int, int>>* holes) {
    if ((state == 0 && (e.DrawMode & 2)) || r.w < 2 || r.h < 2) return;
    const skin::Bitmap32& bmp = e.Bmp ? *e.Bmp : *m_.MasterBitmap;
    const int sx = e.R.Left + std::min(state, e.ImageCount - 1) * e.Width, sy = e.R.Top;
    int wl = e.WL, wr = e.WR, wt = e.WT, wb = e.WB;
    if (wl + wr > r.w) {
      const int ex = wl + wr - r.w;
      wl = std::max(0, wl - ex / 2);
      wr = std::max(0, wr - ex / 2 - ex % 2);
    }
    if (wt + wb > r.h) {
      const int ex = wt + wb - r.h;
      wt = std::max(0, wt - ex / 2);
      wb = std::max(0, wb - ex / 2 - ex % 2);
    }
    const int mw = e.Width - e.WL - e.WR, mh = e.Height - e.WT - e.WB;
    if (mw < 0 || mh < 0) return;
    auto piece = [&](int px, int py, int pw, int ph, int dx, int dy, int dw, int dh, bool corner) {
      if (pw <= 0 || ph <= 0) return;
      for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x) {
          const int bx = sx + px + x % pw, by = sy + py + y % ph;
          const std::uint32_t s = bmp.At(bx, by) & 0xFFFFFF;
          const int tx = dx + x, ty = dy + y;
          if (corner && s == skingen::KeyColor) {
            if (holes) holes->emplace_back(tx, ty);
            continue;
          }
          if (e.MaskType == 0) {
            Put(tx, ty, s);
          } else {
            const std::uint32_t mask = bmp.At(bx, by + e.Height) & 0xFF;
            Put(tx, ty, skingen::Mix(s, Get(tx, ty), static_cast<int>((255 - mask) * 64 / 255)));
          }
        }
    };
    const int rx = r.x + r.w, by = r.y + r.h;
    piece(0, 0, e.WL, e.WT, r.x, r.y, wl, wt, true);
    piece(0, e.WT, e.WL, mh, r.x, r.y + wt, wl, r.h - wt - wb, false);
    piece(e.WL, 0, mw, e.WT, r.x + wl, r.y, r.w - wl - wr, wt, false);
    piece(0, e.Height - e.WB, e.WL, e.WB, r.x, by - wb, wl, wb, true);
    piece(e.WL, e.Height - e.WB, mw, e.WB, r.x + wl, by - wb, r.w - wl - wr, wb, false);
    piece(e.Width - e.WR, e.Height - e.WB, e.WR, e.WB, rx - wr, by - wb, wr, wb, true);
    piece(e.Width - e.WR, 0, e.WR, e.WT, rx - wr, r.y, wr, wt, true);
    piece(e.Width - e.WR, e.WT, e.WR, mh, rx - wr, r.y + wt, wr, r.h - wt - wb, false);
    if (e.DrawMode & 4) piece(e.WL, e.WT, mw, mh, r.x + wl, r.y + wt, r.w - wl - wr, r.h - wt - wb, false);
  }

  // One frame of a glyph, key pixels left out; half = mixed at weight 127.
  void Glyph(int index, int x, int y, int state, bool half = false) {
    if (!m_.IsValidImgIndex(index)) return;
    const TsMaskData& e = m_.ma[static_cast<std::size_t>(index)];
    const skin::Bitmap32& bmp = e.Bmp ? *e.Bmp : *m_.MasterBitmap;
    const int sx = e.R.Left + std::min(state, e.ImageCount - 1) * e.Width;
    for (int j = 0; j < e.Height; ++j)
      for (int i = 0; i < e.Width; ++i) {
        const std::uint32_t s = bmp.At(sx + i, e.R.Top + j) & 0xFFFFFF;
        if (s == skingen::KeyColor) continue;
        Put(x + i, y + j, half ? skingen::Mix(s, Get(x + i, y + j), 32) : s);
      }
  }
  const TsMaskData* Entry(int index) const {
    return m_.IsValidImgIndex(index) ? &m_.ma[static_cast<std::size_t>(index)] : nullptr;
  }

  void Text(std::string_view text, int x, int yCentre, std::uint32_t colour, int k) {
    DrawMockText(img_, text, x, yCentre, colour, k);
  }
  void CentredText(std::string_view text, Rect r, std::uint32_t colour, int k, int shift = 0) {
    Text(text, r.x + (r.w - MockTextWidth(text, k)) / 2 + shift, r.y + r.h / 2 + shift, colour, k);
  }
  void Triangle(int cx, int cy, int k, std::uint32_t colour) {
    for (int row = 0; row < 4 * k; ++row)
      for (int x = cx - 4 * k + row; x <= cx + 4 * k - row - 1; ++x) Put(x, cy - 2 * k + row, colour);
  }
  void Fill(Rect r, std::uint32_t c) { img_.FillRect(r.x, r.y, r.x + r.w, r.y + r.h, c); }
  void Frame(Rect r, std::uint32_t c) {
    img_.FillRect(r.x, r.y, r.x + r.w, r.y + 1, c);
    img_.FillRect(r.x, r.y + r.h - 1, r.x + r.w, r.y + r.h, c);
    img_.FillRect(r.x, r.y, r.x + 1, r.y + r.h, c);
    img_.FillRect(r.x + r.w - 1, r.y, r.x + r.w, r.y + r.h, c);
  }
  // The disabled look: the control keeps weight 100 of 255 over its parent.
  void Disable(Rect r, std::uint32_t parent) {
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; ++x) Put(x, y, skingen::Mix(Get(x, y), parent, 100 * 64 / 255));
  }
  static std::int64_t F(int px) { return std::int64_t{px} * skingen::Sub; }

  const skin::LoadedSkin& Skin() const { return skin_; }
  const SkinModel& Model() const { return m_; }

private:
  void Put(int x, int y, std::uint32_t c) {
    if (x >= 0 && y >= 0 && x < img_.Width() && y < img_.Height()) img_.Set(x, y, c);
  }
  std::uint32_t Get(int x, int y) const {
    return x >= 0 && y >= 0 && x < img_.Width() && y < img_.Height() ? img_.At(x, y) : 0;
  }
  skingen::Image& img_;
  const skin::LoadedSkin& skin_;
  const SkinModel& m_;
};

void DrawWindow(Painter& p, int ox, int oy, const MockOptions& o, std::vector<std::pair<int, int>>& holes) {
  const int k = o.scale, b = 3 * k, c = 19 * k, header = b + c;
  const int w = 200 * k + 2 * b, h = 112 * k + c + 2 * b;
  const int a = o.active ? 1 : 0;
  const auto& common = p.Skin().Common;
  p.PaintSection("FORM", {ox, oy, w, h}, a, &holes);
  p.PaintSection("FORMTITLE", {ox, oy, w, header}, a, &holes);

  const int vcentre = oy + c / 2 + b / 2;
  const int iconX = ox + b + common.BILeftMargin, icon = 16 * k;
  p.Fill({iconX, vcentre - icon / 2, icon, icon}, 0x2563EB);
  p.Fill({iconX + 4 * k, vcentre - icon / 2 + 4 * k, icon - 8 * k, icon - 8 * k}, 0xFFFFFF);
  p.Text("Quillon", iconX + icon + 4 * k, vcentre, p.FontColour("FORMTITLE", a), k);

  const auto& glyphs = p.Skin().ConstData.TitleGlyphs;
  int x = ox + w - common.BIRightMargin - std::max(4, b);
  const TsMaskData* closeImage = p.Entry(glyphs[skin::tgClose]);
  const int bh = closeImage ? closeImage->Height : 21;
  for (int kind : {skin::tgClose, skin::tgMin}) {
    const TsMaskData* g = p.Entry(glyphs[kind]);
    const int bw = g ? g->Width : 21;
    const int state = kind == skin::tgClose && o.closeHot ? 1 : 0;
    p.Glyph(glyphs[kind], x - bw, vcentre - bh / 2, state, !o.active && state == 0);
    x -= bw + common.BISpacing;
  }

  const int cx = ox + b, cy = oy + header;
  auto at = [&](int l, int t, int cw, int ch) { return Rect{cx + l * k, cy + t * k, cw * k, ch * k}; };
  p.PaintSection("PANEL", at(0, 0, 200, 112), 0);
  p.Text("Port:", cx + 8 * k, cy + 18 * k, p.FontColour("PANEL", 0), k);

  const Rect combo = at(38, 9, 71, 21);
  p.PaintSection("BUTTON", combo, 0);
  p.Text("COM3", combo.x + 4 * k, combo.y + combo.h / 2, p.FontColour("BUTTON", 0), k);
  const int m = common.ComboBoxMargin, bw = 17 * k - 1;
  p.Triangle(combo.x + combo.w - m - bw / 2, combo.y + combo.h / 2, k, p.FontColour("BUTTON", 0));

  const Rect memo = at(8, 36, 185, 37);
  p.PaintSection("EDIT", memo, 0);
  p.Text("Device found: OBD ADAPTER v1.5", memo.x + 4 * k, memo.y + 9 * k, p.FontColour("EDIT", 0), k);

  const Rect check = at(118, 79, 75, 25);
  p.PaintSection("BUTTON", check, o.buttonState);
  p.CentredText("Check", check, p.FontColour("BUTTON", o.buttonState), k, o.buttonState == 2 ? k : 0);
}

}  // namespace

skingen::Image DrawWindowMock(const skin::LoadedSkin& skin, const MockOptions& o) {
  const int k = o.scale, margin = 12 * k;
  const int w = 200 * k + 6 * k, h = 112 * k + 19 * k + 6 * k;
  skingen::Image image(w + 2 * margin, h + 2 * margin, MockDesktop);
  Painter p(image, skin);
  std::vector<std::pair<int, int>> holes;
  DrawWindow(p, margin, margin, o, holes);
  for (const auto& [x, y] : holes) image.Set(x, y, MockDesktop);
  return image;
}

skingen::Image DrawStatesMock(const skin::LoadedSkin& skin) {
  const TsGeneralData* panel = skin.Model->GetSkinIndex("PANEL") >= 0
                                   ? &skin.Model->gd[static_cast<std::size_t>(skin.Model->GetSkinIndex("PANEL"))]
                                   : nullptr;
  const std::uint32_t client = panel ? Rgb(panel->Props[0].Color) : 0xF0F0F0;
  skingen::Image image(420, 250, client);
  Painter p(image, skin);

  // Row 1: "Check" normal, hot, pressed, default, disabled.
  for (int s = 0; s < 5; ++s) {
    const Rect r{8 + s * 82, 8, 75, 25};
    p.PaintSection("BUTTON", r, std::min(s, 3));
    p.CentredText("Check", r, p.FontColour("BUTTON", std::min(s, 3)), 1, s == 2 ? 1 : 0);
    if (s == 4) p.Disable(r, client);
  }
  // Row 2: drop-down box normal, hot, dropped; memo.
  for (int s = 0; s < 3; ++s) {
    const Rect r{8 + s * 78, 42, 71, 21};
    p.PaintSection("BUTTON", r, s);
    // The box text keeps the normal or hot colour while the list is dropped.
    p.Text("COM3", r.x + 4, r.y + 10, p.FontColour("BUTTON", std::min(s, 1)), 1);
    p.Triangle(r.x + r.w - 2 - 8, r.y + 10, 1, p.FontColour("BUTTON", s));
  }
  p.PaintSection("EDIT", {244, 42, 168, 37}, 0);
  p.Text("Device found: OBD ADAPTER v1.5", 248, 51, p.FontColour("EDIT", 0), 1);

  // Row 3: title buttons in their three looks and inactive, on the title bar.
  p.PaintSection("FORMTITLE", {8, 86, 404, 26}, 1);
  const auto& glyphs = skin.ConstData.TitleGlyphs;
  int x = 14;
  for (int kind : {skin::tgClose, skin::tgMin, skin::tgMax, skin::tgNorm}) {
    for (int s = 0; s < 4; ++s) {
      const TsMaskData* g = p.Entry(glyphs[kind]);
      if (!g) continue;
      p.Glyph(glyphs[kind], x, 90, std::min(s, 2), s == 3);
      x += g->Width + 2;
    }
    x += 6;
  }

  // Dropped list with a vertical scroll bar (list frame in the border colour).
  const Rect list{8, 120, 120, 118};
  p.Fill(list, Rgb(skin.Palette[skin::pcEditBG]));
  p.Frame(list, Rgb(skin.Palette[skin::pcBorder]));
  const char* ports[] = {"COM1", "COM11", "COM12", "COM2", "COM3", "COM5", "COM7"};
  for (int i = 0; i < 7; ++i) {
    const Rect item{list.x + 1, list.y + 1 + i * 16, list.w - 19, 16};
    if (i == 1) {
      p.PaintSection("SELECTION", item, 1);
      p.Text(ports[i], item.x + 4, item.y + 8, p.FontColour("SELECTION", 2), 1);
    } else {
      p.Text(ports[i], item.x + 4, item.y + 8, Rgb(skin.Palette[skin::pcEditText]), 1);
    }
  }
  const int sbx = list.x + list.w - 18, sbw = 17, top = list.y + 1, bottom = list.y + list.h - 1;
  const auto& sb = skin.ConstData;
  p.PaintSection("SCROLLBAR1V", {sbx, top + 17, sbw, 30}, 0);
  p.PaintSection("SCROLLBAR2V", {sbx, top + 47, sbw, bottom - 17 - top - 47}, 0);
  p.PaintSection("SCROLLSLIDERV", {sbx, top + 30, sbw, 34}, 1);
  for (int end = 0; end < 2; ++end) {
    const char* name = end == 0 ? "SCROLLBTNTOP" : "SCROLLBTNBOTTOM";
    const Rect r{sbx, end == 0 ? top : bottom - 17, sbw, 17};
    p.PaintSection(name, r, end == 0 ? 1 : 0);
    const TsMaskData* g = p.Entry(sb.ScrollBtns[end == 0 ? 1 : 3].GlyphIndex);
    if (g) p.Glyph(sb.ScrollBtns[end == 0 ? 1 : 3].GlyphIndex, r.x + (r.w - g->Width) / 2, r.y + (r.h - g->Height) / 2,
                   end == 0 ? 1 : 0);
  }

  // The system menu: Restore (disabled), Move, Size (disabled), Minimize (hot), separator, Close.
  const Rect menu{140, 120, 150, 6 + 5 * 22 + 2 + 9};
  p.Fill(menu, Rgb(skin.Palette[skin::pcEditBG]));
  p.PaintSection("MAINMENU", menu, 0);
  const char* items[] = {"Restore", "Move", "Size", "Minimize", "", "Close"};
  int y = menu.y + 3;
  for (int i = 0; i < 6; ++i) {
    if (i == 4) {
      p.PaintSection("DIVIDERV", {menu.x + 3 + 8, y + 4, menu.w - 6 - 16, 2}, 0);
      y += 2 + 9;
      continue;
    }
    const Rect item{menu.x + 3, y, menu.w - 6, 22};
    const bool hot = i == 3, disabled = i == 0 || i == 2;
    p.PaintSection("MENUITEM", item, hot ? 1 : 0);
    p.Text(items[i], item.x + 30, item.y + 11, p.FontColour("MENUITEM", hot ? 1 : 0), 1);
    if (disabled) p.Disable(item, 0xFFFFFF);
    y += 22;
  }
  // Huge button, three looks.
  for (int s = 0; s < 3; ++s) p.PaintSection("BUTTON_HUGE", {300 + (s % 2) * 58, 120 + (s / 2) * 62, 52, 56}, s);
  return image;
}

}  // namespace skintest
