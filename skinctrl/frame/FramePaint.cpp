// Rendering the frame: the whole window image in the frame cache (borders,
// title bar, icon, caption text and title buttons), the window region cut from
// it, and the cache copied to the window's non-client and client areas.
#include "skinctrl/frame/sSkinProvider.h"

#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Exception.h"
#include "skin/sSkinManager.h"
#include "skinctrl/gdi/Regions.h"
#include "skinctrl/gdi/SkinTextGdi.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/paint/SkinImages.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace skinctrl {

using skin::TsSkinManager;

namespace {

std::vector<std::uint32_t> PixelsIn(const ScanLines& lines, const RECT& r) {
  std::vector<std::uint32_t> pixels;
  pixels.reserve(static_cast<std::size_t>((r.right - r.left) * (r.bottom - r.top)));
  for (int y = r.top; y < r.bottom; ++y) pixels.insert(pixels.end(), lines.Row(y) + r.left, lines.Row(y) + r.right);
  return pixels;
}

}  // namespace

void TDrawMemo::Draw(const TDibBitmap& target, RECT r, std::wstring_view key, const std::function<void()>& draw) {
  const ScanLines lines = target.Lines();
  r = RECT{std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, lines.Width),
           std::min<LONG>(r.bottom, lines.Height)};
  if (r.right <= r.left || r.bottom <= r.top) return;
  std::vector<std::uint32_t> before = PixelsIn(lines, r);
  if (key == key_ && ::EqualRect(&r, &rect_) && before == before_) {
    auto from = after_.begin();
    for (int y = r.top; y < r.bottom; ++y, from += r.right - r.left) std::copy_n(from, r.right - r.left, lines.Row(y) + r.left);
    return;
  }
  draw();
  after_ = PixelsIn(target.Lines(), r);
  before_ = std::move(before);
  key_ = key;
  rect_ = r;
}

HICON TsSkinProvider::TitleIcon(bool big) {
  HICON& cached = titleIcon_[big ? 1 : 0];
  if (cached) return cached;
  if (HICON icon = FForm->Icon()) return cached = icon;
  if (auto icon = reinterpret_cast<HICON>(::SendMessageW(FForm->HandleIfAllocated(), WM_GETICON,
                                                          big ? ICON_BIG : ICON_SMALL2, 0))) {
    return cached = icon;
  }
  if (HICON icon = fw::Application().Icon(big)) return cached = icon;
  return cached = ::LoadIconW(nullptr, IDI_APPLICATION);
}

void TsSkinProvider::DrawTitleIcon() {
  if (!layout_.IconShown) return;
  const TRect r = layout_.IconRect;
  // The small icon while the rectangle is no larger than a small icon at the
  // manager's scale: it is drawn at its own size.
  const TsSkinManager* m = FCommonData->SkinManager();
  const HICON icon = TitleIcon(r.Height() > (m ? m->ScaleInt(16) : 16));
  const RECT rect{r.Left, r.Top, r.Right, r.Bottom};
  const std::wstring key = std::to_wstring(reinterpret_cast<std::uintptr_t>(icon)) + L":" +
                           std::to_wstring(r.Width()) + L"x" + std::to_wstring(r.Height());
  iconMemo_[FFormActive ? 1 : 0].Draw(cache_, rect, key, [&] {
    const ScanLines lines = cache_.Lines();
    const RECT clipped{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0),
                       std::min<LONG>(rect.right, lines.Width), std::min<LONG>(rect.bottom, lines.Height)};
    if (clipped.right <= clipped.left || clipped.bottom <= clipped.top) return;
    const std::vector<std::uint32_t> saved = PixelsIn(lines, clipped);
    ::DrawIconEx(cache_.DC(), r.Left, r.Top, icon, r.Width(), r.Height(), 0, nullptr, DI_NORMAL);
    // DrawIconEx writes no alpha into a 32-bit image: every pixel it changed is made opaque.
    const ScanLines after = cache_.Lines();
    std::size_t i = 0;
    for (int y = clipped.top; y < clipped.bottom; ++y) {
      for (int x = clipped.left; x < clipped.right; ++x, ++i) {
        if (after.At(x, y) != saved[i]) after.At(x, y) |= 0xFF000000u;
      }
    }
  });
}

void TsSkinProvider::PaintCaptionText() {
  const TsSkinManager* m = FCommonData->SkinManager();
  if (!captionText_) captionText_ = FForm->Caption();
  const std::wstring& text = *captionText_;
  if (text.empty()) return;
  TRect tr = CaptionRect();
  if (tr.Right <= tr.Left) return;

  if (!captionFont_) {
    LOGFONTW lf = fw::NonClientMetricsForDpi(m->MetricsDpi()).lfCaptionFont;
    lf.lfHeight = m->ScaleInt(lf.lfHeight, m->SysFontScale);
    std::wstring face;
    if (m->Fonts().MainMode == skin::TacFontMode::fmFromSkin && !m->CommonSkinData.MainFont.empty()) {
      face = fw::FromUtf8(m->CommonSkinData.MainFont);
    } else if (m->Fonts().MainMode == skin::TacFontMode::fmCustom && !m->Fonts().MainFont.empty()) {
      face = m->Fonts().MainFont;
    }
    if (!face.empty()) wcsncpy_s(lf.lfFaceName, face.c_str(), _TRUNCATE);
    captionFont_.reset(::CreateFontIndirectW(&lf));
  }
  const HFONT font = captionFont_.get();

  constexpr UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  RECT measured{tr.Left, 0, tr.Right, 0};
  {
    fw::SelectObjectScope select(cache_.DC(), font);
    // Measured without DT_VCENTER: with it, Wine's DT_CALCRECT counts the line from
    // the vertical centre of the empty rectangle and reports half its height.
    ::DrawTextW(cache_.DC(), text.c_str(), static_cast<int>(text.size()), &measured,
                (format & ~static_cast<UINT>(DT_VCENTER)) | DT_CALCRECT);
  }
  const int h = (measured.bottom - measured.top) + (m->SysFontScale == 0 && m->GetScale() > 0 ? 1 : 0);
  const RECT rect{tr.Left, VCenter - h / 2, std::min<LONG>(tr.Right, std::max<LONG>(measured.right, tr.Left)),
                  VCenter - h / 2 + h};
  const int section = FTitleSkinIndex >= 0 ? FTitleSkinIndex : FCommonData->SkinIndex;
  TSkinTextRequest request;
  request.Model = &m->Model();
  request.ConstData = &m->ConstData;
  request.SkinIndex = section;
  request.State = FFormActive ? 1 : 0;
  request.AllowGlow = true;
  request.Colors = ColorsOf(m);
  request.GlowMask = &glowMask_[FFormActive ? 1 : 0];
  // Drawn in the rectangle's whole width, so that a long caption ends in an ellipsis.
  const RECT target{tr.Left, rect.top, tr.Right, rect.bottom};
  const std::wstring key = std::to_wstring(reinterpret_cast<std::uintptr_t>(font)) + L":" +
                           std::to_wstring(section) + L":" + text;
  textMemo_[request.State].Draw(cache_, target, key,
                                [&] { DrawSkinText(cache_.Lines(), font, text, target, format, request); });
}

void TsSkinProvider::ForgetDrawings() {
  captionText_.reset();
  titleIcon_[0] = titleIcon_[1] = nullptr;
  for (TDrawMemo* memo : {&iconMemo_[0], &iconMemo_[1], &textMemo_[0], &textMemo_[1]}) *memo = TDrawMemo{};
}

void TsSkinProvider::SaveButtonStrip() {
  const int header = HeaderHeight();
  // No wider than the title: past it the cache has nothing to save.
  const int width = std::min(BorderWidth() + ButtonStripWidth() + 10, std::max(CaptionWidth(), 1));
  const int x = std::max(CaptionWidth() - width - 1, 0);
  TempBmp.SetSize(width, header);
  tempRect_ = TRect{x, 0, x + width, header};
  if (!TempBmp.Empty()) ::BitBlt(TempBmp.DC(), 0, 0, width, header, cache_.DC(), x, 0, SRCCOPY);
}

void TsSkinProvider::RestoreButtonStrip() {
  if (TempBmp.Empty()) return;
  ::BitBlt(cache_.DC(), tempRect_.Left, tempRect_.Top, tempRect_.Width(), tempRect_.Height(), TempBmp.DC(), 0, 0,
           SRCCOPY);
}

void TsSkinProvider::PaintCaptionButtons() {
  RestoreButtonStrip();
  if (!SystemMenu || !(FForm->BorderIcons() & fw::biSystemMenu)) return;
  const TTitleButtonRules rules = SystemMenu->Rules();
  const ScanLines lines = cache_.Lines();
  // A button whose look is faded in an overlay keeps its normal glyph here.
  const auto draw = [&](const TsCaptionButton& button, bool enabled) {
    if (!button.Visible()) return;
    const bool faded = ButtonAnimation(static_cast<int>(button.cpHitCode)) != nullptr;
    DrawTitleGlyph(lines, TPoint{button.cpRect.Left, button.cpRect.Top}, button, faded ? 0 : button.cpState, enabled);
  };
  draw(layout_.ButtonClose, rules.VisibleClose && rules.EnabledClose);
  if (rules.VisibleMax) draw(layout_.ButtonMax, rules.EnabledMax);
  if (rules.VisibleMin) draw(layout_.ButtonMin, rules.EnabledMin);
  if (rules.Help) draw(layout_.ButtonHelp, true);
}

void TsSkinProvider::SyncCacheBitmap() {
  // The skinning state keeps the same image as a plain bitmap: it is what the
  // shared code of the skinning state measures and hands to children.
  const ScanLines lines = cache_.Lines();
  skin::Bitmap32& mirror = *FCommonData->FCacheBmp;
  if (mirror.Width != lines.Width || mirror.Height != lines.Height) mirror = skin::Bitmap32(lines.Width, lines.Height);
  for (int y = 0; y < lines.Height; ++y) {
    std::memcpy(&mirror.At(0, y), lines.Row(y), static_cast<std::size_t>(lines.Width) * sizeof(std::uint32_t));
  }
}

bool TsSkinProvider::PaintAll() {
  TsSkinManager* m = FCommonData->SkinManager();
  const skin::TsGeneralData* section = FCommonData->Section();
  if (FForm->Loading() || !section || !m) return true;
  if (DoReinit) {
    DoReinit = false;
    ReadMetrics();
    captionFont_.reset();
    ForgetDrawings();
    FCommonData->BGChanged = true;
  }
  const int w = CaptionWidth(), h = FrameHeight();
  const int c = CaptionHeight(), header = BorderWidth() + c;
  if (w <= 0 || h <= 0) return true;
  cache_.SetSize(w, h);
  const int s = std::min(FFormActive ? 1 : 0, section->States - 1);
  const bool drawTitle = c > 0 && FDrawNonClientArea && m->Options().DrawNonClientArea;

  CalcItems();
  const ScanLines lines = cache_.Lines();
  for (int y = 0; y < lines.Height; ++y) std::fill_n(lines.Row(y), lines.Width, 0u);
  TControlLook look;
  look.SkinIndex = FCommonData->SkinIndex;
  // A top-level form has nothing behind it.
  PaintSkinControl(&m->Model(), look, TCacheInfo{}, -1, -1, false, lines, TPoint{}, TRect{0, 0, w, h}, s);
  if (drawTitle) {
    if (m->Model().IsValidSkinIndex(FTitleSkinIndex)) {
      const int titleStates = m->gd()[static_cast<std::size_t>(FTitleSkinIndex)].States;
      PaintSkinSection(&m->Model(), FTitleSkinIndex, CacheInfoOfBitmap(lines, 0, 0), -1, -1, lines, TPoint{},
                       TRect{0, 0, w, header}, std::min(FFormActive ? 1 : 0, titleStates - 1));
    }
    DrawTitleIcon();
    const int titleBar = m->GetMaskIndex(FCommonData->SkinIndex, "TITLEBAR");
    if (m->Model().IsValidImgIndex(titleBar) && (layout_.ButtonClose.Visible() || layout_.ButtonMin.Visible())) {
      const skin::TsMaskData& image = m->ma()[static_cast<std::size_t>(titleBar)];
      DrawBorderImage(cache_.Lines(), TRect{w - ButtonStripWidth() - image.Width, 0, w, header},
                      CacheInfoOfBitmap(lines, 0, 0), false, s, &m->Model(), image);
    }
    PaintCaptionText();
    SaveButtonStrip();
    PaintCaptionButtons();
  }
  FCommonData->BGChanged = false;
  FCommonData->FUpdating = false;
  SyncCacheBitmap();
  return true;
}

void TsSkinProvider::UpdateWindowRegion() {
  const HWND wnd = FForm->HandleIfAllocated();
  const int w = CaptionWidth(), h = FrameHeight();
  // A maximised window reaches its border width beyond the screen on every
  // side: what is left is its rectangle without those borders.
  const int b = ::IsZoomed(wnd) ? BorderWidth() : 0;
  fw::UniqueRegion region = b ? fw::UniqueRegion(::CreateRectRgn(b, b, w - b, h - b)) : RegionWithout(w, h, Rects_);
  RgnChanged = false;
  RgnChanging = true;
  // The system owns the region from here on.
  if (::SetWindowRgn(wnd, region.get(), ::IsWindowVisible(wnd))) (void)region.release();
  regionWidth_ = w;
  regionHeight_ = h;
  RgnChanging = false;
}

void TsSkinProvider::PaintNonClient(HDC dc) {
  const TsSkinManager* m = FCommonData->SkinManager();
  const HWND wnd = FForm->HandleIfAllocated();
  if (!wnd || LockCount > 0) return;
  // A size the cache was not made for: made anew.
  if (FCommonData->BGChanged || cache_.Empty() || cache_.Width() != CaptionWidth() || cache_.Height() != FrameHeight())
    PaintAll();
  if (cache_.Empty()) return;
  if (RgnChanged && !RgnChanging) {
    const int border = FCommonData->BorderIndex;
    const int titleBorder = m->Model().IsValidSkinIndex(FTitleSkinIndex)
                                ? m->gd()[static_cast<std::size_t>(FTitleSkinIndex)].BorderIndex
                                : -1;
    Rects_ = CollectCornerRects(m->Model(), border, titleBorder, CaptionWidth(), FrameHeight());
    UpdateWindowRegion();
  }
  if (IconicTitle()) {
    // No client area: the whole picture is the frame.
    if (dc) {
      ::BitBlt(dc, 0, 0, cache_.Width(), cache_.Height(), cache_.DC(), 0, 0, SRCCOPY);
    } else if (const fw::WholeWindowDc whole(wnd); whole.get()) {
      ::BitBlt(whole.get(), 0, 0, cache_.Width(), cache_.Height(), cache_.DC(), 0, 0, SRCCOPY);
    }
    return;
  }
  HDC target = dc;
  HDC own = nullptr;
  if (!target) target = own = ::GetWindowDC(wnd);
  if (!target) return;
  const int w = cache_.Width(), h = cache_.Height();
  RECT client{};
  ::GetClientRect(wnd, &client);
  const int ox = OffsetX(), oy = OffsetY();
  const int cr = ox + client.right, cb = oy + client.bottom;
  HDC source = cache_.DC();
  ::BitBlt(target, 0, 0, w, oy, source, 0, 0, SRCCOPY);                // header
  ::BitBlt(target, 0, oy, ox, cb - oy, source, 0, oy, SRCCOPY);         // left border
  ::BitBlt(target, 0, cb, w, h - cb, source, 0, cb, SRCCOPY);           // bottom border
  ::BitBlt(target, cr, oy, w - cr, cb - oy, source, cr, oy, SRCCOPY);   // right border
  if (own) ::ReleaseDC(wnd, own);
}

void TsSkinProvider::EraseClient(HDC dc) {
  if (FCommonData->BGChanged || cache_.Empty()) PaintAll();
  if (cache_.Empty()) return;
  const HWND wnd = FForm->HandleIfAllocated();
  RECT client{};
  ::GetClientRect(wnd, &client);
  SavedDC saved(dc);
  for (HWND child = ::GetWindow(wnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(child)) continue;
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&r), 2);
    ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  ::BitBlt(dc, 0, 0, client.right, client.bottom, cache_.DC(), OffsetX(), OffsetY(), SRCCOPY);
  FForm->PaintControls(dc);
}

}  // namespace skinctrl
