#include "SkinBuilder.h"

#include "ImageFiles.h"
#include "skin/SkinArchive.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string_view>
#include <utility>

namespace skingen {
namespace {

constexpr int Scales[] = {100, 125, 150, 200};

// A size in pixels at the given scale, rounded half up.
int Px(int pixels, int pct) { return (pixels * pct + 50) / 100; }
std::int64_t F(int pixels) { return std::int64_t{pixels} * Sub; }
// One-pixel lines stay one pixel up to 150 % and become two at 200 %.
int Line(int pct) { return pct >= 200 ? 2 : 1; }

struct Rect {
  int left, top, right, bottom;
};

// Lays the images of the master bitmap out in rows, in the order they come.
class Atlas {
public:
  Rect Place(Image image) {
    if (x_ + image.Width() > MaxWidth && x_ > 0) {
      x_ = 0;
      y_ += rowHeight_ + Gap;
      rowHeight_ = 0;
    }
    const Rect r{x_, y_, x_ + image.Width(), y_ + image.Height()};
    x_ += image.Width() + Gap;
    rowHeight_ = std::max(rowHeight_, image.Height());
    width_ = std::max(width_, r.right);
    placed_.emplace_back(r, std::move(image));
    return r;
  }

  // Unused space is key colour: nothing there belongs to an image.
  Image Compose() const {
    Image master(width_, y_ + rowHeight_, KeyColor);
    for (const auto& [r, image] : placed_) master.Blit(image, r.left, r.top);
    return master;
  }

private:
  static constexpr int MaxWidth = 512;
  static constexpr int Gap = 1;
  int x_ = 0, y_ = 0, rowHeight_ = 0, width_ = 0;
  std::vector<std::pair<Rect, Image>> placed_;
};

class Section {
public:
  explicit Section(std::string name) : name_(std::move(name)) {}
  Section& Set(std::string key, std::string value) {
    keys_.emplace_back(std::move(key), std::move(value));
    return *this;
  }
  Section& Set(std::string key, long long value) { return Set(std::move(key), std::to_string(value)); }
  Section& Colour(std::string key, std::uint32_t rgb) { return Set(std::move(key), ToTColor(rgb)); }
  // COLOR, FONTCOLOR and TRANSPARENCY of one state (0, 1 hot, 2 second look).
  Section& State(int state, std::uint32_t colour, std::uint32_t font, int transparency = 0) {
    static constexpr std::string_view prefix[] = {"", "HOT", ""};
    static constexpr std::string_view suffix[] = {"", "", "2"};
    const std::string p(prefix[state]), s(suffix[state]);
    Colour(p + "COLOR" + s, colour);
    Colour(p + "FONTCOLOR" + s, font);
    return Set(p + "TRANSPARENCY" + s, transparency);
  }
  void Write(std::string& out) const {
    out += "[" + name_ + "]\r\n";
    for (const auto& [k, v] : keys_) out += k + "=" + v + "\r\n";
    out += "\r\n";
  }

private:
  std::string name_;
  std::vector<std::pair<std::string, std::string>> keys_;
};

std::string Num4(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%04d", v);
  return b;
}

// "@left@top@right@bottom@count@mask"
std::string GlyphRef(Rect r, int count, int mask) {
  return "@" + Num4(r.left) + "@" + Num4(r.top) + "@" + Num4(r.right) + "@" + Num4(r.bottom) + "@" +
         std::to_string(count) + "@" + std::to_string(mask);
}

struct Margins {
  int left, top, right, bottom;
};

// "^left^top^right^bottom^wl^wt^wr^wb^count^mask^drawmode^borderwidth"
std::string BorderRef(Rect r, Margins m, int count, int mask, int drawMode, int borderWidth) {
  return "^" + Num4(r.left) + "^" + Num4(r.top) + "^" + Num4(r.right) + "^" + Num4(r.bottom) + "^" + Num4(m.left) +
         "^" + Num4(m.top) + "^" + Num4(m.right) + "^" + Num4(m.bottom) + "^" + std::to_string(count) + "^" +
         std::to_string(mask) + "^" + std::to_string(drawMode) + "^" + std::to_string(borderWidth);
}

std::string ScaleSuffix(int pct) { return pct == 100 ? "" : "*" + std::to_string(pct); }

// ---- Title buttons -------------------------------------------------------

enum class TitleKind { Close, Minimize, Maximize, Restore };

Shape TitleGlyph(TitleKind kind, int ox, int cw, int ch, int pct, const Design& d) {
  const int g = Px(d.titleGlyphSize, pct);
  const int gx = ox + (cw - g) / 2, gy = (ch - g) / 2;
  const int t = Line(pct);
  switch (kind) {
    case TitleKind::Close: {
      const std::int64_t hw = std::int64_t{Sub} * pct / 100 * 5 / 8;
      const std::int64_t x0 = F(gx) + hw, y0 = F(gy) + hw, x1 = F(gx + g) - hw, y1 = F(gy + g) - hw;
      return Union(Segment(x0, y0, x1, y1, hw), Segment(x0, y1, x1, y0, hw));
    }
    case TitleKind::Minimize: {
      const int y = gy + g / 2;
      return RoundRect(F(gx), F(y), F(gx + g), F(y + t), 0);
    }
    case TitleKind::Maximize:
      return RoundRing(F(gx), F(gy), F(gx + g), F(gy + g), std::int64_t{Sub} * pct / 100 * 3 / 2, F(t));
    case TitleKind::Restore: {
      const int o = Px(2, pct);
      const std::int64_t r = std::int64_t{Sub} * pct / 100;
      Shape front = RoundRing(F(gx), F(gy + o), F(gx + g - o), F(gy + g), r, F(t));
      Shape back = Minus(RoundRing(F(gx + o), F(gy), F(gx + g), F(gy + g - o), r, F(t)),
                         RoundRect(F(gx), F(gy + o), F(gx + g - o), F(gy + g), r));
      return Union(std::move(front), std::move(back));
    }
  }
  return RoundRect(0, 0, 0, 0, 0);
}

// Three cells: normal (the glyph alone), hot and pressed (a rounded tile).
Image TitleButton(TitleKind kind, int pct, const Design& d) {
  const int cw = Px(d.titleButtonWidth, pct), ch = Px(d.titleButtonHeight, pct);
  const bool close = kind == TitleKind::Close;
  Image image(3 * cw, ch, d.title);
  for (int state = 0; state < 3; ++state) {
    const int ox = state * cw;
    Shape tile = RoundRect(F(ox), 0, F(ox + cw), F(ch), F(Px(d.titleButtonRadius, pct)));
    if (state > 0) {
      const std::uint32_t bg = close ? (state == 1 ? d.closeHot : d.closePressed)
                                     : (state == 1 ? d.titleButtonHot : d.titleButtonPressed);
      image.Paint(tile, bg, ox, 0, ox + cw, ch);
    }
    Shape glyph = TitleGlyph(kind, ox, cw, ch, pct, d);
    image.Paint(glyph, close && state > 0 ? d.onClose : d.titleGlyph, ox, 0, ox + cw, ch);
    KeyOutside(image, state == 0 ? glyph : tile, ox, 0, ox + cw, ch, 1);
  }
  return image;
}

// Menu check mark: normal and lit.
Image CheckMark(const Design& d) {
  const int s = d.checkSize;
  Image image(2 * s, s, d.menu);
  for (int cell = 0; cell < 2; ++cell) {
    const int ox = cell * s;
    image.FillRect(ox, 0, ox + s, s, cell == 0 ? d.menu : d.menuHot);
    const std::int64_t hw = Sub * 5 / 8;
    const std::int64_t ax = F(ox) + F(s) * 26 / 100, ay = F(s) * 52 / 100;
    const std::int64_t bx = F(ox) + F(s) * 42 / 100, by = F(s) * 68 / 100;
    const std::int64_t cx = F(ox) + F(s) * 76 / 100, cy = F(s) * 32 / 100;
    Shape mark = Union(Segment(ax, ay, bx, by, hw), Segment(bx, by, cx, cy, hw));
    image.Paint(mark, d.text, ox, 0, ox + s, s);
    KeyOutside(image, mark, ox, 0, ox + s, s, 1);
  }
  return image;
}

// ---- Window frame --------------------------------------------------------

struct FrameGeometry {
  int radius, margin, line, cell;
};
FrameGeometry Frame(int pct, const Design& d) {
  const int r = Px(d.windowRadius, pct);
  return {r, r + 1, Line(pct), 2 * (r + 1) + 1};
}

// FORM: inactive and active cells; rounded corners cut by the key colour
// with a hard edge, since the window region decides what the desktop shows.
Image FormBorder(int pct, const Design& d) {
  const FrameGeometry g = Frame(pct, d);
  Image image(2 * g.cell, g.cell, d.client);
  for (int cell = 0; cell < 2; ++cell) {
    const int ox = cell * g.cell;
    const std::uint32_t outline = cell == 0 ? d.outlineInactive : d.outlineActive;
    image.Paint(RoundRing(F(ox), 0, F(ox + g.cell), F(g.cell), F(g.radius), F(g.line)), outline, ox, 0,
                ox + g.cell, g.cell);
    KeyOutside(image, RoundRect(F(ox), 0, F(ox + g.cell), F(g.cell), F(g.radius)), ox, 0, ox + g.cell, g.cell,
               FullCoverage / 2);
  }
  return image;
}

// FORMTITLE: the same top corners as FORM, the outline down both sides and
// the separator line along the bottom.
Image TitleBorder(int pct, const Design& d) {
  const FrameGeometry g = Frame(pct, d);
  const int height = g.margin + 1 + g.line;
  Image image(2 * g.cell, height, d.title);
  for (int cell = 0; cell < 2; ++cell) {
    const int ox = cell * g.cell;
    const std::uint32_t outline = cell == 0 ? d.outlineInactive : d.outlineActive;
    const std::int64_t tall = F(height + 2 * g.margin);
    image.Paint(RoundRing(F(ox), 0, F(ox + g.cell), tall, F(g.radius), F(g.line)), outline, ox, 0, ox + g.cell,
                height);
    image.FillRect(ox + g.line, height - g.line, ox + g.cell - g.line, height, d.titleSeparator);
    KeyOutside(image, RoundRect(F(ox), 0, F(ox + g.cell), tall, F(g.radius)), ox, 0, ox + g.cell, height,
               FullCoverage / 2);
  }
  return image;
}

// ---- Controls ------------------------------------------------------------

struct ControlGeometry {
  int radius, margin, cell;
};
ControlGeometry Control(int pct, const Design& d) {
  const int r = Px(d.controlRadius, pct);
  return {r, r + 1, 2 * (r + 1) + 4};
}

// BUTTON (and the closed drop-down box): normal, hot, pressed, default.
Image ButtonBorder(int pct, const Design& d) {
  const ControlGeometry g = Control(pct, d);
  const int line = Line(pct);
  Image image(4 * g.cell, g.cell, d.client);
  struct Look {
    std::uint32_t border, face, ring;
  };
  const Look looks[4] = {{d.border, d.face, d.face},
                         {d.borderHot, d.faceHot, d.faceHot},
                         {d.accent, d.accentTint, d.accentTint},
                         {d.accent, d.face, d.accentTint}};
  for (int cell = 0; cell < 4; ++cell) {
    const int ox = cell * g.cell;
    const std::int64_t x0 = F(ox), x1 = F(ox + g.cell), y1 = F(g.cell);
    Shape outer = RoundRect(x0, 0, x1, y1, F(g.radius));
    image.Paint(outer, looks[cell].border, ox, 0, ox + g.cell, g.cell);
    image.Paint(RoundRect(x0 + F(line), F(line), x1 - F(line), y1 - F(line), F(g.radius - line)), looks[cell].ring,
                ox, 0, ox + g.cell, g.cell);
    image.Paint(RoundRect(x0 + F(2 * line), F(2 * line), x1 - F(2 * line), y1 - F(2 * line),
                          F(std::max(0, g.radius - 2 * line))),
                looks[cell].face, ox, 0, ox + g.cell, g.cell);
    KeyOutside(image, outer, ox, 0, ox + g.cell, g.cell, 1);
  }
  return image;
}

// EDIT: one look, a border exactly editBorder pixels wide.
Image EditBorder(int pct, const Design& d) {
  const int m = Px(d.editBorder, pct), line = Line(pct);
  const int r = std::min(m, Px(d.editRadius, pct));
  const int cell = 2 * m + 2;
  Image image(cell, cell, d.client);
  Shape outer = RoundRect(0, 0, F(cell), F(cell), F(r));
  image.Paint(outer, d.border);
  image.Paint(RoundRect(F(line), F(line), F(cell - line), F(cell - line), F(std::max(0, r - line))),
              d.editBackground);
  KeyOutside(image, outer, 0, 0, cell, cell, 1);
  return image;
}

// A chevron pointing in one direction (0 left, 1 up, 2 right, 3 down),
// centred at (cx, cy) in sub-pixel units, w across and h deep.
Shape Chevron(int direction, std::int64_t cx, std::int64_t cy, std::int64_t w, std::int64_t h, std::int64_t hw) {
  // Down-pointing points relative to the centre, then turned.
  std::int64_t pts[3][2] = {{-w / 2, -h / 2}, {0, h / 2}, {w / 2, -h / 2}};
  for (auto& p : pts) {
    const std::int64_t x = p[0], y = p[1];
    switch (direction) {
      case 0: p[0] = -y; p[1] = x; break;   // left
      case 1: p[0] = x; p[1] = -y; break;   // up
      case 2: p[0] = y; p[1] = x; break;    // right
      default: break;                       // down
    }
  }
  return Union(Segment(cx + pts[0][0], cy + pts[0][1], cx + pts[1][0], cy + pts[1][1], hw),
               Segment(cx + pts[1][0], cy + pts[1][1], cx + pts[2][0], cy + pts[2][1], hw));
}

std::int64_t StrokeHalf(int pct) { return std::int64_t{Sub} * pct / 100 * 11 / 16; }

// COMBOBOX's drop-down arrow: normal, hot, pressed.
Image ComboGlyph(int pct, const Design& d) {
  const int w = Px(d.comboGlyphWidth, pct), h = Px(d.comboGlyphHeight, pct);
  const int cw = w + 2 * Px(2, pct), ch = h + 2 * Px(2, pct);
  const std::uint32_t colours[3] = {d.scrollGlyph, d.text, d.accent};
  Image image(3 * cw, ch, d.face);
  for (int cell = 0; cell < 3; ++cell) {
    const int ox = cell * cw;
    const std::int64_t hw = StrokeHalf(pct);
    Shape arrow = Chevron(3, F(ox) + F(cw) / 2, F(ch) / 2, F(w) - 2 * hw, F(h) - 2 * hw, hw);
    image.Paint(arrow, colours[cell], ox, 0, ox + cw, ch);
    KeyOutside(image, arrow, ox, 0, ox + cw, ch, 1);
  }
  return image;
}

// Scroll-button arrows: normal, hot, pressed, each on its button's colour.
Image ScrollGlyph(int direction, int pct, const Design& d) {
  const int s = Px(d.scrollGlyphSize, pct);
  const std::uint32_t bg[3] = {d.track, d.scrollButtonHot, d.scrollButtonPressed};
  const std::uint32_t fg[3] = {d.scrollGlyph, d.scrollGlyphHot, d.scrollGlyphHot};
  Image image(3 * s, s, d.track);
  for (int cell = 0; cell < 3; ++cell) {
    const int ox = cell * s;
    image.FillRect(ox, 0, ox + s, s, bg[cell]);
    const std::int64_t hw = StrokeHalf(pct);
    Shape arrow = Chevron(direction, F(ox) + F(s) / 2, F(s) / 2, F(s) * 6 / 9 - 2 * hw, F(s) * 3 / 9, hw);
    image.Paint(arrow, fg[cell], ox, 0, ox + s, s);
    KeyOutside(image, arrow, ox, 0, ox + s, s, 1);
  }
  return image;
}

struct ThumbGeometry {
  int across, along;  // margins across and along the bar
  int width, height;  // one cell
};
ThumbGeometry Thumb(bool vertical, int pct, const Design& d) {
  const int across = Px(d.thumbInset, pct) + Px(d.thumbRadius, pct);
  const int along = Px(1, pct) + Px(d.thumbRadius, pct);
  const int a = 2 * across + 1, l = 2 * along + 1;
  return vertical ? ThumbGeometry{across, along, a, l} : ThumbGeometry{across, along, l, a};
}

// Scroll thumb: normal and hot, a rounded bar inset from the track's edges.
// Opaque: the thumb always lies on its own track.
Image ThumbBorder(bool vertical, int pct, const Design& d) {
  const ThumbGeometry g = Thumb(vertical, pct, d);
  const int inset = Px(d.thumbInset, pct), end = Px(1, pct), r = Px(d.thumbRadius, pct);
  Image image(2 * g.width, g.height, d.track);
  for (int cell = 0; cell < 2; ++cell) {
    const int ox = cell * g.width;
    const int ix = vertical ? inset : end, iy = vertical ? end : inset;
    image.Paint(RoundRect(F(ox + ix), F(iy), F(ox + g.width - ix), F(g.height - iy), F(r)),
                cell == 0 ? d.thumb : d.thumbHot, ox, 0, ox + g.width, g.height);
  }
  return image;
}

// ---- Menus ---------------------------------------------------------------

struct MenuGeometry {
  int radius, margin, cell;
};
MenuGeometry Menu(int pct, const Design& d) {
  const int r = Px(d.menuRadius, pct);
  return {r, r + 1, 2 * (r + 1) + 2};
}

Image MenuBorder(int pct, const Design& d) {
  const MenuGeometry g = Menu(pct, d);
  const int line = Line(pct);
  Image image(g.cell, g.cell, d.menu);
  Shape outer = RoundRect(0, 0, F(g.cell), F(g.cell), F(g.radius));
  image.Paint(outer, d.menuBorder);
  image.Paint(RoundRect(F(line), F(line), F(g.cell - line), F(g.cell - line), F(g.radius - line)), d.menu);
  KeyOutside(image, outer, 0, 0, g.cell, g.cell, FullCoverage / 2);
  return image;
}

struct ItemGeometry {
  int across, along, width, height;
};
ItemGeometry Item(int pct, const Design& d) {
  const int r = Px(d.menuItemRadius, pct);
  const int across = Px(d.menuItemInset, pct) + r;
  return {across, r, 2 * across + 2, 2 * r + 2};
}

// MENUITEM: the hot item's rounded highlight (drawn in the hot state only),
// opaque on the menu's own colour.
Image MenuItemBorder(int pct, const Design& d) {
  const ItemGeometry g = Item(pct, d);
  const int inset = Px(d.menuItemInset, pct);
  Image image(2 * g.width, g.height, d.menu);
  for (int cell = 0; cell < 2; ++cell) {
    const int ox = cell * g.width;
    image.Paint(RoundRect(F(ox + inset), 0, F(ox + g.width - inset), F(g.height), F(Px(d.menuItemRadius, pct))),
                d.menuHot, ox, 0, ox + g.width, g.height);
  }
  return image;
}

// DIVIDERV: a soft one-pixel line with the menu colour below it.
Image MenuDivider(const Design& d) {
  Image image(3, 2, d.menu);
  image.FillRect(0, 0, 3, 1, d.menuSeparator);
  return image;
}

// BUTTONHUGE.BMP: three cells over one mask band (black shows the image,
// white keeps what is below); the corners outside the card are key colour,
// which the painter replaces with the parent's pixels.
Image HugeButton(const Design& d) {
  const int s = d.hugeCell;
  Image image(3 * s, 2 * s, 0xFFFFFF);
  struct Look {
    std::uint32_t border, face;
  };
  const Look looks[3] = {{d.border, d.face}, {d.borderHot, d.faceHot}, {d.accent, d.accentTint}};
  for (int cell = 0; cell < 3; ++cell) {
    const int ox = cell * s;
    Shape outer = RoundRect(F(ox), 0, F(ox + s), F(s), F(d.hugeRadius));
    image.FillRect(ox, 0, ox + s, s, looks[cell].face);
    image.Paint(RoundRing(F(ox), 0, F(ox + s), F(s), F(d.hugeRadius), F(1)), looks[cell].border, ox, 0, ox + s, s);
    for (int y = 0; y < s; ++y)
      for (int x = ox; x < ox + s; ++x) {
        const int c = Coverage(outer, x, y);
        const std::uint32_t grey = static_cast<std::uint32_t>(255 - (c * 255 + 32) / 64);
        image.Set(x, s + y, grey * 0x010101);
        if (c == 0) image.Set(x, y, KeyColor);
      }
  }
  return image;
}

// ---- Preview ---------------------------------------------------------------

// The main window at 62 % on the desktop colour: frame, title with icon,
// caption and buttons, and the four controls, text shown as soft bars.
Image Preview(const Design& d) {
  Image image(d.previewWidth, d.previewHeight, d.desktop);
  constexpr int b = 3, c = 19, header = b + c;
  constexpr int winW = 200 + 2 * b, winH = 112 + c + 2 * b;
  constexpr int k = 62;  // percent
  const std::int64_t ox = (F(d.previewWidth) - F(winW) * k / 100) / 2;
  const std::int64_t oy = (F(d.previewHeight) - F(winH) * k / 100) / 2;
  auto X = [&](int v) { return ox + F(v) * k / 100; };
  auto Y = [&](int v) { return oy + F(v) * k / 100; };
  auto box = [&](int x0, int y0, int x1, int y1, int r) { return RoundRect(X(x0), Y(y0), X(x1), Y(y1), F(r) * k / 100); };
  auto bar = [&](int x0, int y0, int x1, std::uint32_t colour) {
    image.Paint(RoundRect(X(x0), Y(y0), X(x1), Y(y0) + Sub * 3 / 2, Sub * 3 / 4), colour);
  };
  const std::int64_t px = Sub;  // one preview pixel

  image.Paint(box(0, 0, winW, winH, d.windowRadius), d.outlineActive);
  Shape inside = RoundRect(X(0) + px, Y(0) + px, X(winW) - px, Y(winH) - px, F(d.windowRadius) * k / 100 - px);
  image.Paint(inside, d.client);
  image.Paint(Minus(inside, RoundRect(X(0), Y(header), X(winW), Y(winH), 0)), d.title);
  image.Paint(RoundRect(X(0) + px, Y(header), X(winW) - px, Y(header) + px, 0), d.titleSeparator);
  image.Paint(box(b + 3, 5, b + 15, 17, 2), d.accent);
  bar(b + 20, 10, b + 52, d.text);
  const int cw = d.titleButtonWidth, gx = winW - b - 4;
  const int cx = gx - cw / 2, cy = 12, g = 4;
  image.Paint(Union(Segment(X(cx - g), Y(cy - g), X(cx + g), Y(cy + g), Sub / 2),
                    Segment(X(cx - g), Y(cy + g), X(cx + g), Y(cy - g), Sub / 2)),
              d.titleGlyph);
  image.Paint(RoundRect(X(gx - cw - d.titleButtonSpacing - cw / 2 - g), Y(cy), X(gx - cw - d.titleButtonSpacing - cw / 2 + g),
                        Y(cy) + Sub, 0),
              d.titleGlyph);

  auto control = [&](int x0, int y0, int x1, int y1, int r, std::uint32_t border, std::uint32_t face) {
    image.Paint(box(b + x0, header + y0, b + x1, header + y1, r), border);
    image.Paint(RoundRect(X(b + x0) + px, Y(header + y0) + px, X(b + x1) - px, Y(header + y1) - px,
                          std::max<std::int64_t>(0, F(r) * k / 100 - px)),
                face);
  };
  bar(b + 8, header + 17, b + 30, d.labelText);
  control(38, 9, 109, 30, d.controlRadius, d.border, d.face);
  bar(b + 44, header + 18, b + 72, d.text);
  image.Paint(Chevron(3, X(b + 100), Y(header + 19), Sub * 4, Sub * 2, Sub / 2), d.scrollGlyph);
  control(8, 36, 193, 73, d.editRadius, d.border, d.editBackground);
  bar(b + 14, header + 43, b + 120, d.editText);
  control(118, 79, 193, 104, d.controlRadius, d.accent, d.face);
  bar(b + 142, header + 90, b + 169, d.accentText);
  return image;
}

// ---- Options ---------------------------------------------------------------

// Places the image for every scale and writes KEY, KEY*125, KEY*150, KEY*200.
template <typename Draw, typename Ref>
void Scaled(Section& section, Atlas& atlas, const std::string& key, Draw draw, Ref ref) {
  for (int pct : Scales) section.Set(key + ScaleSuffix(pct), ref(atlas.Place(draw(pct)), pct));
}

}  // namespace

SkinFiles BuildSkin(const Design& d) {
  Atlas atlas;
  std::deque<Section> sections;  // stable references while sections are added
  auto add = [&](std::string name) -> Section& { return sections.emplace_back(std::move(name)); };

  Section& global = add("GLOBALINFO");
  global.Set("VERSION", "10.25")
      .Set("MASTERBITMAP", MasterMember)
      .Set("AUTHOR", "Quillon")
      .Set("DESCRIPTION", "Light, calm and flat: the built-in skin of Quillon")
      .Set("STATES", 1)
      .State(0, d.client, d.labelText)
      .Colour("BORDERCOLOR", d.border)
      .Set("ARROWSTYLE", 0)
      .Set("COMBOMARGIN", d.comboMargin)
      .Set("BISPACE", d.titleButtonSpacing)
      .Set("BIRIGHT", d.titleButtonsRight)
      .Set("BILEFT", d.titleIconLeft)
      .Set("BITOP", 0)
      .Set("BIVALIGN", 0)
      .Set("BIKEEPHUE", 2)
      .Colour("SHADOW1COLOR", 0x000000)
      .Set("SHADOW1OFFSET", 0)
      .Set("SHADOW1TRANSPARENCY", 0);
  const std::pair<const char*, TitleKind> titleButtons[] = {{"BICONCLOSE", TitleKind::Close},
                                                            {"BICONMIN", TitleKind::Minimize},
                                                            {"BICONMAX", TitleKind::Maximize},
                                                            {"BICONNORM", TitleKind::Restore}};
  for (const auto& [key, kind] : titleButtons)
    Scaled(global, atlas, key, [&, kind = kind](int pct) { return TitleButton(kind, pct, d); },
           [](Rect r, int) { return GlyphRef(r, 3, 0); });
  global.Set("CHECK", GlyphRef(atlas.Place(CheckMark(d)), 2, 0));

  Section& form = add("FORM");
  form.Set("STATES", 2).State(0, d.client, d.titleTextInactive).State(1, d.client, d.text);
  Scaled(form, atlas, "BORDERSMASK", [&](int pct) { return FormBorder(pct, d); }, [&](Rect r, int pct) {
    const int m = Frame(pct, d).margin;
    return BorderRef(r, {m, m, m, m}, 2, 0, 0, 0);
  });

  Section& title = add("FORMTITLE");
  title.Set("STATES", 2).State(0, d.title, d.titleTextInactive).State(1, d.title, d.text);
  Scaled(title, atlas, "BORDERSMASK", [&](int pct) { return TitleBorder(pct, d); }, [&](Rect r, int pct) {
    const FrameGeometry g = Frame(pct, d);
    return BorderRef(r, {g.margin, g.margin, g.margin, g.line}, 2, 0, 0, 0);
  });

  add("PANEL").Set("STATES", 1).State(0, d.client, d.labelText);

  Section& button = add("BUTTON");
  button.Set("STATES", 4)
      .Set("USESTATE2", 1)
      .State(0, d.face, d.text)
      .State(1, d.faceHot, d.text)
      .State(2, d.accentTint, d.accentText);
  Scaled(button, atlas, "BORDERSMASK", [&](int pct) { return ButtonBorder(pct, d); }, [&](Rect r, int pct) {
    const int m = Control(pct, d).margin;
    return BorderRef(r, {m, m, m, m}, 4, 0, 4, 0);
  });

  add("BUTTON_HUGE")
      .Set("STATES", 3)
      .Set("USESTATE2", 1)
      .State(0, d.face, d.text)
      .State(1, d.faceHot, d.text)
      .State(2, d.accentTint, d.accentText)
      .Set("BORDERSMASK", "!" + std::string(HugeMember) + "!3!1!0!0032!0032!0032!0032!0");

  Section& edit = add("EDIT");
  edit.Set("STATES", 1).State(0, d.editBackground, d.editText);
  Scaled(edit, atlas, "BORDERSMASK", [&](int pct) { return EditBorder(pct, d); }, [&](Rect r, int pct) {
    const int m = Px(d.editBorder, pct);
    return BorderRef(r, {m, m, m, m}, 1, 0, 0, m);
  });

  Section& combo = add("COMBOBOX");
  combo.Set("PARENTCLASS", "EDIT").Set("STATES", 1).State(0, d.editBackground, d.editText);
  Scaled(combo, atlas, "GLYPHMASK", [&](int pct) { return ComboGlyph(pct, d); },
         [](Rect r, int) { return GlyphRef(r, 3, 0); });

  add("SELECTION").Set("STATES", 2).State(0, d.accentTint, d.text).State(1, d.accent, d.onAccent);

  Section& menu = add("MAINMENU");
  menu.Set("STATES", 1).State(0, d.menu, d.text);
  Scaled(menu, atlas, "BORDERSMASK", [&](int pct) { return MenuBorder(pct, d); }, [&](Rect r, int pct) {
    const int m = Menu(pct, d).margin;
    return BorderRef(r, {m, m, m, m}, 1, 0, 0, 3);
  });

  Section& item = add("MENUITEM");
  item.Set("STATES", 2).State(0, d.menu, d.text, 100).State(1, d.menuHot, d.text, 100);
  Scaled(item, atlas, "BORDERSMASK", [&](int pct) { return MenuItemBorder(pct, d); }, [&](Rect r, int pct) {
    const ItemGeometry g = Item(pct, d);
    return BorderRef(r, {g.across, g.along, g.across, g.along}, 2, 0, 6, 0);
  });

  add("ICOLINE").Set("STATES", 1).State(0, d.menu, d.text, 100);

  add("DIVIDERV")
      .Set("STATES", 1)
      .State(0, d.menu, d.text, 100)
      .Set("BORDERSMASK", BorderRef(atlas.Place(MenuDivider(d)), {1, 1, 1, 1}, 1, 0, 0, 0));

  for (const char* name : {"SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V"})
    add(name)
        .Set("STATES", 3)
        .Set("USESTATE2", 1)
        .State(0, d.track, d.scrollGlyph)
        .State(1, d.track, d.scrollGlyph)
        .State(2, d.trackPressed, d.scrollGlyphHot);

  const char* arrows[] = {"SCROLLBTNLEFT", "SCROLLBTNTOP", "SCROLLBTNRIGHT", "SCROLLBTNBOTTOM"};
  for (int direction = 0; direction < 4; ++direction) {
    Section& arrow = add(arrows[direction]);
    arrow.Set("STATES", 3)
        .Set("USESTATE2", 1)
        .State(0, d.track, d.scrollGlyph)
        .State(1, d.scrollButtonHot, d.scrollGlyphHot)
        .State(2, d.scrollButtonPressed, d.scrollGlyphHot);
    Scaled(arrow, atlas, "GLYPHMASK", [&](int pct) { return ScrollGlyph(direction, pct, d); },
           [](Rect r, int) { return GlyphRef(r, 3, 0); });
  }

  for (const bool vertical : {false, true}) {
    Section& slider = add(vertical ? "SCROLLSLIDERV" : "SCROLLSLIDERH");
    slider.Set("STATES", 2).State(0, d.track, d.scrollGlyph).State(1, d.track, d.scrollGlyphHot);
    Scaled(slider, atlas, "BORDERSMASK", [&](int pct) { return ThumbBorder(vertical, pct, d); },
           [&](Rect r, int pct) {
             const ThumbGeometry g = Thumb(vertical, pct, d);
             const int wl = vertical ? g.across : g.along, wt = vertical ? g.along : g.across;
             return BorderRef(r, {wl, wt, wl, wt}, 2, 0, 4, 0);
           });
  }

  SkinFiles files;
  for (const Section& s : sections) s.Write(files.options);
  files.master = atlas.Compose();
  files.buttonHuge = HugeButton(d);
  files.preview = Preview(d);
  return files;
}

std::vector<std::uint8_t> PackSkin(const SkinFiles& files) {
  std::vector<skin::ArchiveMember> members(3);
  members[0].Name = OptionsMember;
  members[0].Data.assign(files.options.begin(), files.options.end());
  members[1].Name = MasterMember;
  members[1].Data = EncodeBmp(files.master);
  members[2].Name = HugeMember;
  members[2].Data = EncodeBmp(files.buttonHuge);
  return skin::WriteSkinArchive(members, EncodePng(files.preview));
}

}  // namespace skingen
