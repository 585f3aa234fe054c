#include "skinctrl/controls/sButton.h"

#include <windowsx.h>

#include <algorithm>
#include <optional>

#include "skin/ConstData.h"
#include "framework/Forms.h"
#include "framework/Trace.h"
#include "skin/sSkinManager.h"
#include "skinctrl/controls/ControlPaint.h"
#include "skinctrl/gdi/SkinTextGdi.h"
#include "skinctrl/paint/PixelMath.h"
#include "skinctrl/paint/SkinImages.h"
#include "skinctrl/state/ControlClasses.h"

namespace skinctrl {

using skin::SkinCommandOf;
using skin::WM_SKINCMD;

TsButton::TsButton(fw::TComponent* owner)
    : fw::TButton(owner), FCommonData(std::make_unique<TsCtrlSkinData>(this, COC_Button)) {
  // A second click in quick succession is a click of its own.
  SetControlStyle(ControlStyle() & ~(fw::csOpaque | fw::csDoubleClicks));
  if (!Loading()) FCommonData->Loaded(true);
}

TsButton::~TsButton() {
  SetDestroying();
  AbortAnimation(*FCommonData);
  // WM_DESTROY must still find the skin data.
  DestroyHandle();
}

void TsButton::Loaded() {
  fw::TButton::Loaded();
  FCommonData->Loaded(true);
}

void TsButton::CreateParams(fw::TCreateParams& params) {
  fw::TButton::CreateParams(params);
  params.Style = (params.Style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
}

void TsButton::DestroyWnd() {
  AbortAnimation(*FCommonData);
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

int TsButton::CurrentState() {
  const TsCtrlSkinData& data = *FCommonData;
  const bool pushed =
      FForcePressed || (HandleAllocated() && (::SendMessageW(HandleIfAllocated(), BM_GETSTATE, 0, 0) & BST_PUSHED));
  const skin::TsSkinManager* manager = data.SkinManager();
  const bool noHover = manager && manager->Options().NoMouseHover;
  const bool heldOnIt = FMouseClicked && ::GetKeyState(VK_LBUTTON) < 0;
  if ((pushed && (data.FMouseAbove || !heldOnIt || noHover)) || FDown) return 2;
  if (CommonState(data) == 0) return Default() ? 3 : 0;
  return 1;
}

TacColoring TsButton::GetColoring() {
  TacColoring coloring;
  const int state = CurrentState();
  if (FCommonData->FColorTone != NoColor) {
    coloring.ColorToneBG = FCommonData->FColorTone;
  } else {
    // OK and Yes in green, Cancel and No in red: palette references, which
    // an active skin gives its own colours.
    struct Colours {
      TColor Text, TextActive, Tone, ToneActive;
    };
    constexpr auto c = [](std::uint32_t value) { return static_cast<TColor>(value); };
    constexpr Colours green{c(0xFF28851A), c(0xFF008E00), c(0xFFE1FFD2), c(0xFFCDFFB4)};
    constexpr Colours red{c(0xFF0000B4), c(0xFF0000A2), c(0xFFD5D5FF), c(0xFFBDBDFF)};
    const Colours* colours = nullptr;
    switch (ModalResult()) {
    case fw::mrOk:
    case fw::mrYes: colours = &green; break;
    case fw::mrCancel:
    case fw::mrNo: colours = &red; break;
    default: break;
    }
    if (colours) {
      const skin::TsSkinManager* manager = FCommonData->SkinManager();
      const unsigned kinds = manager ? manager->ButtonsOptions().ModalButtonsColoring : 0;
      const TColor text = state == 0 ? colours->Text : colours->TextActive;
      if (!manager || (kinds & skin::bcGlyph)) coloring.ColorGlyph = text;
      if (FCommonData->Skinned()) {
        if (kinds & skin::bcText) coloring.ColorText = text;
        if (kinds & skin::bcBackground) coloring.ColorToneBG = state == 0 ? colours->Tone : colours->ToneActive;
      }
    }
  }
  if (OnGetColoring) OnGetColoring(this, state, coloring);
  return coloring;
}

// ---------------------------------------------------------------- geometry

SIZE TsButton::CaptionSize() {
  return MeasureText(Font().Handle(), Caption(), Width() - 2 * FContentMargin,
                     DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : DT_SINGLELINE));
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
  TsCtrlSkinData& data = *FCommonData;
  if (!data.Skinned()) return false;
  skin::TsSkinManager* manager = data.SkinManager();
  TBackgroundRequest request;
  QueryParentBackground(request, Parent(), nullptr, false, manager);
  if (request.BgType == btNotReady) {
    data.FUpdating = true;
    return false;
  }
  const TCacheInfo ci = BackgroundToCacheInfo(request, manager);
  const ScanLines cache = LinesOf(EnsureCacheBitmap(data));
  if (cache.Empty()) return false;
  const skin::SkinModel* model = &manager->Model();
  const skin::TsGeneralData& section = *data.Section();
  int s = CurrentState();
  if (s == 3 && section.States < 4)
    s = 1;
  else
    s = std::clamp(s, 0, std::max(section.States - 1, 0));

  const TControlLook look = LookOf(data);
  const TRect rect{0, 0, Width(), Height()};
  PaintSectionBackground(model, data.SkinIndex, ci, s, look.CustomColor, -1, -1, cache, {Left(), Top()}, rect);
  TCacheInfo atButton = ci;
  atButton.X += Left();
  atButton.Y += Top();
  if (model->IsValidImgIndex(data.BorderIndex)) {
    const skin::TsMaskData& image = model->ma[static_cast<std::size_t>(data.BorderIndex)];
    if (s > 0 || (image.DrawMode & dmNotInNormal) == 0)
      DrawBorderImage(cache, rect, atButton, true, s, model, image);
  }
  const TacColoring coloring = GetColoring();
  if (coloring.ColorToneBG != NoColor)
    TransformPixels(cache, TonePixel, ResolveSkinColor(coloring.ColorToneBG, manager), KeyColor);
  if (look.HUEOffset != 0) TransformPixels(cache, HuePixel, look.HUEOffset, KeyColor);
  if (look.Saturation != 0) TransformPixels(cache, SaturationPixel, SaturationWeight(look.Saturation), KeyColor);
  if (coloring.ColorToneBG != NoColor || look.HUEOffset != 0 || look.Saturation != 0)
    RestoreCorners(cache, model, data.SkinIndex, s, atButton, crAll);

  DrawCaption(coloring.ColorText);

  if (!Enabled()) {
    const TColor parentColor = static_cast<TColor>(SendSkinCommandToControl(Parent(), skin::SKC_GETBGCOLOR));
    PaintDisabled(cache, FDisabledKind, {Left(), Top()}, ci, parentColor);
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
      DrawPlainText(CacheLines(*FCommonData), Font().Handle(), caption, r, flags,
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
  const ScanLines cache = CacheLines(*FCommonData);
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
  fw::trace::Mark(fw::trace::TPoint::ButtonPaint);
  std::optional<fw::PaintDc> paint;
  if (!given) paint.emplace(wnd);
  HDC dc = given ? given : paint->get();
  TsCtrlSkinData& data = *FCommonData;
  if (CheckUpdating(data, false)) return;
  const TacThreadedTimer* fade = Animating(data) ? data.AnimTimer.get() : nullptr;
  if (fade && (fade->BmpOut || fade->BmpFrom)) {
    CopyBitmapToDc(fade->BmpOut ? *fade->BmpOut : *fade->BmpFrom, dc);
    return;
  }
  RECT clip;
  if (::GetClipBox(dc, &clip) == NULLREGION) return;
  data.BGChanged = data.BGChanged || data.HalfVisible;
  data.HalfVisible = clip.left > 0 || clip.top > 0 || clip.right < Width() || clip.bottom < Height();
  if (data.BGChanged && !PrepareCache()) return;
  CopyCacheToDc(data, dc, ClientRect());
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
  TsCtrlSkinData& data = *FCommonData;
  skin::TsSkinManager* manager = data.SkinManager();
  const bool eventAnimated =
      manager && ((FAnimatEvents & event) != 0 ||
                  ((FAnimatEvents & aeGlobalDef) != 0 && (manager->AnimEffects().ButtonsEvents & event) != 0));
  // A fade needs the old look in the cache and a window to show it in.
  const bool canFade = eventAnimated && data.FCacheBmp && !data.FCacheBmp->Empty() && Showing();
  skinctrl::StateChanged(data, state, &FadeStep, event == aeMouseEnter || event == aeMouseUp, shortFade, canFade);
}

// ---------------------------------------------------------------- input

void TsButton::MouseEnterLeave(bool enter) {
  TsCtrlSkinData& data = *FCommonData;
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
  TsCtrlSkinData& data = *FCommonData;
  const bool left = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK;
  if (!Enabled()) {
    fw::TButton::WndProc(m);
    return;
  }
  data.FUpdating = false;
  FMouseClicked = true;
  // The system button takes the press first (capture, focus, its pushed
  // state), so that the pressed look is built from the state it reports.
  // Its pushed state is not shown at once: the press fades into it.
  FFadingPress = true;
  fw::TButton::WndProc(m);
  FFadingPress = false;
  if (left && !FDown) {
    data.FUpdating = CheckUpdating(data, false);
    data.BGChanged = false;
    StateChanged(2, true, aeMouseDown);
  }
}

void TsButton::MouseUp(fw::TMessage& m) {
  TsCtrlSkinData& data = *FCommonData;
  if (!Enabled() || !FMouseClicked) {
    fw::TButton::WndProc(m);
    return;
  }
  FMouseClicked = false;
  if (m.Msg == WM_LBUTTONUP) fw::trace::Mark(fw::trace::TPoint::ButtonUp);
  if (m.Msg == WM_LBUTTONUP && Animating(data)) {
    // A quick click: the pressed face is shown whole for a moment before
    // the button fades back.
    AbortAnimation(data);
    data.BGChanged = true;
    FForcePressed = true;
    data.Invalidate(true);
    FForcePressed = false;
    ::Sleep(30);
    fw::trace::Mark(fw::trace::TPoint::ButtonPressedShown);
  }
  // Releasing clicks the button (its handler runs in here). The pressed
  // look stays in the cache: the release fades out of it.
  FFadingPress = true;
  fw::TButton::WndProc(m);
  FFadingPress = false;
  if (Destroying() || !HandleAllocated()) return;
  data.FUpdating = false;
  data.BGChanged = false;
  if (m.Msg == WM_LBUTTONUP && data.FMouseAbove) {
    StateChanged(1, true, aeMouseUp);
  } else {
    data.BGChanged = true;
    data.Invalidate(false);
  }
}

LRESULT TsButton::HitTest(fw::TMessage& m) {
  const TsCtrlSkinData& data = *FCommonData;
  const skin::SkinModel* model = data.Skinned() ? &data.SkinManager()->Model() : nullptr;
  if (model && model->IsValidImgIndex(data.BorderIndex)) {
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

// The commands the button answers itself; false for the common ones.
bool TsButton::HandleSkinCommand(fw::TMessage& m) {
  TsCtrlSkinData& data = *FCommonData;
  const bool forManager = reinterpret_cast<skin::TsSkinManager*>(m.LParam) == data.SkinManager();
  switch (SkinCommandOf(m.WParam)) {
  case skin::SKC_SKINREMOVED:
    if (forManager && !Destroying()) {
      skinctrl::HandleSkinCommand(m, data);
      data.Invalidate(false);
    }
    return true;
  case skin::SKC_REFRESH:
    if (forManager) {
      if (HWND wnd = HandleIfAllocated()) ::SetWindowRgn(wnd, nullptr, FALSE);
      skinctrl::HandleSkinCommand(m, data);
    }
    return true;
  case skin::SKC_GETSKININDEX: {
    const skin::TsSkinManager* manager = data.SkinManager();
    m.Result = manager ? manager->ConstData.Sections[skin::ssButton] + 1 : 0;
    return true;
  }
  case skin::SKC_PREPARECACHE: m.Result = PrepareCache() ? 0 : 1; return true;
  case skin::SKC_GETCOLORING:
    if (m.LParam && skin::IsTrustedSkinCommand()) {
      *reinterpret_cast<TacColoring*>(m.LParam) = GetColoring();
      m.Result = 1;
    }
    return true;
  case skin::SKC_ISSKINNED: m.Result = 1; return true;
  case skin::SKC_STOPUPDATING:
    if (!data.FUpdating) return false;
    if (!CheckUpdating(data, true)) data.Invalidate(false);
    return true;
  default: return false;
  }
}

bool TsButton::HandleSkinned(fw::TMessage& m) {
  TsCtrlSkinData& data = *FCommonData;
  auto withoutRedraw = [&] {
    HWND wnd = HandleIfAllocated();
    ::SendMessageW(wnd, WM_SETREDRAW, FALSE, 0);
    fw::TButton::WndProc(m);
    if (!::IsWindow(wnd)) return;
    ::SendMessageW(wnd, WM_SETREDRAW, TRUE, 0);
    // Switching redrawing off hides the window and switching it on does not
    // draw it again. It is invalidated here, also while the form is still on
    // its way to the screen: the button takes the focus then, before it
    // counts as showing.
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  };
  switch (m.Msg) {
  case WM_MOVE:
    if (const skin::TsGeneralData* section = data.Section(); section && section->Props[0].Transparency > 0) {
      data.BGChanged = true;
      data.Invalidate(false);
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
    if (!Animating(data)) data.Invalidate(false);
    return true;
  case WM_KILLFOCUS:
    if (!Enabled()) return false;
    AbortAnimation(data);
    withoutRedraw();
    data.FFocused = false;
    data.BGChanged = true;
    data.Invalidate(false);
    return true;
  case WM_ENABLE:
    // The system button would paint itself.
    return true;
  case WM_PAINT:
    if (Parent() && !paintGuard_.Run(data.SkinManager(), HandleIfAllocated(),
                                     [&] { PaintButton(reinterpret_cast<HDC>(m.WParam)); }))
      PaintPlainLook(HandleIfAllocated(), reinterpret_cast<HDC>(m.WParam), true);
    m.Result = 0;
    return true;
  case WM_ERASEBKGND:
    if (m.WParam && !data.FCacheBmp->Empty() && !CheckUpdating(data, false)) {
      if (data.BGChanged) PrepareCache();
      if (!data.BGChanged && !Animating(data)) CopyCacheToDc(data, reinterpret_cast<HDC>(m.WParam), ClientRect());
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
    if (!FFadingPress && (CurrentState() == 2) != before) {
      AbortAnimation(data);
      data.BGChanged = true;
      data.Invalidate(true);
    }
    return true;
  }
  case fw::CM_DIALOGCHAR:
    if (m.WParam == VK_SPACE && Enabled() && Focused()) {
      AbortAnimation(data);
      data.BGChanged = true;
      data.Invalidate(false);
    }
    return false;
  case fw::CM_TEXTCHANGED:
    AbortAnimation(data);
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
    AbortAnimation(data);
    data.BGChanged = true;
    data.Invalidate(true);
    return true;
  case WM_SETFONT:
  case fw::CM_FONTCHANGED:  // a change of colour alone sends no WM_SETFONT
  case fw::CM_VISIBLECHANGED:
    fw::TButton::WndProc(m);
    data.FUpdating = false;
    AbortAnimation(data);
    data.BGChanged = true;
    data.Invalidate(false);
    return true;
  default:
    return false;
  }
}

void TsButton::WndProc(fw::TMessage& m) {
  TsCtrlSkinData& data = *FCommonData;
  if (m.Msg == WM_SKINCMD) {
    if (!HandleSkinCommand(m) && !skinctrl::HandleSkinCommand(m, data)) fw::TButton::WndProc(m);
    return;
  }
  if (data.Skinned(true) && HandleAllocated()) {
    if (HandleSkinned(m)) return;
  } else {
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
    default: break;
    }
  }
  if (HandleCommonMessage(m, data)) return;
  fw::TButton::WndProc(m);
}

}  // namespace skinctrl
