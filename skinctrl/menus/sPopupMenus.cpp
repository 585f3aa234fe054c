#include "skinctrl/menus/sPopupMenus.h"

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/Screen.h"
#include "framework/Subclass.h"
#include "skin/sSkinManager.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/gdi/Regions.h"
#include "skinctrl/paint/ArrowPaint.h"
#include "skinctrl/paint/FrameGeometry.h"
#include "skinctrl/paint/PixelMath.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/paint/SkinImages.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace skinctrl {

using skin::TsSkinManager;

namespace {

using MeasureFn = void (*)(fw::TObject*, fw::TCanvas&, int&, int&);
using DrawFn = void (*)(fw::TObject*, fw::TCanvas&, const RECT&, fw::TOwnerDrawState);

TsSkinManager* Manager() noexcept {
  TsSkinManager* m = TsSkinManager::DefaultManager();
  return m && m->Active() ? m : nullptr;
}

bool IsMenuWindow(HWND wnd) {
  wchar_t name[16]{};
  // The class may come back as the atom's text or its name: both read "#32768".
  // Only our own menu windows: the desktop's menu class serves every program.
  return wnd && ::IsWindow(wnd) && fw::IsOwnProcessWindow(wnd) && ::GetClassNameW(wnd, name, 16) > 0 &&
         std::wstring_view(name) == L"#32768";
}

// An item's image with the canvas its text is written on, kept for the
// items of that size: a DIB section and a DC made for each item, and a font
// made and realised in that DC, were most of an item's drawing time.
struct TItemImage {
  TDibBitmap image;
  fw::TCanvas text;
};

// One skinned menu window: its background image (the whole window) and its outline.
struct TacMnuWnd {
  HWND wnd = nullptr;
  std::shared_ptr<const TDibBitmap> background;  // shared with the kept backgrounds
  bool HasBackground() const noexcept { return background && !background->Empty(); }
  int BackgroundWidth() const noexcept { return background ? background->Width() : 0; }
  int BackgroundHeight() const noexcept { return background ? background->Height() : 0; }
  std::optional<POINT> clientOffset;  // where the client area lies in the window
  bool painting = false;  // in its WM_PAINT: the frame strips are copied once, after the items
  bool regionSet = false;
  bool Shown = false;   // painted once, and made visible
  bool bFlag = false;   // being made layered
  bool hidden = false;  // shown at alpha 0 until painted
};

// Skinned items are being shown: set when one is measured, cleared when the
// last menu window goes. Menu windows of other menus (a control's native
// context menu) are left to their own drawing.
bool SkinnedItemsShown = false;

TMenuWorkCounts WorkCounts;

// The item images of every menu, by size. A menu window lives for one
// opening, and the next opening's items are mostly of the same sizes: kept
// here, an opening makes none (two DIB sections, about 90 us, before). Menus
// come in few sizes; past a handful of sizes the images start again.
TItemImage& ItemImage(int w, int h) {
  constexpr std::size_t MostSizes = 16;
  static auto* images = new std::map<std::pair<int, int>, std::unique_ptr<TItemImage>>;
  if (images->size() >= MostSizes && !images->contains({w, h})) images->clear();
  std::unique_ptr<TItemImage>& slot = (*images)[{w, h}];
  if (!slot) {
    slot = std::make_unique<TItemImage>();
    slot->image.SetSize(w, h);
    slot->text.SetHandle(slot->image.DC());
    ++WorkCounts.ItemImagesMade;
  }
  return *slot;
}

// The measures of the items at the manager's scale, read again when the
// manager, its scale or the system's fonts change (Wine makes the menu font
// to answer, about 60 us).
const TMenuMetrics& ItemMetrics(TsSkinManager& m) {
  static TMenuMetrics metrics;
  static const TsSkinManager* of = nullptr;
  static int dpi = 0, scale = -1;
  static unsigned fontChanges = 0;
  const unsigned changes = fw::Screen().FontChanges();
  if (of != &m || dpi != m.MetricsDpi() || scale != m.GetScale() || fontChanges != changes) {
    metrics = MenuMetrics(&m);
    of = &m;
    dpi = m.MetricsDpi();
    scale = m.GetScale();
    fontChanges = changes;
  }
  return metrics;
}

// Never destroyed, like the other window registries: menu windows can go
// during the application object's static destruction.
std::map<HWND, std::unique_ptr<TacMnuWnd>>& MenuWindows() {
  static auto* windows = new std::map<HWND, std::unique_ptr<TacMnuWnd>>;
  return *windows;
}

const void* const SubclassKey = &SubclassKey;

void ForEachItem(fw::TMenuItem& parent, const auto& action) {
  for (int i = 0; i < parent.Count(); ++i) {
    fw::TMenuItem* item = parent.Items(i);
    action(*item);
    ForEachItem(*item, action);
  }
}

// A menu's image: "MAINMENU" over the whole window, the icon column, the
// border image on top.
std::shared_ptr<const TDibBitmap> PaintMenuBackground(TsSkinManager& m, int menu, int icoLine, int w, int h) {
  auto image = std::make_shared<TDibBitmap>(w, h);
  if (image->Empty()) return image;
  const ScanLines lines = image->Lines();
  for (int y = 0; y < h; ++y) std::fill_n(lines.Row(y), w, 0u);
  if (menu < 0) return image;
  PaintSkinSection(&m.Model(), menu, TCacheInfo{}, -1, -1, lines, TPoint{}, TRect{0, 0, w, h}, 0);
  const int border = m.gd()[static_cast<std::size_t>(menu)].BorderIndex;
  const bool hasBorder = m.Model().IsValidImgIndex(border);
  const TMenuMetrics& mm = ItemMetrics(m);
  const int bw = hasBorder ? mm.BorderWidth : 0;
  if (icoLine >= 0) {
    const int c = bw + mm.Margin + mm.GlyphSize + mm.Spacing - mm.BorderWidth;
    PaintSkinSection(&m.Model(), icoLine, CacheInfoOfBitmap(lines, 0, 0), -1, -1, lines, TPoint{},
                     TRect{bw, bw, bw + c, h - bw}, 0);
  }
  if (hasBorder)
    DrawBorderImage(lines, TRect{0, 0, w, h}, CacheInfoOfBitmap(lines, 0, 0), false, 0, &m.Model(),
                    m.ma()[static_cast<std::size_t>(border)]);
  return image;
}

// The images of the last menus shown. A menu window lives for one opening,
// and the next opening of the same menu paints the same image (about 0.3 ms):
// it is kept for the skin, scale and size it was painted for.
std::shared_ptr<const TDibBitmap> MenuBackground(TsSkinManager& m, int menu, int icoLine, int w, int h) {
  struct Kept {
    const TsSkinManager* manager;
    unsigned load;
    int scale, dpi, menu, icoLine, w, h;
    std::shared_ptr<const TDibBitmap> image;
    bool Fits(const Kept& o) const noexcept {
      return manager == o.manager && load == o.load && scale == o.scale && dpi == o.dpi && menu == o.menu &&
             icoLine == o.icoLine && w == o.w && h == o.h;
    }
  };
  constexpr std::size_t MostKept = 4;
  static auto* kept = new std::vector<Kept>;  // the last one used first
  Kept wanted{&m, m.LoadCount(), m.GetScale(), m.MetricsDpi(), menu, icoLine, w, h, nullptr};
  const auto found = std::find_if(kept->begin(), kept->end(), [&](const Kept& k) { return k.Fits(wanted); });
  if (found != kept->end()) {
    std::rotate(kept->begin(), found, found + 1);
    return kept->front().image;
  }
  wanted.image = PaintMenuBackground(m, menu, icoLine, w, h);
  kept->insert(kept->begin(), wanted);
  if (kept->size() > MostKept) kept->pop_back();
  ++WorkCounts.BackgroundsPainted;
  return wanted.image;
}

// The window's image and, once, its outline: the skin's key-coloured corners cut away.
void PrepareMenuBG(TacMnuWnd& mw, TsSkinManager& m, int w, int h) {
  const int menu = m.GetSkinIndex("MAINMENU");
  const int icoLine = m.GetSkinIndex(std::string(m.MenuSupport().IcoLineSkin.begin(), m.MenuSupport().IcoLineSkin.end()));
  mw.background = MenuBackground(m, menu, icoLine, w, h);
  if (menu < 0 || mw.regionSet || !mw.HasBackground()) return;
  const int border = m.gd()[static_cast<std::size_t>(menu)].BorderIndex;
  if (!m.Model().IsValidImgIndex(border)) return;
  fw::UniqueRegion region = RegionWithout(w, h, CollectCornerRects(m.Model(), border, -1, w, h));
  // Set without a redraw: the first paint that follows draws what lies
  // inside, and a redraw would make Wine paint the frame and the client
  // once more (about 0.5 ms). The system owns the region from here on.
  if (::SetWindowRgn(mw.wnd, region.get(), FALSE)) (void)region.release();
  mw.regionSet = true;
}

// The frame strips of the background copied to the window: the same pixels
// each time, whichever item was drawn last. Wine paints the menu's own edge
// inside the client area, so the strips are copied over it as well.
void DrawWndBorder(const TacMnuWnd& mw) {
  if (!mw.HasBackground()) return;
  ++WorkCounts.BorderCopies;
  const fw::WholeWindowDc dc(mw.wnd);
  if (!dc.get()) return;
  const int w = mw.background->Width(), h = mw.background->Height(), b = MenuBorderWidth;
  HDC src = mw.background->DC();
  ::BitBlt(dc.get(), 0, 0, w, b, src, 0, 0, SRCCOPY);
  ::BitBlt(dc.get(), 0, h - b, w, b, src, 0, h - b, SRCCOPY);
  ::BitBlt(dc.get(), 0, b, b, h - 2 * b, src, 0, b, SRCCOPY);
  ::BitBlt(dc.get(), w - b, b, b, h - 2 * b, src, w - b, b, SRCCOPY);
}

TacMnuWnd* MenuWindow(HWND wnd, TsSkinManager& m);

// The menu window becomes visible once its items are painted: opaque, or as
// translucent as the manager's menu options ask. It stays layered: made
// opaque by dropping the style, it would need painting once more.
void Reveal(TacMnuWnd& mw) {
  if (mw.Shown) return;
  mw.Shown = true;
  if (!mw.hidden) return;
  TsSkinManager* m = Manager();
  const int alpha = std::clamp(m ? static_cast<int>(m->MenuSupport().AlphaBlend) : 255, 0, 255);
  ::SetLayeredWindowAttributes(mw.wnd, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
}

void MenuWindowProc(HWND wnd, fw::TMessage& m) {
  auto& windows = MenuWindows();
  const auto it = windows.find(wnd);
  if (m.Msg == WM_NCDESTROY) {
    fw::CallNextSubclass(wnd, SubclassKey, m);
    windows.erase(wnd);
    if (windows.empty()) SkinnedItemsShown = false;
    return;
  }
  TsSkinManager* manager = Manager();
  if (it == windows.end() || !SkinnedItemsShown || !manager) {
    fw::CallNextSubclass(wnd, SubclassKey, m);
    return;
  }
  TacMnuWnd& mw = *it->second;
  switch (m.Msg) {
  case WM_WINDOWPOSCHANGING: {
    fw::CallNextSubclass(wnd, SubclassKey, m);
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
    // Shown unpainted, the window would show the system's own menu before
    // the skin arrives: it shows at alpha 0 until its first paint. (Wine,
    // without a compositor, draws a layered window straight to the screen.)
    if (pos && (pos->flags & SWP_SHOWWINDOW) && !(pos->flags & SWP_NOREDRAW) && !::IsWindowVisible(wnd) &&
        !mw.bFlag) {
      mw.bFlag = true;
      mw.Shown = false;
      mw.hidden = true;
      // The background and outline for the size the window is shown at, made
      // while it is still hidden: Wine reshapes a visible window for about
      // twice what a hidden one costs (2 ms against 1 ms a menu here).
      if (!(pos->flags & SWP_NOSIZE) && pos->cx > 0 && pos->cy > 0) PrepareMenuBG(mw, *manager, pos->cx, pos->cy);
      ::SetWindowLongPtrW(wnd, GWL_EXSTYLE, ::GetWindowLongPtrW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED);
      ::SetLayeredWindowAttributes(wnd, 0, 0, LWA_ALPHA);
      mw.bFlag = false;
    }
    return;
  }
  case WM_NCPAINT:
    fw::CallNextSubclass(wnd, SubclassKey, m);
    if (TacMnuWnd* ready = MenuWindow(wnd, *manager)) DrawWndBorder(*ready);
    return;
  case WM_PAINT:
    // Wine draws the menu's edge over the client area before the items: the
    // frame strips go over it once the items are drawn.
    mw.painting = true;
    fw::CallNextSubclass(wnd, SubclassKey, m);
    mw.painting = false;
    DrawWndBorder(mw);
    Reveal(mw);
    return;
  case WM_ERASEBKGND:
    if (TacMnuWnd* ready = MenuWindow(wnd, *manager); ready && ready->HasBackground()) {
      RECT wr{};
      ::GetWindowRect(wnd, &wr);
      POINT origin{0, 0};
      ::ClientToScreen(wnd, &origin);
      RECT client{};
      ::GetClientRect(wnd, &client);
      const fw::WindowDc own(m.WParam ? nullptr : wnd);
      const HDC dc = m.WParam ? reinterpret_cast<HDC>(m.WParam) : own.get();
      ::BitBlt(dc, 0, 0, client.right, client.bottom, ready->background->DC(), origin.x - wr.left, origin.y - wr.top,
               SRCCOPY);
      m.Result = 1;
      return;
    }
    break;
  default: break;
  }
  fw::CallNextSubclass(wnd, SubclassKey, m);
}

// The skinned record of a menu window, made on first sight; its background
// is made for the window's size as soon as the window has one.
TacMnuWnd* MenuWindow(HWND wnd, TsSkinManager& m) {
  if (!IsMenuWindow(wnd)) return nullptr;
  auto& windows = MenuWindows();
  auto& entry = windows[wnd];
  if (!entry) {
    entry = std::make_unique<TacMnuWnd>();
    entry->wnd = wnd;
    fw::InstallSubclass(wnd, SubclassKey, &MenuWindowProc);
  }
  RECT r{};
  ::GetWindowRect(wnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w > 0 && h > 0 && (w != entry->BackgroundWidth() || h != entry->BackgroundHeight()))
    PrepareMenuBG(*entry, m, w, h);
  return entry.get();
}

void InstallFrameRequestHook() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  fw::Application().HookMainWindow([](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg != WM_MENUFRAMEBYITEM && msg != WM_MENUFRAMEBYWINDOW) return false;
    HandleMenuFrameRequest(msg, wParam, lParam);
    result = 0;
    return true;
  });
}

// The symbols of the system commands, drawn in the text colour: 10 pixels
// square at 100 %, their lines one pixel thick up to 150 % and two at 200 %.
void DrawCommandGlyph(HDC dc, RECT r, UINT command, COLORREF color, int size) {
  const int t = size >= 20 ? 2 : 1;
  const fw::UniquePen pen(::CreatePen(PS_SOLID, 1, color));
  const fw::SelectObjectScope select(dc, pen.get());
  const int x = r.left + (r.right - r.left - size) / 2, y = r.top + (r.bottom - r.top - size) / 2;
  // A point of the 10-pixel design at this size.
  const auto at = [size](int v) { return v * size / 10; };
  const auto line = [dc](int x0, int y0, int x1, int y1) {
    ::MoveToEx(dc, x0, y0, nullptr);
    ::LineTo(dc, x1, y1);
  };
  // A horizontal or vertical stroke t pixels thick.
  const auto hline = [&](int x0, int x1, int y0) {
    for (int i = 0; i < t; ++i) line(x0, y0 + i, x1, y0 + i);
  };
  const auto vline = [&](int x0, int y0, int y1) {
    for (int i = 0; i < t; ++i) line(x0 + i, y0, x0 + i, y1);
  };
  const auto box = [&](int l, int tp, int rr, int b) {
    hline(l, rr + 1, tp);
    hline(l, rr + 1, tp + t);
    hline(l, rr + 1, b - t + 1);
    vline(l, tp, b + 1);
    vline(rr - t + 1, tp, b + 1);
  };
  switch (command) {
  case SC_CLOSE:
    for (int d = 0; d < t + 1; ++d) {
      line(x + d, y, x + size + d, y + size);
      line(x + d, y + size - 1, x + size + d, y - 1);
    }
    break;
  case SC_MINIMIZE: hline(x + at(1), x + at(9), y + at(8)); hline(x + at(1), x + at(9), y + at(8) + t); break;
  case SC_MAXIMIZE: box(x, y, x + at(9), y + at(9)); break;
  case SC_RESTORE:
    box(x + at(3), y, x + at(10), y + at(6));
    box(x, y + at(3), x + at(7), y + at(9));
    break;
  case SC_MOVE:
    vline(x + at(5), y, y + at(11));
    hline(x, x + at(11), y + at(5));
    for (int i = 0; i < t; ++i) {
      line(x + at(3) + i, y + at(2), x + at(6) + i, y - 1);
      line(x + at(7) + i, y + at(2), x + at(4) + i, y - 1);
      line(x + at(3) + i, y + at(8), x + at(6) + i, y + at(11));
      line(x + at(7) + i, y + at(8), x + at(4) + i, y + at(11));
    }
    break;
  default: break;
  }
}

// The mark of a checked item in the glyph place of the icon column: a radio
// item's dot in the text colour; otherwise the skin's "CHECK" image (its
// second frame on a lit item), or a drawn tick when the skin has none.
void DrawCheckMark(const ScanLines& lines, TsSkinManager& m, const fw::TMenuItem& item, bool lit, skin::TColor color,
                   const TRect& place) {
  const std::uint32_t ink = ColorToPixel(color);
  const int cx = place.Left + place.Width() / 2, cy = place.Top + place.Height() / 2;
  const auto plot = [&](int x, int y) {
    if (x >= 0 && y >= 0 && x < lines.Width && y < lines.Height) lines.At(x, y) = ink;
  };
  if (item.RadioItem()) {
    // A disc of diameter 6 (at 100 %) around the centre.
    const int r = std::max(1, m.ScaleInt(6) / 2);
    for (int y = -r; y < r; ++y)
      for (int x = -r; x < r; ++x) {
        const int dx = 2 * x + 1, dy = 2 * y + 1;
        if (dx * dx + dy * dy <= 4 * r * r) plot(cx + x, cy + y);
      }
    return;
  }
  // The skin's mark drawn for the scale, else its 100 % one.
  const int scale = m.GetScale();
  int check = scale > 0 ? m.GetMaskIndex(m.ConstData.IndexGLobalInfo,
                                         std::string("CHECK") + std::string(skin::ScaleSuffixes[static_cast<std::size_t>(scale)]))
                        : -1;
  if (check < 0) check = m.GetMaskIndex(m.ConstData.IndexGLobalInfo, "CHECK");
  if (m.Model().IsValidImgIndex(check)) {
    const skin::TsMaskData& image = m.ma()[static_cast<std::size_t>(check)];
    const TPoint at{place.Left + (place.Width() - image.Width) / 2, place.Top + (place.Height() - image.Height) / 2};
    PutSkinImage(lines, at, lit ? std::min(1, image.ImageCount - 1) : 0, CacheInfoOfBitmap(lines, 0, 0), &m.Model(),
                 image, true);
    return;
  }
  // A tick two pixels thick at 100 %: down from the left, then up to the right.
  const int u = std::max(1, m.ScaleInt(10) / 10);
  for (int i = 0; i < 3 * u; ++i)
    for (int t = 0; t < 2 * u; ++t) plot(cx - 3 * u + i, cy - u + i + t);
  for (int i = 0; i < 5 * u; ++i)
    for (int t = 0; t < 2 * u; ++t) plot(cx + i, cy + u - i + t);
}

void UseMenuFont(fw::TCanvas& canvas, const TMenuMetrics& mm) {
  canvas.Font().SetName(mm.Font.lfFaceName);
  canvas.Font().SetHeight(mm.Font.lfHeight);
  canvas.Font().SetCharset(mm.Font.lfCharSet);
}

}  // namespace

TMenuMetrics MenuMetrics(const TsSkinManager* manager) {
  ++WorkCounts.MetricsRead;
  TMenuMetrics mm;
  const int dpi = manager ? manager->MetricsDpi() : fw::SystemDpi();
  mm.Font = fw::NonClientMetricsForDpi(dpi).lfMenuFont;
  if (!manager) return mm;
  const auto scale = [manager](int v) { return manager->ScaleInt(v); };
  mm.Margin = scale(MenuMargin);
  mm.Spacing = scale(MenuSpacing);
  mm.GlyphSize = scale(MenuGlyphSize);
  mm.ArrowWidth = scale(MenuArrowWidth);
  mm.ShortcutGap = scale(mm.ShortcutGap);
  mm.ItemExtra = scale(mm.ItemExtra);
  mm.DividerHeight = scale(mm.DividerHeight);
  mm.Font.lfHeight = scale(mm.Font.lfHeight);
  return mm;
}

void HookPopupMenu(fw::TPopupMenu& menu, bool active) {
  TsSkinManager* m = Manager();
  menu.SetOwnerDraw(active && m && m->SkinnedPopups());
  // The system's opening animation would run on the window before the skin
  // has painted it.
  menu.SetAnimated(!active);
  ForEachItem(menu.Items(), [active](fw::TMenuItem& item) {
    const auto* measure = item.OnMeasureItem.target<MeasureFn>();
    const auto* draw = item.OnAdvancedDrawItem.target<DrawFn>();
    if (active) {
      if (!item.OnMeasureItem) item.OnMeasureItem = &sMeasureItem;
      if (!item.OnAdvancedDrawItem) item.OnAdvancedDrawItem = &sAdvancedDrawItem;
    } else {
      if (measure && *measure == &sMeasureItem) item.OnMeasureItem = nullptr;
      if (draw && *draw == &sAdvancedDrawItem) item.OnAdvancedDrawItem = nullptr;
    }
  });
  if (active) InstallFrameRequestHook();
}

void sMeasureItem(fw::TObject* sender, fw::TCanvas& canvas, int& width, int& height) {
  const auto* item = dynamic_cast<const fw::TMenuItem*>(sender);
  TsSkinManager* m = Manager();
  if (!item || !m) return;
  const TMenuMetrics& mm = ItemMetrics(*m);
  SkinnedItemsShown = true;
  if (item->IsLine()) {
    width = 2 * mm.GlyphSize + 3 * mm.Margin + mm.Spacing;
    height = mm.DividerHeight;
    return;
  }
  UseMenuFont(canvas, mm);
  // The caption directly followed by the shortcut's text.
  const std::wstring text = item->Caption() + fw::ShortCutToText(item->ShortCut());
  RECT r{0, 0, 800, 0};
  canvas.DrawText(text, r, DT_CALCRECT | DT_EXPANDTABS | DT_NOCLIP | DT_WORDBREAK);
  width = 2 * mm.GlyphSize + r.right + 3 * mm.Margin + mm.Spacing;
  // Without the skin's border the menu window's own frame takes its place.
  const int menu = m->GetSkinIndex("MAINMENU");
  if (menu < 0 || !m->Model().IsValidImgIndex(m->gd()[static_cast<std::size_t>(menu)].BorderIndex))
    width -= 2 * mm.BorderWidth;
  height = std::max<int>(r.bottom, mm.GlyphSize) + 2 * mm.Margin + mm.ItemExtra;
}

void sAdvancedDrawItem(fw::TObject* sender, fw::TCanvas& canvas, const RECT& rect, fw::TOwnerDrawState state) {
  auto* item = dynamic_cast<fw::TMenuItem*>(sender);
  TsSkinManager* m = Manager();
  if (!item || !m) return;
  const HDC target = canvas.Handle();
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return;
  TacMnuWnd* mw = MenuWindow(::WindowFromDC(target), *m);
  if (!mw && item->Parent() && item->Parent()->Count() > 0) {
    // The menu window is found from the application window once the menu is
    // up: the request names an item by its command, never by its address.
    MSG waiting{};
    const HWND app = fw::Application().Handle();
    if (!::PeekMessageW(&waiting, app, WM_MENUFRAMEBYITEM, WM_MENUFRAMEBYWINDOW, PM_NOREMOVE))
      ::PostMessageW(app, WM_MENUFRAMEBYITEM, item->Parent()->Items(0)->Command(), 0);
  }
  TItemImage& slot = ItemImage(w, h);
  const TDibBitmap& image = slot.image;
  fw::TCanvas& text = slot.text;
  if (image.Empty()) return;
  if (mw && mw->HasBackground()) {
    if (!mw->clientOffset) {
      RECT wr{};
      ::GetWindowRect(mw->wnd, &wr);
      POINT origin{0, 0};
      ::ClientToScreen(mw->wnd, &origin);
      mw->clientOffset = POINT{origin.x - wr.left, origin.y - wr.top};
    }
    const POINT offset = *mw->clientOffset;
    ::BitBlt(image.DC(), 0, 0, w, h, mw->background->DC(), rect.left + offset.x, rect.top + offset.y, SRCCOPY);
  } else {
    // A kept image holds the last item drawn on it.
    const ScanLines lines = image.Lines();
    for (int y = 0; y < h; ++y) std::fill_n(lines.Row(y), w, 0u);
    if (const int menu = m->GetSkinIndex("MAINMENU"); menu >= 0)
      PaintSkinSection(&m->Model(), menu, TCacheInfo{}, -1, -1, lines, TPoint{}, TRect{0, 0, w, h}, 0);
  }
  const ScanLines lines = image.Lines();
  const bool enabled = item->Enabled() && !(state & (fw::odDisabled | fw::odGrayed));
  // A disabled item is faded into what lies under it.
  skin::Bitmap32 under(enabled ? 0 : w, enabled ? 0 : h);
  if (!enabled)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) under.At(x, y) = lines.At(x, y);
  const bool lit = enabled && (state & fw::odSelected);
  const int itemSection = m->GetSkinIndex("MENUITEM");
  const TMenuMetrics& mm = ItemMetrics(*m);
  const int c = mm.IconColumn();
  if (item->IsLine()) {
    // From the margin (and the spacing beside the icon column, clear of the
    // column itself) to the same distance from the right end.
    const int icoLine = m->GetSkinIndex(std::string(m->MenuSupport().IcoLineSkin.begin(), m->MenuSupport().IcoLineSkin.end()));
    const int inset = mm.Margin + (icoLine >= 0 ? mm.Spacing : 0);
    const int left = std::max(inset, icoLine >= 0 ? c + 2 : 2), right = w - inset;
    const int divider = m->GetSkinIndex("DIVIDERV");
    const int border = divider >= 0 ? m->gd()[static_cast<std::size_t>(divider)].BorderIndex : -1;
    if (right > left && m->Model().IsValidImgIndex(border)) {
      DrawBorderImage(lines, TRect{left, 0, right, h}, CacheInfoOfBitmap(lines, 0, 0), false, 0, &m->Model(),
                      m->ma()[static_cast<std::size_t>(border)]);
    } else if (right > left) {
      // A line at the item's top in the palette's border colour (the
      // system's shadow colour when the skin leaves it empty).
      skin::TColor color = m->Palette[skin::pcBorder];
      if ((static_cast<std::uint32_t>(color) & 0xFFFFFF) == 0xFF00FF)
        color = static_cast<skin::TColor>(::GetSysColor(COLOR_BTNSHADOW));
      const std::uint32_t pixel = ColorToPixel(color);
      for (int x = left; x < right; ++x) lines.At(x, 0) = pixel;
    }
  } else {
    if (itemSection >= 0)
      PaintSkinSection(&m->Model(), itemSection, CacheInfoOfBitmap(lines, 0, 0), -1, -1, lines, TPoint{},
                       TRect{0, 0, w, h}, lit ? 1 : 0);
    const COLORREF fontColor =
        itemSection >= 0
            ? static_cast<COLORREF>(m->gd()[static_cast<std::size_t>(itemSection)].Props[lit ? 1 : 0].FontColor.Color)
            : ::GetSysColor(COLOR_MENUTEXT);
    // Marks and symbols are centred in the icon column.
    const TRect glyphPlace{0, 0, c, h};
    if (state & fw::odChecked)
      DrawCheckMark(lines, *m, *item, lit, static_cast<skin::TColor>(fontColor), glyphPlace);
    if (item->Count() > 0)
      DrawSolidArrow(lines, static_cast<skin::TColor>(fontColor),
                     TRect{w - mm.ArrowWidth - mm.Margin, 0, w - mm.Margin, h}, TacArrowDirection::Right,
                     m->ScaleInt(DefaultArrowSize));
    const auto command = static_cast<UINT>(item->Tag());
    if (command >= 0xF000 && command <= 0xF1FF)
      DrawCommandGlyph(image.DC(), RECT{glyphPlace.Left, glyphPlace.Top, glyphPlace.Right, glyphPlace.Bottom}, command,
                       fontColor, m->ScaleInt(10));
    UseMenuFont(canvas, mm);
    text.Font().Assign(canvas.Font());
    text.Font().SetColor(static_cast<fw::TColor>(fontColor));
    // The text after the icon column and a margin; the part of the caption
    // after its first tab and the shortcut's text right-aligned.
    std::wstring caption = item->Caption();
    UINT align = DT_LEFT;
    if (!caption.empty() && caption.front() == L'\x08') {
      caption = caption.substr(1) + L"      ";
      align = DT_RIGHT;
    }
    const std::size_t tab = caption.find(L'\t');
    const std::wstring after = tab == std::wstring::npos ? std::wstring() : caption.substr(tab + 1);
    const std::wstring shortCut = fw::ShortCutToText(item->ShortCut());
    RECT tr{mm.GlyphSize + 2 * mm.Margin + mm.Spacing, mm.Margin, w, h - mm.Margin};
    const UINT noAccel = (state & fw::odNoAccel) ? DT_HIDEPREFIX : 0;
    const UINT breaks = caption.find(L'\r') != std::wstring::npos ? DT_WORDBREAK : DT_SINGLELINE;
    text.DrawText(caption.substr(0, tab), tr, breaks | DT_VCENTER | DT_EXPANDTABS | DT_NOCLIP | align | noAccel);
    int right = w - mm.ShortcutGap;
    if (!shortCut.empty()) {
      RECT sr{tr.left, mm.Margin, right, h - mm.Margin};
      text.DrawText(shortCut, sr, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOCLIP);
      right -= mm.ShortcutGap;
    }
    if (!after.empty()) {
      RECT ar{tr.left, mm.Margin, right, h - mm.Margin};
      text.DrawText(after, ar, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOCLIP | noAccel);
    }
    if (!enabled) {
      // Disabled: faded into the background, the item keeping 100 of 256.
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const std::uint32_t a = lines.At(x, y), b = under.At(x, y);
          std::uint32_t out = 0;
          for (int shift = 0; shift < 24; shift += 8) {
            const std::uint32_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
            out |= ((ca * 100 + cb * 156) >> 8) << shift;
          }
          lines.At(x, y) = out;
        }
    }
  }
  ::BitBlt(target, rect.left, rect.top, w, h, image.DC(), 0, 0, SRCCOPY);
  if (mw && !mw->painting) DrawWndBorder(*mw);
}

bool HandleMenuFrameRequest(UINT msg, WPARAM wParam, LPARAM lParam) {
  TsSkinManager* m = Manager();
  if (!m || !m->SkinnedPopups()) return false;
  HWND wnd = nullptr;
  if (msg == WM_MENUFRAMEBYITEM) {
    // The item may have gone since the request was posted.
    const fw::TMenuItem* item = fw::TMenuItem::FindCommand(static_cast<UINT>(wParam));
    if (!item) return true;
    // The open menu windows: the one showing this command among its own
    // items (a search by command would also find it in the sub-menus of the
    // window's items, and so the parent's window).
    for (HWND w = ::FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w && !wnd;
         w = ::FindWindowExW(nullptr, w, L"#32768", nullptr)) {
      // The desktop lists every program's menu windows: only ours are asked,
      // and a menu of another thread of ours answers within a time-out or
      // not at all.
      if (!IsMenuWindow(w)) continue;
      DWORD_PTR answer = 0;
      if (!::SendMessageTimeoutW(w, 0x01E1 /* MN_GETHMENU */, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 200, &answer))
        continue;
      const auto menu = reinterpret_cast<HMENU>(answer);
      for (int i = 0, count = menu ? ::GetMenuItemCount(menu) : 0; i < count && !wnd; ++i) {
        // By its identifier: GetMenuItemID answers -1 for an item that opens a sub-menu.
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID;
        if (::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info) && info.wID == item->Command()) wnd = w;
      }
    }
  } else {
    wnd = reinterpret_cast<HWND>(lParam);
  }
  if (!IsMenuWindow(wnd) || !::IsWindowVisible(wnd)) return true;
  if (TacMnuWnd* mw = MenuWindow(wnd, *m)) DrawWndBorder(*mw);
  return true;
}

void AttachMenuWindow(HWND wnd) {
  TsSkinManager* m = Manager();
  if (m && m->SkinnedPopups() && !MenuWindows().contains(wnd)) MenuWindow(wnd, *m);
}

bool IsSkinnedMenuWindow(HWND wnd) noexcept { return MenuWindows().contains(wnd); }

int SkinnedMenuWindowCount() noexcept { return static_cast<int>(MenuWindows().size()); }

TMenuWorkCounts MenuWorkCounts() noexcept { return WorkCounts; }

}  // namespace skinctrl
