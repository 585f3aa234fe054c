#include "skinctrl/sButton.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "skin/ConstData.h"
#include "skinctrl/ControlClasses.h"
#include "skinctrl/PixelMath.h"
#include "skinctrl/SkinImages.h"
#include "skinctrl/SkinTextGdi.h"

namespace skinctrl {

using skin::MakeSkinWParam;
using skin::SkinCommandOf;
using skin::WM_SKINCMD;

namespace {

std::unique_ptr<skin::Bitmap32> CopyOf(const TDibBitmap& cache) {
  const ScanLines lines = cache.Lines();
  auto copy = std::make_unique<skin::Bitmap32>(cache.Width(), cache.Height());
  for (int y = 0; y < lines.Height; ++y)
    std::memcpy(&copy->At(0, y), lines.Row(y), static_cast<std::size_t>(lines.Width) * sizeof(std::uint32_t));
  return copy;
}

// A fade frame (plain memory) drawn to a DC.
void DrawPixels(HDC dc, const skin::Bitmap32& pixels) {
  if (pixels.Empty()) return;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = pixels.Width;
  bi.bmiHeader.biHeight = -pixels.Height;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(pixels.Width), static_cast<DWORD>(pixels.Height), 0, 0, 0,
                      static_cast<UINT>(pixels.Height), pixels.Pixels.data(), &bi, DIB_RGB_COLORS);
}

}  // namespace

TsButton::TsButton(fw::TComponent* owner)
    : fw::TButton(owner), FCommonData(std::make_unique<TControlSkin>(*this, skin::COC_Button)) {
  if (!Loading()) FCommonData->Loaded();
}

TsButton::~TsButton() {
  SetDestroying();
  FCommonData->AbortAnimation();
  // WM_DESTROY must still find the skin data.
  DestroyHandle();
}

void TsButton::Loaded() {
  fw::TButton::Loaded();
  FCommonData->Loaded();
}

void TsButton::CreateParams(fw::TCreateParams& params) {
  fw::TButton::CreateParams(params);
  params.Style = (params.Style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
}

void TsButton::CreateHandleDone() {
  FCommonData->Attach(HandleIfAllocated());
  fw::TButton::CreateHandleDone();
}

void TsButton::DestroyWnd() {
  FCommonData->AbortAnimation();
  FCommonData->Detach(HandleIfAllocated());
  fw::TButton::DestroyWnd();
}

void TsButton::SetDown(bool value) {
  if (value == FDown) return;
  FDown = value;
  FCommonData->Invalidate();
}

void TsButton::SetShowFocus(bool value) {
  if (value == FShowFocus) return;
  FShowFocus = value;
  FCommonData->Invalidate();
}

void TsButton::SetContentMargin(int value) {
  if (value == FContentMargin) return;
  FContentMargin = value;
  FCommonData->Invalidate();
}

void TsButton::SetDisabledKind(int value) {
  if (value == FDisabledKind) return;
  FDisabledKind = value;
  FCommonData->Invalidate();
}

void TsButton::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  FCommonData->Invalidate();
}

// ---------------------------------------------------------------- state

int TsButton::CommonState() {
  const TControlSkin& data = *FCommonData;
  if (Destroying() || !Enabled()) return 0;
  if (data.FFocused) return 1;
  if (HandleAllocated() && ::GetFocus() == HandleIfAllocated()) return 1;
  const skin::TsSkinManager* manager = data.SkinManager();
  if (!data.FMouseAbove || (manager && manager->Options().NoMouseHover)) return 0;
  return skin::IsNoHoverCode(data.COC) ? 0 : 1;
}

int TsButton::CurrentState() {
  const TControlSkin& data = *FCommonData;
  const bool pushed =
      FForcePressed || (HandleAllocated() && (::SendMessageW(HandleIfAllocated(), BM_GETSTATE, 0, 0) & BST_PUSHED));
  const skin::TsSkinManager* manager = data.SkinManager();
  const bool noHover = manager && manager->Options().NoMouseHover;
  const bool heldOnIt = FMouseClicked && ::GetKeyState(VK_LBUTTON) < 0;
  if ((pushed && (data.FMouseAbove || !heldOnIt || noHover)) || FDown) return 2;
  if (CommonState() == 0) return Default() ? 3 : 0;
  return 1;
}

TacColoring TsButton::GetColoring() {
  TacColoring coloring;
  if (OnGetColoring) OnGetColoring(this, CurrentState(), coloring);
  return coloring;
}

// ---------------------------------------------------------------- geometry

SIZE TsButton::CaptionSize() {
  const std::wstring caption = Caption();
  if (caption.empty()) return {0, 0};
  fw::WindowDc screen(nullptr);
  HDC dc = FCommonData->FCacheBmp.DC() ? FCommonData->FCacheBmp.DC() : screen.get();
  fw::SelectObjectScope font(dc, Font().Handle());
  RECT r{0, 0, std::max(Width() - 2 * FContentMargin, 0), 0};
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &r,
              DT_CALCRECT | DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : DT_SINGLELINE));
  return {r.right - r.left, r.bottom - r.top};
}

RECT TsButton::CaptionRect() {
  const SIZE size = CaptionSize();
  RECT r;
  r.left = (Width() - size.cx) / 2;
  r.top = (Height() - size.cy) / 2;
  r.right = r.left + size.cx;
  r.bottom = r.top + size.cy;
  if (CurrentState() == 2) {
    const skin::TsSkinManager* manager = FCommonData->SkinManager();
    const skin::TsGeneralData* section = FCommonData->Section();
    const bool managerShifts = !manager || manager->ButtonsOptions().ShiftContentOnClick;
    const bool sectionShifts = section && section->ShiftOnClick;
    if (managerShifts || sectionShifts) ::OffsetRect(&r, 1, 1);
  }
  return r;
}

// ---------------------------------------------------------------- painting

bool TsButton::PrepareCache() {
  TControlSkin& data = *FCommonData;
  if (!data.Skinned()) return false;
  TBackgroundRequest request;
  QueryParentBackground(request, Parent(), nullptr, false, data.SkinManager());
  if (request.BgType == btNotReady) {
    data.FUpdating = true;
    return false;
  }
  const TCacheInfo ci = BackgroundToCacheInfo(request, data.SkinManager());
  data.EnsureCacheBitmap();
  if (data.FCacheBmp.Empty()) return false;
  const skin::SkinModel* model = data.Model();
  const skin::TsGeneralData& section = *data.Section();
  int s = CurrentState();
  if (s == 3 && section.States < 4)
    s = 1;
  else
    s = std::clamp(s, 0, std::max(section.States - 1, 0));

  const ScanLines cache = data.FCacheBmp.Lines();
  const TRect rect{0, 0, Width(), Height()};
  PaintSectionBackground(model, data.SkinIndex, ci, s, KeyColor, -1, -1, cache, {Left(), Top()}, rect);
  TCacheInfo atButton = ci;
  atButton.X += Left();
  atButton.Y += Top();
  if (model->IsValidImgIndex(data.BorderIndex)) {
    const skin::TsMaskData& image = model->ma[static_cast<std::size_t>(data.BorderIndex)];
    if (s > 0 || (image.DrawMode & dmNotInNormal) == 0)
      DrawBorderImage(cache, rect, atButton, true, s, model, image);
  }
  const TacColoring coloring = GetColoring();
  const TControlLook look = data.Look();
  if (coloring.ColorToneBG != NoColor)
    TransformPixels(cache, TonePixel, ResolveSkinColor(coloring.ColorToneBG, data.SkinManager()), KeyColor);
  if (look.HUEOffset != 0) TransformPixels(cache, HuePixel, look.HUEOffset, KeyColor);
  if (look.Saturation != 0) TransformPixels(cache, SaturationPixel, SaturationWeight(look.Saturation), KeyColor);
  if (coloring.ColorToneBG != NoColor || look.HUEOffset != 0 || look.Saturation != 0)
    RestoreCorners(cache, model, data.SkinIndex, s, atButton, crAll);

  DrawCaption(coloring.ColorText);

  if (!Enabled()) {
    const TColor parentColor = static_cast<TColor>(SendSkinCommandTo(Parent(), skin::SKC_GETBGCOLOR));
    PaintDisabled(data.FCacheBmp.Lines(), FDisabledKind, {Left(), Top()}, ci, parentColor);
  }
  data.BGChanged = false;
  return true;
}

void TsButton::DrawCaption(TColor colorText) {
  const std::wstring caption = Caption();
  const RECT r = CaptionRect();
  if (!caption.empty()) {
    const LONG style = HandleAllocated() ? ::GetWindowLongW(HandleIfAllocated(), GWL_STYLE) : 0;
    UINT flags = DT_EXPANDTABS | DT_VCENTER | (FWordWrap ? DT_WORDBREAK : DT_SINGLELINE);
    if ((style & BS_CENTER) == BS_LEFT)
      flags |= DT_LEFT;
    else if ((style & BS_CENTER) == BS_RIGHT)
      flags |= DT_RIGHT;
    else
      flags |= DT_CENTER;
    if (colorText == NoColor)
      DrawControlText(*FCommonData, Font().Handle(), caption, Enabled() || FCommonData->Skinned(), CurrentState(),
                      flags, r);
    else
      DrawPlainText(FCommonData->FCacheBmp, Font().Handle(), caption, r, flags,
                    ResolveSkinColor(colorText, FCommonData->SkinManager()));
  }
  const skin::TsSkinManager* manager = FCommonData->SkinManager();
  if (HandleAllocated() && ::GetFocus() == HandleIfAllocated() && manager && manager->ButtonsOptions().ShowFocusRect &&
      Enabled() && !caption.empty() && FShowFocus && FCommonData->Skinned())
    DrawFocusDots(r);
}

void TsButton::DrawFocusDots(const RECT& captionRect) {
  const skin::TsGeneralData& section = *FCommonData->Section();
  const int index = std::clamp(std::min(2, section.States), 0, 2);
  const TColor color = ResolveSkinColor(section.Props[static_cast<std::size_t>(index)].FontColor.Color,
                                        FCommonData->SkinManager());
  const std::uint32_t pixel = ColorToPixel(color) | 0xFF000000u;
  RECT r = captionRect;
  ::InflateRect(&r, FFocusMargin + 1, FFocusMargin);
  r.top = std::max<LONG>(r.top, 3);
  r.bottom = std::min<LONG>(r.bottom, Height() - 3);
  const ScanLines cache = FCommonData->FCacheBmp.Lines();
  auto put = [&](LONG x, LONG y) {
    if (x >= 0 && y >= 0 && x < cache.Width && y < cache.Height) cache.At(x, y) = pixel;
  };
  const LONG width = r.right - r.left, height = r.bottom - r.top;
  for (LONG i = 0; i < width / 2; ++i) {
    put(r.left + 1 + 2 * i, r.top);
    put(r.left + 1 + 2 * i, r.bottom - 1);
  }
  for (LONG i = 0; i < height / 2; ++i) {
    put(r.left, r.top + 1 + 2 * i);
    put(r.right - 1, r.top + 1 + 2 * i);
  }
}

void TsButton::PaintButton(HDC given) {
  HWND wnd = HandleIfAllocated();
  if (!wnd) return;
  std::optional<fw::PaintDc> paint;
  if (!given) paint.emplace(wnd);
  HDC dc = given ? given : paint->get();
  TControlSkin& data = *FCommonData;
  if (data.CheckUpdating(false)) return;
  skin::TacThreadedTimer* fade = data.Animating() ? data.AnimTimer.get() : nullptr;
  if (fade && (fade->BmpOut || fade->BmpFrom)) {
    DrawPixels(dc, fade->BmpOut ? *fade->BmpOut : *fade->BmpFrom);
    return;
  }
  RECT clip;
  if (::GetClipBox(dc, &clip) == NULLREGION) return;
  data.BGChanged = data.BGChanged || data.HalfVisible;
  data.HalfVisible = clip.left > 0 || clip.top > 0 || clip.right < Width() || clip.bottom < Height();
  if (data.BGChanged && !PrepareCache()) return;
  data.CopyCache(dc, {0, 0, Width(), Height()});
}

void TsButton::Repaint(bool now) {
  if (HWND wnd = HandleIfAllocated())
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | (now ? RDW_UPDATENOW : 0));
}

void TsButton::DrawPlain(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  if (Default() || (item.itemState & ODS_FOCUS)) {
    // The default button's dark outline, as the system draws it.
    ::FrameRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::InflateRect(&r, -1, -1);
  }
  ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const std::wstring caption = Caption();
  RECT text = r;
  if (pushed) ::OffsetRect(&text, 1, 1);
  fw::SelectObjectScope font(dc, Font().Handle());
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (item.itemState & ODS_DISABLED) {
    RECT engraved = text;
    ::OffsetRect(&engraved, 1, 1);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &engraved, flags);
    ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
  } else {
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  }
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, flags);
  ::SetBkMode(dc, oldMode);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    ::InflateRect(&focus, -3, -3);
    ::DrawFocusRect(dc, &focus);
  }
}

// ---------------------------------------------------------------- fades

void TsButton::StateChanged(int state, bool shortFade, unsigned event) {
  TControlSkin& data = *FCommonData;
  if (!data.Skinned()) {
    Repaint(false);
    return;
  }
  skin::TsSkinManager* manager = data.SkinManager();
  const bool eventAnimated =
      (FAnimatEvents & event) != 0 ||
      ((FAnimatEvents & aeGlobalDef) != 0 && (manager->AnimEffects().ButtonsEvents & event) != 0);
  const bool canFade = eventAnimated && manager->Effects().AllowAnimation && !data.FCacheBmp.Empty() &&
                       !data.BGChanged && Showing();
  data.BGChanged = true;
  if (canFade)
    StartFade(state, shortFade);
  else
    Repaint(false);
}

void TsButton::StartFade(int state, bool shortFade) {
  TControlSkin& data = *FCommonData;
  UseFrameworkTicks();
  if (!data.AnimTimer) data.AnimTimer = std::make_unique<skin::TacThreadedTimer>(nullptr, state);
  skin::TacThreadedTimer& timer = *data.AnimTimer;
  timer.Begin(
      nullptr, state, shortFade, [this](skin::TsCommonData*, int) { return FadeStep(); },
      [this, &timer] {
        TControlSkin& d = *FCommonData;
        if (timer.BmpOut && (timer.BmpOut->Width != Width() || timer.BmpOut->Height != Height())) timer.BmpOut.reset();
        timer.BmpFrom = CopyOf(d.FCacheBmp);
        if (d.BGChanged && !PrepareCache()) return false;
        timer.BmpTo = CopyOf(d.FCacheBmp);
        return true;
      });
}

bool TsButton::FadeStep() {
  skin::TacThreadedTimer& timer = *FCommonData->AnimTimer;
  if (!timer.BmpFrom || !timer.BmpTo || timer.BmpFrom->Width != timer.BmpTo->Width ||
      timer.BmpFrom->Height != timer.BmpTo->Height)
    return false;
  timer.BmpOut = std::make_unique<skin::Bitmap32>(*timer.BmpFrom);
  return timer.FadeFrame([&](int weight) {
    const ScanLines out = LinesOf(*timer.BmpOut);
    BlendBitmapRect(out, LinesOf(*timer.BmpTo), weight, {0, 0}, {0, 0, out.Width - 1, out.Height - 1});
    if (HWND wnd = HandleIfAllocated()) {
      fw::WindowDc dc(wnd);
      DrawPixels(dc.get(), *timer.BmpOut);
    }
  });
}

// ---------------------------------------------------------------- input

void TsButton::MouseEnterLeave(bool enter) {
  TControlSkin& data = *FCommonData;
  if (!Enabled()) return;
  const skin::TsSkinManager* manager = data.SkinManager();
  if (enter) {
    if (data.FMouseAbove || (manager && manager->Options().NoMouseHover)) return;
    if (OnMouseEnter && CanFire()) OnMouseEnter(this);
    data.BGChanged = false;
    data.FMouseAbove = true;
    StateChanged(1, false, aeMouseEnter);
  } else {
    if (OnMouseLeave && CanFire()) OnMouseLeave(this);
    data.BGChanged = false;
    data.FMouseAbove = false;
    StateChanged(0, false, aeMouseLeave);
  }
}

void TsButton::MouseDown(fw::TMessage& m) {
  TControlSkin& data = *FCommonData;
  const bool left = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK;
  if (!Enabled()) {
    fw::TButton::WndProc(m);
    return;
  }
  data.FUpdating = false;
  FMouseClicked = true;
  // The system button takes the press first (capture, focus, its pushed
  // state), so that the pressed look is built from the state it reports.
  fw::TButton::WndProc(m);
  if (left && !FDown) {
    data.FUpdating = data.CheckUpdating(false);
    data.BGChanged = false;
    StateChanged(2, true, aeMouseDown);
  }
}

void TsButton::MouseUp(fw::TMessage& m) {
  TControlSkin& data = *FCommonData;
  if (!Enabled() || !FMouseClicked) {
    fw::TButton::WndProc(m);
    return;
  }
  FMouseClicked = false;
  if (m.Msg == WM_LBUTTONUP && data.Animating()) {
    // A quick click: the pressed face is shown whole for a moment before
    // the button fades back.
    data.AbortAnimation();
    data.BGChanged = true;
    FForcePressed = true;
    Repaint(true);
    FForcePressed = false;
    ::Sleep(30);
  }
  // Releasing clicks the button (its handler runs in here).
  fw::TButton::WndProc(m);
  if (Destroying() || !HandleAllocated()) return;
  data.FUpdating = false;
  data.BGChanged = false;
  if (m.Msg == WM_LBUTTONUP && data.FMouseAbove) {
    StateChanged(1, true, aeMouseUp);
  } else {
    data.BGChanged = true;
    Repaint(false);
  }
}

LRESULT TsButton::HitTest(fw::TMessage& m) {
  const TControlSkin& data = *FCommonData;
  const skin::SkinModel* model = data.Model();
  if (data.Skinned() && model->IsValidImgIndex(data.BorderIndex)) {
    const skin::TsMaskData& image = model->ma[static_cast<std::size_t>(data.BorderIndex)];
    // The corners of a rounded face let the clicks through where the image
    // shows the key colour. Images that live in the master bitmap are read
    // there.
    const skin::Bitmap32& bitmap = image.Bmp ? *image.Bmp : *model->MasterBitmap;
    if (image.CornerType == 1 && !bitmap.Empty()) {
      POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      ::ScreenToClient(HandleIfAllocated(), &p);
      const int w = Width(), h = Height();
      const bool left = p.x < image.WL, right = p.x >= w - image.WR;
      const bool top = p.y < image.WT, bottom = p.y >= h - image.WB;
      if ((left || right) && (top || bottom) && p.x >= 0 && p.y >= 0 && p.x < w && p.y < h) {
        int s = CurrentState();
        if (s == 3 && data.Section()->States < 4) s = 1;
        s = std::clamp(s, 0, image.ImageCount - 1);
        const int sx = image.R.Left + s * image.Width + (left ? p.x : image.Width - (w - p.x));
        const int sy = image.R.Top + (top ? p.y : image.Height - (h - p.y));
        if (sx >= 0 && sy >= 0 && sx < bitmap.Width && sy < bitmap.Height && bitmap.IsKey(sx, sy))
          return HTTRANSPARENT;
      }
    }
  }
  fw::TButton::WndProc(m);
  return m.Result;
}

// ---------------------------------------------------------------- messages

bool TsButton::HandleSkinCommand(fw::TMessage& m) {
  TControlSkin& data = *FCommonData;
  const std::uint16_t command = SkinCommandOf(m.WParam);
  const bool forManager = reinterpret_cast<skin::TsSkinManager*>(m.LParam) == data.SkinManager();
  switch (command) {
  case skin::SKC_SKINCHANGED:
    if (forManager) data.HandleSkinCommand(m);
    return true;
  case skin::SKC_SKINREMOVED:
    if (forManager && !Destroying()) {
      data.HandleSkinCommand(m);
      Repaint(false);
    }
    return true;
  case skin::SKC_REFRESH:
    if (forManager) {
      if (HWND wnd = HandleIfAllocated()) ::SetWindowRgn(wnd, nullptr, FALSE);
      data.HandleSkinCommand(m);
      Repaint(false);
    }
    return true;
  case skin::SKC_GETSKININDEX: {
    const skin::TsSkinManager* manager = data.SkinManager();
    m.Result = manager ? manager->ConstData.Sections[skin::ssButton] + 1 : 0;
    return true;
  }
  case skin::SKC_PREPARECACHE:
    m.Result = PrepareCache() ? 0 : 1;
    return true;
  case skin::SKC_GETCOLORING:
    if (m.LParam && skin::IsTrustedSkinCommand()) {
      *reinterpret_cast<TacColoring*>(m.LParam) = GetColoring();
      m.Result = 1;
    }
    return true;
  case skin::SKC_ISSKINNED:
    m.Result = 1;
    return true;
  case skin::SKC_STOPUPDATING:
    if (data.FUpdating) {
      if (!data.CheckUpdating(true)) Repaint(false);
      return true;
    }
    return data.HandleSkinCommand(m);
  default:
    return data.HandleSkinCommand(m);
  }
}

bool TsButton::HandleSkinned(fw::TMessage& m) {
  TControlSkin& data = *FCommonData;
  auto withoutRedraw = [&] {
    HWND wnd = HandleIfAllocated();
    ::SendMessageW(wnd, WM_SETREDRAW, FALSE, 0);
    fw::TButton::WndProc(m);
    if (::IsWindow(wnd)) ::SendMessageW(wnd, WM_SETREDRAW, TRUE, 0);
  };
  switch (m.Msg) {
  case WM_MOVE:
    if (const skin::TsGeneralData* section = data.Section(); section && section->Props[0].Transparency > 0) {
      data.BGChanged = true;
      Repaint(false);
    }
    return false;
  case WM_SIZE:
  case WM_WINDOWPOSCHANGED:
    data.BGChanged = true;
    return false;
  case WM_SETFOCUS:
    if (!Enabled() || Destroying()) return false;
    withoutRedraw();
    data.BGChanged = true;
    if (!data.Animating()) Repaint(false);
    return true;
  case WM_KILLFOCUS:
    if (!Enabled()) return false;
    data.AbortAnimation();
    withoutRedraw();
    data.FFocused = false;
    data.BGChanged = true;
    Repaint(false);
    return true;
  case WM_ENABLE:
    // The system button would paint itself.
    return true;
  case WM_PAINT:
    if (Parent()) PaintButton(reinterpret_cast<HDC>(m.WParam));
    m.Result = 0;
    return true;
  case WM_ERASEBKGND:
    if (m.WParam && !data.FCacheBmp.Empty() && !data.CheckUpdating(false)) {
      if (data.BGChanged) PrepareCache();
      if (!data.BGChanged && !data.Animating())
        data.CopyCache(reinterpret_cast<HDC>(m.WParam), {0, 0, Width(), Height()});
    }
    m.Result = 0;
    return true;
  case WM_UPDATEUISTATE:
    m.Result = 1;
    return true;
  case WM_PRINT:
    data.FUpdating = false;
    PaintButton(reinterpret_cast<HDC>(m.WParam));
    return true;
  case WM_NCHITTEST:
    m.Result = HitTest(m);
    return true;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDOWN:
    MouseDown(m);
    return true;
  case WM_LBUTTONUP:
  case WM_RBUTTONUP:
    MouseUp(m);
    return true;
  case WM_MOUSEMOVE:
  case BM_SETSTATE:
  case WM_KEYDOWN:
  case WM_KEYUP: {
    // The system button changes its pushed state here (a press dragged out
    // and back, the space key, BM_SETSTATE) and would paint only through
    // owner-draw requests.
    const bool before = CurrentState() == 2;
    fw::TButton::WndProc(m);
    if (Destroying() || !HandleAllocated()) return true;
    if ((CurrentState() == 2) != before) {
      data.AbortAnimation();
      data.BGChanged = true;
      Repaint(true);
    }
    return true;
  }
  case fw::CM_DIALOGCHAR:
    if (m.WParam == VK_SPACE && Enabled() && Focused()) {
      data.AbortAnimation();
      data.BGChanged = true;
      Repaint(false);
    }
    return false;
  case fw::CM_TEXTCHANGED:
    data.AbortAnimation();
    data.Invalidate();
    return true;
  case fw::CM_MOUSEENTER:
  case fw::CM_MOUSELEAVE:
    fw::TButton::WndProc(m);
    MouseEnterLeave(m.Msg == fw::CM_MOUSEENTER);
    return true;
  case fw::CN_DRAWITEM:
    m.Result = 1;
    return true;
  case fw::CM_ENABLEDCHANGED:
    data.FMouseAbove = data.FFocused = false;
    fw::TButton::WndProc(m);
    data.FUpdating = false;
    data.AbortAnimation();
    data.BGChanged = true;
    Repaint(true);
    return true;
  case WM_SETFONT:
  case fw::CM_VISIBLECHANGED:
    fw::TButton::WndProc(m);
    data.FUpdating = false;
    data.AbortAnimation();
    data.BGChanged = true;
    Repaint(false);
    return true;
  default:
    return false;
  }
}

void TsButton::WndProc(fw::TMessage& m) {
  if (m.Msg == WM_SKINCMD && HandleSkinCommand(m)) return;
  TControlSkin& data = *FCommonData;
  if (!data.Skinned() || !HandleAllocated()) {
    switch (m.Msg) {
    case fw::CN_DRAWITEM:
      if (m.LParam) DrawPlain(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam));
      m.Result = 1;
      return;
    case fw::CM_MOUSEENTER:
    case fw::CM_MOUSELEAVE: {
      fw::TButton::WndProc(m);
      if (!Enabled()) return;
      const bool enter = m.Msg == fw::CM_MOUSEENTER;
      data.FMouseAbove = enter;
      if (enter && OnMouseEnter && CanFire()) OnMouseEnter(this);
      if (!enter && OnMouseLeave && CanFire()) OnMouseLeave(this);
      return;
    }
    default:
      fw::TButton::WndProc(m);
      return;
    }
  }
  if (HandleSkinned(m)) return;
  fw::TButton::WndProc(m);
}

}  // namespace skinctrl
