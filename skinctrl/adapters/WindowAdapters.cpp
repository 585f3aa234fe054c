#include "skinctrl/adapters/WindowAdapters.h"

#include <algorithm>
#include <optional>

#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/Subclass.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/menus/sPopupMenus.h"
#include "skinctrl/paint/ArrowPaint.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skinctrl/paint/SkinImages.h"
#include "skinctrl/state/ClassBrush.h"
#include "skinctrl/state/CommonDataDetail.h"

namespace skinctrl {

namespace {

constexpr wchar_t kAdapterProp[] = L"ACSBSC";

// Visual styles off for an adapted window: the adapter paints what the theme
// would. The theme library is looked up once and kept for the process.
void SwitchThemeOff(HWND wnd) noexcept {
  using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  static const SetWindowThemeFn setWindowTheme = [] {
    const HMODULE uxtheme = ::LoadLibraryW(L"uxtheme.dll");
    return uxtheme ? reinterpret_cast<SetWindowThemeFn>(
                         reinterpret_cast<void*>(::GetProcAddress(uxtheme, "SetWindowTheme")))
                   : nullptr;
  }();
  if (setWindowTheme) setWindowTheme(wnd, L" ", L" ");
}

void FrameChanged(HWND wnd) noexcept {
  ::SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ShiftDown() noexcept { return ::GetKeyState(VK_SHIFT) < 0; }

POINT MessagePoint() noexcept {
  const DWORD pos = ::GetMessagePos();
  return {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
}

POINT LParamPoint(LPARAM lParam) noexcept {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

bool IsScrollHit(WPARAM hit) noexcept { return hit == HTHSCROLL || hit == HTVSCROLL; }

struct BarSections {
  const char* TrackBefore;
  const char* TrackAfter;
  const char* FirstArrow;
  const char* SecondArrow;
  const char* Thumb;
};
constexpr BarSections kHorzSections{"SCROLLBAR1H", "SCROLLBAR2H", "SCROLLBTNLEFT", "SCROLLBTNRIGHT", "SCROLLSLIDERH"};
constexpr BarSections kVertSections{"SCROLLBAR1V", "SCROLLBAR2V", "SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLSLIDERV"};

}  // namespace

TacScrollTracking& ScrollTracking() noexcept {
  static TacScrollTracking tracking;
  return tracking;
}

TacMainWnd* AdapterOf(HWND wnd) noexcept {
  return fw::IsOwnProcessWindow(wnd) ? static_cast<TacMainWnd*>(::GetPropW(wnd, kAdapterProp)) : nullptr;
}

// ------------------------------------------------------------ scroll data

void TacScrollData::SetScrollWidth(int value) {
  if (value == FScrollWidth) return;
  FScrollWidth = value;
  owner_->Invalidate();
}

void TacScrollData::SetButtonsSize(int value) {
  if (value == FButtonsSize) return;
  FButtonsSize = value;
  owner_->Invalidate();
}

// ------------------------------------------------------------ TacMainWnd

TacMainWnd::TacMainWnd(HWND wnd, TsCommonData* skinData, skin::TsSkinManager* manager,
                       const TacSkinParams& params, std::uint8_t ownedCoc)
    : CtrlHandle(wnd), SkinManager(manager), SkinData(skinData), params_(params) {
  if (!SkinData) {
    auto owned = std::make_unique<TsScrollWndData>(nullptr, wnd, ownedCoc);
    owned->FOwnerControl = params.Control;
    owned->SetCustomColor(!params.UseSkinColor);
    owned->SetCustomFont(!params.UseSkinFontColor);
    owned->SetSkinManager(manager);
    if (!params.SkinSection.empty()) owned->SetSkinSection(params.SkinSection);
    owned->FHorzScrollData.FScrollWidth = params.HorzScrollSize;
    owned->FVertScrollData.FScrollWidth = params.VertScrollSize;
    owned->FHorzScrollData.FButtonsSize = params.HorzScrollBtnSize;
    owned->FVertScrollData.FButtonsSize = params.VertScrollBtnSize;
    SkinData = owned.get();
    ownedData_ = std::move(owned);
    OwnSkinData = true;
  }
  SkinData->FSWHandle = wnd;
}

TacMainWnd::~TacMainWnd() {
  ReleaseAdapter();
  if (::GetPropW(CtrlHandle, kAdapterProp) == this) ::RemovePropW(CtrlHandle, kAdapterProp);
}

bool TacMainWnd::OwnManager(LPARAM lParam) const noexcept {
  return lParam != 0 && reinterpret_cast<skin::TsSkinManager*>(lParam) == SkinData->SkinManager();
}

void TacMainWnd::Attach(bool repaint) {
  if (params_.SkinSection != "DIALOG") SwitchThemeOff(CtrlHandle);
  SaveStdParams();
  ParamsChanged = false;
  fw::TControl* control = OwnerControl();
  auto* windowed = dynamic_cast<fw::TWinControl*>(control);
  if (windowed && windowed->HandleIfAllocated() == CtrlHandle) {
    control_ = control;
    control->WindowProc.Install(this, [this](fw::TMessage& m) { Route(m); });
  } else {
    fw::InstallSubclass(CtrlHandle, this, [this](HWND, fw::TMessage& m) { Route(m); });
  }
  attached_ = true;
  if (repaint) FrameChanged(CtrlHandle);
  if (control) {
    OldCtrlStyle = control->ControlStyle();
    control->SetControlStyle(OldCtrlStyle | fw::csOpaque);
  }
  AfterCreation();
}

void TacMainWnd::AfterCreation() {
  SkinData->Loading = false;
  if (OwnSkinData) {
    SkinData->UpdateIndexes(true);
    SkinData->InitCommonProp();
  }
}

void TacMainWnd::Route(fw::TMessage& m) {
  // An adapter that let go of its window while one of the window's messages
  // ran still sees that message's successors from the same dispatch: they
  // belong to the window's own procedure.
  if (Destroyed) {
    CallPrevWndProc(m);
    return;
  }
  acWndProc(m);
}

void TacMainWnd::ReleaseAdapter() noexcept {
  if (!attached_) return;
  attached_ = false;
  if (control_) {
    control_->WindowProc.Remove(this);
    control_->SetControlStyle(OldCtrlStyle);
  } else {
    fw::RemoveSubclass(CtrlHandle, this);
  }
  RestoreStdParams();
  if (::IsWindow(CtrlHandle) && ::IsWindowVisible(CtrlHandle)) FrameChanged(CtrlHandle);
  if (OwnSkinData) SkinData->ClearLinks();
  Destroyed = true;
}

void TacMainWnd::RestoreStdParams() noexcept {
  if (OwnSkinData) SkinData->RemoveCommonProp();
  if (::GetPropW(CtrlHandle, kAdapterProp) == this) ::RemovePropW(CtrlHandle, kAdapterProp);
  RestoreSkinClassBrush(CtrlHandle);
}

void TacMainWnd::SetSkinParams() {
  ParamsChanged = true;
  if (SkinManager && SkinManager->Brushes[0]) SetSkinClassBrush(CtrlHandle, SkinManager->Brushes[0].get());
}

void TacMainWnd::acWndProc(fw::TMessage& m) { CallPrevWndProc(m); }

void TacMainWnd::CallPrevWndProc(fw::TMessage& m) noexcept {
  try {
    if (control_)
      control_->WindowProc.CallNext(this, m);
    else
      fw::CallNextSubclass(CtrlHandle, this, m);
  } catch (...) {
    m.Result = 0;
  }
}

LRESULT TacMainWnd::ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  fw::TMessage m{msg, wParam, lParam, 0};
  acWndProc(m);
  return m.Result;
}

void TacMainWnd::MeasureWindow() {
  ::GetWindowRect(CtrlHandle, &WndRect);
  WndSize = {WndRect.right - WndRect.left, WndRect.bottom - WndRect.top};
  ParentWnd = ::GetParent(CtrlHandle);
  POINT pos{WndRect.left, WndRect.top};
  if (ParentWnd) {
    ::GetWindowRect(ParentWnd, &ParentRect);
    ::ScreenToClient(ParentWnd, &pos);
  }
  WndPos = pos;
}

// ------------------------------------------------------------ TacScrollWnd

TacScrollWnd::TacScrollWnd(HWND wnd, TsCommonData* skinData, skin::TsSkinManager* manager,
                           const TacSkinParams& params, std::uint8_t ownedCoc)
    : TacMainWnd(wnd, skinData, manager, params, ownedCoc),
      sBarHorz(std::make_unique<TacScrollBar>()),
      sBarVert(std::make_unique<TacScrollBar>()) {
  const LONG_PTR style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
  sBarHorz->sw = sBarVert->sw = this;
  sBarHorz->nBarType = SB_HORZ;
  sBarVert->nBarType = SB_VERT;
  sBarHorz->fScrollFlags = (style & WS_HSCROLL) ? TacScrollBar::HasStyle : 0;
  sBarVert->fScrollFlags = (style & WS_VSCROLL) ? TacScrollBar::HasStyle : 0;
  ReadScrollInfo(*sBarHorz);
  ReadScrollInfo(*sBarVert);
  fLeftScrollbar = (::GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
  ::SetPropW(wnd, kAdapterProp, static_cast<TacMainWnd*>(this));
}

TacScrollWnd::~TacScrollWnd() {
  // Let go here, while this class's restoring still runs.
  ReleaseAdapter();
  TacScrollTracking& t = ScrollTracking();
  if (t.HoverWnd == CtrlHandle) {
    t.HoverWnd = nullptr;
    t.HoverBar = t.HoverPortion = t.PrevHoverPortion = -1;
  }
  if (t.PressWnd == CtrlHandle) ResetPress();
}

void TacScrollWnd::RestoreStdParams() noexcept {
  TacMainWnd::RestoreStdParams();
  TacScrollTracking& t = ScrollTracking();
  if (::IsWindow(CtrlHandle)) {
    ::KillTimer(CtrlHandle, ScrollHoverTimer);
    ::KillTimer(CtrlHandle, ScrollFirstRepeatTimer);
    ::KillTimer(CtrlHandle, ScrollRepeatTimer);
  }
  if (t.HoverWnd == CtrlHandle) {
    t.HoverWnd = nullptr;
    t.HoverBar = t.HoverPortion = t.PrevHoverPortion = -1;
  }
  if (t.PressWnd == CtrlHandle) {
    if (::GetCapture() == CtrlHandle) ::ReleaseCapture();
    ResetPress();
  }
  fThumbTracking = false;
}

void TacScrollWnd::ReadScrollInfo(TacScrollBar& bar) const {
  bar.ScrollInfo = SCROLLINFO{};
  bar.ScrollInfo.cbSize = sizeof(SCROLLINFO);
  bar.ScrollInfo.fMask = SIF_ALL;
  if (!::GetScrollInfo(CtrlHandle, bar.nBarType, &bar.ScrollInfo)) {
    bar.ScrollInfo = SCROLLINFO{};
    bar.ScrollInfo.cbSize = sizeof(SCROLLINFO);
  }
  /* Arrows disabled with EnableScrollBar: Wine reports a bar disabled that
     way only through the states of its two arrows, not of the bar. */
  SCROLLBARINFO info{};
  info.cbSize = sizeof info;
  bar.fScrollFlags &= ~(TacScrollBar::FirstArrowDisabled | TacScrollBar::SecondArrowDisabled);
  if (::GetScrollBarInfo(CtrlHandle, bar.nBarType == SB_VERT ? OBJID_VSCROLL : OBJID_HSCROLL, &info)) {
    if (info.rgstate[1] & STATE_SYSTEM_UNAVAILABLE) bar.fScrollFlags |= TacScrollBar::FirstArrowDisabled;
    if (info.rgstate[5] & STATE_SYSTEM_UNAVAILABLE) bar.fScrollFlags |= TacScrollBar::SecondArrowDisabled;
  }
}

int TacScrollWnd::ScrollBarThickness(const TacScrollBar& bar) const {
  if (auto* data = dynamic_cast<TsScrollWndData*>(SkinData)) {
    const int own = bar.nBarType == SB_HORZ ? data->FHorzScrollData.FScrollWidth : data->FVertScrollData.FScrollWidth;
    if (own >= 0) return own;
  }
  if (SkinManager && SkinManager->ScrollsOptions().ScrollSize >= 0) return SkinManager->ScrollsOptions().ScrollSize;
  if (!SkinManager) return ::GetSystemMetrics(SM_CXVSCROLL);
  const int system = fw::SystemMetricForDpi(SM_CXVSCROLL, SkinManager->MetricsDpi());
  const skin::TacScaleMode mode = SkinManager->Options().ScaleMode;
  return mode == skin::smAuto || mode == skin::smOldMode ? system : SkinManager->ScaleInt(system);
}

int TacScrollWnd::ScrollArrowLength(const TacScrollBar& bar) const {
  if (auto* data = dynamic_cast<TsScrollWndData*>(SkinData)) {
    const int own = bar.nBarType == SB_HORZ ? data->FHorzScrollData.FButtonsSize : data->FVertScrollData.FButtonsSize;
    if (own >= 0) return own;
  }
  if (SkinManager && SkinManager->ScrollsOptions().ButtonsSize >= 0) return SkinManager->ScrollsOptions().ButtonsSize;
  if (bar.nArrowLength >= 0) return bar.nArrowLength;
  return ScrollBarThickness(bar);
}

RECT TacScrollWnd::BarRect(const TacScrollBar& bar) const {
  if (!bar.fScrollVisible) return {};
  RECT w;
  ::GetWindowRect(CtrlHandle, &w);
  RECT r{};
  const int vThick = sBarVert->fScrollVisible ? ScrollBarThickness(*sBarVert) : 0;
  if (bar.nBarType == SB_HORZ) {
    r.left = w.left + cxLeftEdge + (fLeftScrollbar ? vThick : 0);
    r.right = w.right - cxRightEdge - (fLeftScrollbar ? 0 : vThick);
    r.bottom = w.bottom - cyBottomEdge;
    r.top = r.bottom - ScrollBarThickness(bar);
  } else {
    r.top = w.top + cyTopEdge;
    r.bottom = w.bottom - cyBottomEdge - (sBarHorz->fScrollVisible ? ScrollBarThickness(*sBarHorz) : 0);
    if (fLeftScrollbar) {
      r.left = w.left + cxLeftEdge;
      r.right = r.left + ScrollBarThickness(bar);
    } else {
      r.right = w.right - cxRightEdge;
      r.left = r.right - ScrollBarThickness(bar);
    }
  }
  const bool vertical = bar.nBarType == SB_VERT;
  if (bar.fButVisibleBefore) (vertical ? r.top : r.left) += bar.nButSizeBefore;
  if (bar.fButVisibleAfter) (vertical ? r.bottom : r.right) -= bar.nButSizeAfter;
  return r;
}

TBarSpan TacScrollWnd::Span(const TacScrollBar& bar, const RECT& r) const {
  TBarSpan span;
  const bool vertical = bar.nBarType == SB_VERT;
  span.Start = vertical ? r.top : r.left;
  span.Length = vertical ? r.bottom - r.top : r.right - r.left;
  span.ArrowLength = ScrollArrowLength(bar);
  span.MinThumbSize = MinThumbSize(bar);
  return span;
}

int TacScrollWnd::MinThumbSize(const TacScrollBar& bar) const {
  return SkinManager ? SkinManager->ScaleInt(bar.nMinThumbSize) : bar.nMinThumbSize;
}

namespace {
TScrollInfo InfoOf(const SCROLLINFO& si) noexcept {
  return {si.nMin, si.nMax, static_cast<int>(si.nPage), si.nPos, si.nTrackPos};
}
}  // namespace

bool TacScrollWnd::ScrollBarEnabled(const TacScrollBar& bar) const {
  SCROLLBARINFO info{};
  info.cbSize = sizeof info;
  if (!::GetScrollBarInfo(CtrlHandle, bar.nBarType == SB_VERT ? OBJID_VSCROLL : OBJID_HSCROLL, &info)) {
    const LONG_PTR style = ::GetWindowLongPtrW(CtrlHandle, GWL_STYLE);
    return (style & (bar.nBarType == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
  }
  const int both = TacScrollBar::FirstArrowDisabled | TacScrollBar::SecondArrowDisabled;
  if ((bar.fScrollFlags & both) == both) return false;
  const SCROLLINFO& si = bar.ScrollInfo;
  if ((bar.fScrollFlags & 4) != 0 && !(si.nMax >= static_cast<int>(si.nPage) && si.nMin < si.nMax && si.nMax != 0))
    return false;
  return (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0;
}

int TacScrollWnd::HitTestBar(const TacScrollBar& bar, POINT p) const {
  const RECT r = BarRect(bar);
  if (::IsRectEmpty(&r)) return spNone;
  const bool vertical = bar.nBarType == SB_VERT;
  if (vertical ? (p.x < r.left || p.x >= r.right) : (p.y < r.top || p.y >= r.bottom)) return spNone;
  const int at = vertical ? p.y : p.x;
  const TBarSpan span = Span(bar, r);
  if (at < span.Start || at >= span.Start + span.Length) return spNone;
  return ScrollHitTest(InfoOf(bar.ScrollInfo), span, at, ShiftDown());
}

void TacScrollWnd::CalcScrollFrame(fw::TMessage& m) {
  auto* rect = reinterpret_cast<RECT*>(m.LParam);
  const RECT window = *rect;
  const LONG_PTR style = ::GetWindowLongPtrW(CtrlHandle, GWL_STYLE);
  const LONG_PTR bars = style & (WS_HSCROLL | WS_VSCROLL);
  if (bars != 0) {
    /* Without its scroll-bar styles the window's own calculation reserves
       no room for system bars; the styles (and with them the window's
       scroll information) come back at once. */
    bPreventStyleChange = true;
    ::SetWindowLongPtrW(CtrlHandle, GWL_STYLE, style & ~bars);
    CallPrevWndProc(m);
    ::SetWindowLongPtrW(CtrlHandle, GWL_STYLE, style);
    bPreventStyleChange = false;
  } else {
    CallPrevWndProc(m);
  }
  RECT& client = *rect;
  if (SkinData->COC != COC_FormFrame && SkinData->COC != 10) {
    if (const skin::TsGeneralData* section = SkinData->Section();
        section && section->ScrollBorderOffset < 0 && client.left - window.left > 1) {
      ::InflateRect(&client, -section->ScrollBorderOffset, -section->ScrollBorderOffset);
    }
  }
  cxLeftEdge = client.left - window.left;
  cxRightEdge = window.right - client.right;
  cyTopEdge = client.top - window.top;
  cyBottomEdge = window.bottom - client.bottom;
  sBarHorz->fScrollFlags = (style & WS_HSCROLL) ? TacScrollBar::HasStyle : 0;
  sBarVert->fScrollFlags = (style & WS_VSCROLL) ? TacScrollBar::HasStyle : 0;
  const int hThick = ScrollBarThickness(*sBarHorz);
  sBarHorz->fScrollVisible = sBarHorz->fScrollFlags != 0 && client.bottom - client.top >= hThick;
  if (sBarHorz->fScrollVisible) client.bottom -= hThick;
  const int vThick = ScrollBarThickness(*sBarVert);
  sBarVert->fScrollVisible = sBarVert->fScrollFlags != 0 && client.right - client.left >= vThick;
  if (sBarVert->fScrollVisible) (fLeftScrollbar ? client.left += vThick : client.right -= vThick);
  ScrollsInitialized = true;
}

LRESULT TacScrollWnd::HitTest(POINT p) {
  for (TacScrollBar* bar : {sBarHorz.get(), sBarVert.get()}) {
    const RECT r = BarRect(*bar);
    if (!::IsRectEmpty(&r) && ::PtInRect(&r, p)) {
      ReadScrollInfo(*bar);
      if (!ScrollBarEnabled(*bar)) return HTNOWHERE;
      return bar->nBarType == SB_VERT ? HTVSCROLL : HTHSCROLL;
    }
  }
  if (const RECT grip = GripRect(); ::PtInRect(&grip, p) && GripOnCorner()) return HTBOTTOMRIGHT;
  fw::TMessage m{WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y), 0};
  CallPrevWndProc(m);
  return m.Result;
}

RECT TacScrollWnd::GripRect() const {
  if (!sBarHorz->fScrollVisible || !sBarVert->fScrollVisible) return {};
  const RECT h = BarRect(*sBarHorz), v = BarRect(*sBarVert);
  return RECT{v.left, h.top, v.right, h.bottom};
}

bool TacScrollWnd::GripOnCorner() const {
  // The grip sizes the window it stands in only from that window's corner.
  const HWND parent = ::GetParent(CtrlHandle);
  if (!parent || (::GetWindowLongPtrW(parent, GWL_STYLE) & WS_CHILD)) return false;
  RECT client{}, window{};
  ::GetClientRect(parent, &client);
  ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
  ::GetWindowRect(CtrlHandle, &window);
  return window.bottom == client.bottom && (fLeftScrollbar ? window.left == client.left : window.right == client.right);
}

void TacScrollWnd::UpdateScrolls(bool repaint) {
  if (DontRepaint || Destroyed || CheckUpdating(*SkinData)) return;
  ReadScrollInfo(*sBarHorz);
  ReadScrollInfo(*sBarVert);
  if (repaint && (sBarHorz->fScrollVisible || sBarVert->fScrollVisible)) {
    fw::NonClientDc dc(CtrlHandle);
    PaintScrollBars(dc.get());
  }
}

TacSolidArrowStyle ArrowStyleOf(const skin::TsSkinManager& manager) {
  skin::TacArrowsStyle style = manager.Options().ArrowsStyle;
  if (style == skin::TacArrowsStyle::arsDefault) {
    const int fromSkin = manager.CommonSkinData.ArrowStyle;
    style = fromSkin >= 0 && fromSkin <= 3 ? static_cast<skin::TacArrowsStyle>(fromSkin) : skin::TacArrowsStyle::arsSolid1;
  }
  // The line styles are drawn as the solid triangle of the same size.
  return style == skin::TacArrowsStyle::arsSolid2 || style == skin::TacArrowsStyle::arsLines2 ? TacSolidArrowStyle::Solid2
                                                                                              : TacSolidArrowStyle::Solid1;
}

void TacScrollWnd::PaintScrollBars(HDC dc) {
  if (!dc || fThumbTracking || !SkinData->Skinned() || !::IsWindowVisible(CtrlHandle) || CheckUpdating(*SkinData))
    return;
  if (fw::TControl* control = OwnerControl(); control && control->Destroying()) return;
  PaintBar(dc, *sBarHorz);
  PaintBar(dc, *sBarVert);
  if (sBarHorz->fScrollVisible && sBarVert->fScrollVisible) PaintGrip(dc);
}

void TacScrollWnd::PaintGrip(HDC dc) {
  const skin::TsSkinManager& m = *SkinManager;
  const int index = m.GetSkinIndex("SCROLLBAR1H");
  const RECT grip = GripRect();
  if (index < 0 || ::IsRectEmpty(&grip)) return;
  const skin::TsGenState& state = SectionState(m.gd()[static_cast<std::size_t>(index)], 0);
  TColor color = state.Color;
  if (state.Transparency >= 100 || color == KeyColor) color = m.GetGlobalColor();
  const ColorSource colors = ColorsOf(&m);
  color = ResolveSkinColor(color, colors);
  if (!ScrollBarEnabled(*sBarHorz) || !ScrollBarEnabled(*sBarVert))
    color = MixColors(color, ResolveSkinColor(StateBackgroundColor(*SkinData, 0), colors), 102);
  TDibBitmap bmp(grip.right - grip.left, grip.bottom - grip.top);
  const ScanLines lines = bmp.Lines();
  if (lines.Empty()) return;
  const skin::TRect whole{0, 0, lines.Width, lines.Height};
  FillSectionLayers(lines, whole, TSectionLayers{0, 0, color}, nullptr);
  const skin::SkinModel* model = &m.Model();
  if (model->IsValidImgIndex(m.ConstData.GripRightBottom) && GripOnCorner()) {
    const skin::TsMaskData& image = m.ma()[static_cast<std::size_t>(m.ConstData.GripRightBottom)];
    PutSkinImage(lines, {lines.Width - image.Width, lines.Height - image.Height}, 0, CacheInfoOfBitmap(lines, 0, 0),
                 model, image, true);
  }
  RECT w;
  ::GetWindowRect(CtrlHandle, &w);
  CopyToDC(dc, grip.left - w.left, grip.top - w.top, bmp, RECT{0, 0, lines.Width, lines.Height});
}

void TacScrollWnd::PaintBar(HDC dc, TacScrollBar& bar, int thumbStateOverride, int thumbStartOverride) {
  const RECT screen = BarRect(bar);
  const bool vertical = bar.nBarType == SB_VERT;
  const int length = vertical ? screen.bottom - screen.top : screen.right - screen.left;
  if (::IsRectEmpty(&screen) || length <= 1 || !SkinManager) return;
  const skin::TsSkinManager& m = *SkinManager;
  const BarSections& names = vertical ? kVertSections : kHorzSections;
  const int trackBefore = m.GetSkinIndex(names.TrackBefore);
  if (trackBefore < 0) return;
  ReadScrollInfo(bar);
  const int width = screen.right - screen.left, height = screen.bottom - screen.top;
  TDibBitmap bmp(width, height);
  const ScanLines lines = bmp.Lines();
  if (lines.Empty()) return;
  const skin::SkinModel* model = &m.Model();
  const TCacheInfo ci;
  const auto along = [&](int from, int to) {
    return vertical ? skin::TRect{0, from, width, to} : skin::TRect{from, 0, to, height};
  };
  const auto paintSection = [&](const char* name, skin::TRect r, int state) {
    const int index = m.GetSkinIndex(name);
    if (index >= 0 && !r.IsEmpty()) PaintSkinSection(model, index, ci, -1, -1, lines, {0, 0}, r, state);
    return index;
  };
  // The arrow's glyph image, or a vector arrow in the section's text colour
  // where the skin brings none (thumbs get no arrow).
  const auto paintGlyph = [&](int index, skin::TRect r, int state, std::optional<TacArrowDirection> arrow) {
    if (index < 0) return;
    const int glyph = m.GetMaskIndex(index, "GLYPHMASK");
    if (!model->IsValidImgIndex(glyph)) {
      if (!arrow) return;
      const skin::TsGeneralData& section = m.gd()[static_cast<std::size_t>(index)];
      if (state == 2 && (section.ShiftOnClick || m.ButtonsOptions().ShiftContentOnClick))
        r = {r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
      DrawSolidArrow(lines, ResolveSkinColor(SectionState(section, std::min(state, 2)).FontColor.Color, ColorsOf(&m)),
                     r, *arrow, 0, ArrowStyleOf(m));
      return;
    }
    const skin::TsMaskData& image = m.ma()[static_cast<std::size_t>(glyph)];
    PutSkinImage(lines, {r.Left + (r.Width() - image.Width) / 2, r.Top + (r.Height() - image.Height) / 2}, state, ci,
                 model, image, true);
  };
  const TacArrowDirection firstArrow = vertical ? TacArrowDirection::Up : TacArrowDirection::Left;
  const TacArrowDirection secondArrow = vertical ? TacArrowDirection::Down : TacArrowDirection::Right;
  TacScrollTracking& t = ScrollTracking();
  const bool ours = t.HoverWnd == CtrlHandle || t.PressWnd == CtrlHandle;
  const bool pressedBar = t.PressWnd == CtrlHandle && t.PressBar == bar.nBarType;
  const bool hoveredBar = t.HoverWnd == CtrlHandle && t.HoverBar == bar.nBarType;
  const auto partState = [&](int portion) {
    if (!ours) return 0;
    if (pressedBar && t.PressPortion == portion && t.CurrentPortion == portion) return 2;
    if (hoveredBar && t.HoverPortion == portion) return 1;
    return 0;
  };
  const int a = ScrollArrowLength(bar);
  const bool enabled = ScrollBarEnabled(bar);
  if (length > 2 * a) {
    const TBarSpan span{0, length, a, MinThumbSize(bar)};
    TThumbMetrics thumb = GetThumbMetrics(InfoOf(bar.ScrollInfo), span);
    if (thumbStartOverride >= 0) thumb.Start = thumbStartOverride;
    const bool hasThumb = enabled && thumb.Size < length - 2 * a;
    const int centre = hasThumb ? thumb.Start + thumb.Size / 2 : length / 2;
    paintSection(names.TrackBefore, along(0, centre), partState(spTrackBefore) == 2 ? 2 : 0);
    paintSection(names.TrackAfter, along(centre, length), partState(spTrackAfter) == 2 ? 2 : 0);
    const int first = partState(spFirstArrow), second = partState(spSecondArrow);
    paintGlyph(paintSection(names.FirstArrow, along(0, a), first), along(0, a), first, firstArrow);
    paintGlyph(paintSection(names.SecondArrow, along(length - a, length), second), along(length - a, length), second,
               secondArrow);
    if (hasThumb) {
      int state = thumbStateOverride >= 0 ? thumbStateOverride : (partState(spThumb) > 0 ? 1 : 0);
      if (pressedBar && t.PressPortion == spThumb && fThumbTracking) state = 2;
      const skin::TRect r = along(thumb.Start, thumb.Start + thumb.Size);
      paintGlyph(paintSection(names.Thumb, r, state), r, state, std::nullopt);
    }
  } else {
    const int half = length / 2;
    paintSection(names.TrackBefore, along(0, half), 0);
    paintSection(names.TrackAfter, along(half, length), 0);
    const int first = partState(spFirstArrow), second = partState(spSecondArrow);
    paintGlyph(paintSection(names.FirstArrow, along(0, half), first), along(0, half), first, firstArrow);
    paintGlyph(paintSection(names.SecondArrow, along(half, length), second), along(half, length), second,
               secondArrow);
  }
  if (!enabled) {
    // Faded: 60 per cent toward the bar's background colour.
    const TColor background = SectionState(m.gd()[static_cast<std::size_t>(trackBefore)], 0).Color;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        std::uint32_t& px = lines.At(x, y);
        px = ColorToPixel(MixColors(PixelToColor(px), background, 102)) | 0xFF000000u;
      }
  }
  RECT w;
  ::GetWindowRect(CtrlHandle, &w);
  CopyToDC(dc, screen.left - w.left, screen.top - w.top, bmp, RECT{0, 0, width, height});
}

void TacScrollWnd::SendScrollMessage(UINT msg, int code, int pos) {
  const LPARAM request = MAKELPARAM(code, msg);
  const LRESULT answer = ::SendMessageW(CtrlHandle, skin::WM_SKINCMD, skin::MakeSkinWParam(skin::SKC_BEFORESCROLL), request);
  if (answer != 1 && code == SB_THUMBTRACK) {
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, pos, 0};
    ::SetScrollInfo(CtrlHandle, msg == WM_VSCROLL ? SB_VERT : SB_HORZ, &si, FALSE);
  }
  ::SendMessageW(CtrlHandle, msg, MAKEWPARAM(code, std::clamp(pos, 0, 65535)), answer == 1 ? pos : 0);
  ::SendMessageW(CtrlHandle, skin::WM_SKINCMD, skin::MakeSkinWParam(skin::SKC_AFTERSCROLL), request);
}

bool TacScrollWnd::NcMouseMove(fw::TMessage& m) {
  if (!IsScrollHit(m.WParam)) return false;
  TacScrollTracking& t = ScrollTracking();
  const int barType = m.WParam == HTVSCROLL ? SB_VERT : SB_HORZ;
  if (t.HoverWnd != CtrlHandle || t.HoverBar != barType) {
    t.HoverWnd = CtrlHandle;
    t.HoverBar = barType;
    t.HoverPortion = t.PrevHoverPortion = -1;
    RECT w, r = BarRect(Bar(barType));
    ::GetWindowRect(CtrlHandle, &w);
    ::OffsetRect(&r, -w.left, -w.top);
    t.HoverRect = r;
    ::SetTimer(CtrlHandle, ScrollHoverTimer, ScrollHoverInterval, nullptr);
    fw::NonClientDc dc(CtrlHandle);
    PaintScrollBars(dc.get());
  }
  return false;
}

void TacScrollWnd::StartAutoScroll(TacScrollBar& bar, int portion) {
  if (!ScrollBarEnabled(bar)) return;
  TacScrollTracking& t = ScrollTracking();
  t.CurrentPortion = portion;
  {
    fw::NonClientDc dc(CtrlHandle);
    PaintBar(dc.get(), bar);
  }
  SendScrollMessage(t.ScrollMsg, portion, 0);
  ::SetTimer(CtrlHandle, ScrollFirstRepeatTimer, ScrollFirstRepeatDelay, nullptr);
}

bool TacScrollWnd::NcButtonDown(fw::TMessage& m) {
  if (!IsScrollHit(m.WParam)) return false;
  TacScrollTracking& t = ScrollTracking();
  const int barType = m.WParam == HTVSCROLL ? SB_VERT : SB_HORZ;
  TacScrollBar& bar = Bar(barType);
  ReadScrollInfo(bar);
  const POINT p = LParamPoint(m.LParam);
  t.PressWnd = CtrlHandle;
  t.ScrollMsg = barType == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  t.PressBar = barType;
  t.PressPortion = HitTestBar(bar, p);
  const RECT r = BarRect(bar);
  const TBarSpan span = Span(bar, r);
  const int at = barType == SB_VERT ? p.y : p.x;
  switch (t.PressPortion) {
  case spFirstArrow:
  case spSecondArrow: {
    const int disabled = t.PressPortion == spFirstArrow ? TacScrollBar::FirstArrowDisabled
                                                        : TacScrollBar::SecondArrowDisabled;
    if ((bar.fScrollFlags & disabled) == 0) StartAutoScroll(bar, t.PressPortion);
    break;
  }
  case spTrackBefore:
  case spTrackAfter: StartAutoScroll(bar, t.PressPortion); break;
  case spShiftTrack: {
    const TThumbMetrics thumb = GetThumbMetrics(InfoOf(bar.ScrollInfo), span);
    t.ThumbSize = thumb.Size;
    t.ThumbStart = thumb.Start;
    t.MouseOffset = thumb.Size / 2;
    t.LastPos = bar.ScrollInfo.nPos;
    DragStep(p);
    break;
  }
  case spThumb:
    if (ScrollBarEnabled(bar)) {
      const TThumbMetrics thumb = GetThumbMetrics(InfoOf(bar.ScrollInfo), span);
      t.ThumbSize = thumb.Size;
      t.ThumbStart = thumb.Start;
      t.MouseOffset = at - thumb.Start;
      t.LastPos = bar.ScrollInfo.nPos;
      bar.ScrollInfo.nTrackPos = bar.ScrollInfo.nPos;
      t.CurrentPortion = spThumb;
      fThumbTracking = true;
      fw::NonClientDc dc(CtrlHandle);
      PaintBar(dc.get(), bar, 2);
    }
    break;
  default: break;
  }
  if (t.PressPortion != spNone) ::SetCapture(CtrlHandle);
  /* Not passed on even when nothing was hit: the system's own handling of
     a press on a scroll bar runs a modal tracking loop that paints the
     system's bar. */
  m.Result = 0;
  return true;
}

void TacScrollWnd::DragStep(POINT p) {
  TacScrollTracking& t = ScrollTracking();
  if (t.PressBar < 0) return;
  TacScrollBar& bar = Bar(t.PressBar);
  const RECT r = BarRect(bar);
  const TBarSpan span = Span(bar, r);
  const bool vertical = bar.nBarType == SB_VERT;
  const TThumbDrag drag = DragThumb(InfoOf(bar.ScrollInfo), span, t.ThumbSize, t.MouseOffset, vertical ? p.y : p.x);
  t.ThumbStart = drag.ThumbStart;
  {
    // Painted at once, onto the window, while the bars' own painting rests.
    const bool tracking = fThumbTracking;
    fThumbTracking = false;
    fw::NonClientDc dc(CtrlHandle);
    PaintBar(dc.get(), bar, 2, drag.ThumbStart - span.Start);
    fThumbTracking = tracking;
  }
  const int position = drag.Position + bar.ScrollInfo.nMin;
  if (position != t.LastPos) {
    bar.ScrollInfo.nTrackPos = position;
    DontRepaint = true;
    SendScrollMessage(t.ScrollMsg, SB_THUMBTRACK, position);
    DontRepaint = false;
    t.LastPos = position;
  }
}

void TacScrollWnd::RepeatTick() {
  TacScrollTracking& t = ScrollTracking();
  if (t.PressWnd != CtrlHandle || t.PressBar < 0) return;
  POINT p;
  ::GetCursorPos(&p);
  TacScrollBar& bar = Bar(t.PressBar);
  ReadScrollInfo(bar);
  const int under = HitTestBar(bar, p);
  const int current = under == t.PressPortion ? under : spNone;
  const bool changed = current != t.CurrentPortion;
  t.CurrentPortion = current;
  if (current != spNone) {
    DontRepaint = true;
    SendScrollMessage(t.ScrollMsg, current, 0);
    DontRepaint = false;
  }
  if (changed || current != spNone) {
    fw::NonClientDc dc(CtrlHandle);
    PaintBar(dc.get(), bar);
  }
}

void TacScrollWnd::Timer(fw::TMessage& m) {
  TacScrollTracking& t = ScrollTracking();
  switch (m.WParam) {
  case ScrollHoverTimer: {
    if (fThumbTracking) break;
    POINT p;
    ::GetCursorPos(&p);
    RECT w, r = t.HoverRect;
    ::GetWindowRect(CtrlHandle, &w);
    ::OffsetRect(&r, w.left, w.top);
    if (t.HoverWnd == CtrlHandle && t.HoverBar >= 0 && ::PtInRect(&r, p)) {
      const int portion = HitTestBar(Bar(t.HoverBar), p);
      if (portion != t.HoverPortion) {
        t.PrevHoverPortion = t.HoverPortion;
        t.HoverPortion = portion;
        fw::NonClientDc dc(CtrlHandle);
        PaintBar(dc.get(), Bar(t.HoverBar));
      }
    } else {
      ::KillTimer(CtrlHandle, ScrollHoverTimer);
      const int bar = t.HoverBar;
      if (t.HoverWnd == CtrlHandle) {
        t.HoverWnd = nullptr;
        t.HoverBar = t.HoverPortion = t.PrevHoverPortion = -1;
      }
      if (bar >= 0) {
        fw::NonClientDc dc(CtrlHandle);
        PaintBar(dc.get(), Bar(bar));
      }
    }
    break;
  }
  case ScrollFirstRepeatTimer:
    ::KillTimer(CtrlHandle, ScrollFirstRepeatTimer);
    ::SetTimer(CtrlHandle, ScrollRepeatTimer, ScrollRepeatInterval, nullptr);
    RepeatTick();
    break;
  case ScrollRepeatTimer: RepeatTick(); break;
  default: CallPrevWndProc(m); return;
  }
  m.Result = 0;
  if (!DontRepaint && !fThumbTracking) UpdateScrolls(true);
}

bool TacScrollWnd::ButtonUp(fw::TMessage& m) {
  TacScrollTracking& t = ScrollTracking();
  if (t.PressWnd != CtrlHandle || t.PressPortion == spNone) return false;
  if (!KeepsCaptureOnRelease() && ::GetCapture() == CtrlHandle) ::ReleaseCapture();
  const int portion = t.PressPortion;
  TacScrollBar& bar = Bar(t.PressBar);
  const UINT msg = t.ScrollMsg;
  if (portion >= spFirstArrow && portion <= spTrackAfter) {
    ::KillTimer(CtrlHandle, ScrollFirstRepeatTimer);
    ::KillTimer(CtrlHandle, ScrollRepeatTimer);
    ResetPress();
    SendScrollMessage(msg, SB_ENDSCROLL, 0);
  } else if (portion == spThumb) {
    const bool dragged = fThumbTracking;
    const int last = t.LastPos;
    fThumbTracking = false;
    ResetPress();
    if (dragged) SendScrollMessage(msg, SB_THUMBPOSITION, last);
    SendScrollMessage(msg, SB_ENDSCROLL, 0);
  } else {
    ResetPress();
  }
  {
    fw::NonClientDc dc(CtrlHandle);
    ReadScrollInfo(bar);
    PaintBar(dc.get(), bar);
  }
  if (!KeepsCaptureOnRelease()) CallPrevWndProc(m);
  return true;
}

void TacScrollWnd::ResetPress() noexcept {
  TacScrollTracking& t = ScrollTracking();
  t.PressWnd = nullptr;
  t.PressBar = -1;
  t.PressPortion = -1;
  t.CurrentPortion = -1;
  t.ScrollMsg = 0;
}

void TacScrollWnd::acWndProc(fw::TMessage& m) {
  if (!SkinData->Skinned()) {
    if (m.Msg == skin::WM_SKINCMD) {
      switch (skin::SkinCommandOf(m.WParam)) {
      case skin::SKC_SKINCHANGED:
        if (OwnManager(m.LParam)) SkinData->UpdateIndexes(true);
        break;
      case skin::SKC_GETSKINDATA: m.Result = reinterpret_cast<LRESULT>(SkinData); return;
      default: break;
      }
    }
    CallPrevWndProc(m);
    return;
  }
  TacScrollTracking& t = ScrollTracking();
  switch (m.Msg) {
  case WM_DESTROY:
  case WM_NCDESTROY:
    if (Destroyed) break;
    ReleaseAdapter();
    CallPrevWndProc(m);
    if (OwnSkinData) ClearCache(*SkinData);
    return;
  case WM_STYLECHANGING:
  case WM_STYLECHANGED:
    if (bPreventStyleChange) {
      m.Result = 0;
      return;
    }
    if (m.Msg == WM_STYLECHANGED && m.WParam == static_cast<WPARAM>(GWL_EXSTYLE))
      fLeftScrollbar = (reinterpret_cast<const STYLESTRUCT*>(m.LParam)->styleNew & WS_EX_LEFTSCROLLBAR) != 0;
    break;
  case WM_CONTEXTMENU:
    if (fw::TControl* owner = OwnerControl(); owner && owner->PopupMenu())
      HookPopupMenu(*owner->PopupMenu(), SkinManager && SkinManager->Active());
    break;
  case WM_NCCALCSIZE: CalcScrollFrame(m); return;
  case WM_NCHITTEST:
    if (t.InHitTest) break;
    t.InHitTest = true;
    m.Result = HitTest(LParamPoint(m.LParam));
    t.InHitTest = false;
    return;
  case WM_NCPAINT:
    if (!::IsWindowVisible(CtrlHandle)) break;
    if (!ScrollsInitialized) FrameChanged(CtrlHandle);
    /* The window's own frame first: the system draws its scroll bars
       wherever the window has the styles, and ours must lie over them. */
    CallPrevWndProc(m);
    if (!DontRepaint) {
      fw::NonClientDc dc(CtrlHandle);
      PaintScrollBars(dc.get());
    }
    return;
  case WM_NCMOUSEMOVE: NcMouseMove(m); break;
  case WM_NCLBUTTONDOWN:
  case WM_NCLBUTTONDBLCLK:
    if (NcButtonDown(m)) return;
    break;
  case WM_NCRBUTTONDOWN:
  case WM_NCRBUTTONUP:
  case WM_NCRBUTTONDBLCLK:
  case WM_NCMBUTTONDOWN:
  case WM_NCMBUTTONUP:
  case WM_NCMBUTTONDBLCLK:
    if (IsScrollHit(m.WParam)) {
      m.Result = 0;
      return;
    }
    break;
  case WM_SYSCOMMAND:
    if ((m.WParam & 0xFFF0) == SC_VSCROLL && (m.WParam & 0x000F) == HTVSCROLL) {
      m.Result = 0;
      return;
    }
    break;
  case WM_TIMER: Timer(m); return;
  case WM_MOUSEMOVE:
    if (fThumbTracking && t.PressWnd == CtrlHandle) {
      DragStep(MessagePoint());
      m.Result = 0;
      return;
    }
    if (t.PressWnd == CtrlHandle && t.PressPortion >= spFirstArrow && t.PressPortion <= spTrackAfter) {
      TacScrollBar& bar = Bar(t.PressBar);
      const int under = HitTestBar(bar, MessagePoint());
      const int current = under == t.PressPortion ? under : spNone;
      if (current != t.CurrentPortion) {
        t.CurrentPortion = current;
        fw::NonClientDc dc(CtrlHandle);
        PaintBar(dc.get(), bar);
      }
      m.Result = 0;
      return;
    }
    break;
  case WM_LBUTTONUP:
    if (ButtonUp(m)) return;
    break;
  case skin::WM_SKINCMD:
    switch (skin::SkinCommandOf(m.WParam)) {
    case skin::SKC_SKINCHANGED:
      if (!OwnManager(m.LParam)) break;
      SkinData->UpdateIndexes(true);
      CallPrevWndProc(m);
      if (OwnerControl()) ApplySkinColors(*SkinData, true);
      return;
    case skin::SKC_SKINREMOVED:
      if (!OwnManager(m.LParam)) break;
      if (!Destroyed) RestoreStdParams();
      break;
    case skin::SKC_REFRESH:
      if (!OwnManager(m.LParam)) break;
      SkinData->UpdateIndexes(true);
      SkinData->BGChanged = true;
      break;
    case skin::SKC_GETADAPTER: m.Result = reinterpret_cast<LRESULT>(static_cast<TacMainWnd*>(this)); return;
    case skin::SKC_ISSKINNED:
    case skin::SKC_REPAINTONMOVE: m.Result = 1; return;
    case skin::SKC_GETSKINDATA: m.Result = reinterpret_cast<LRESULT>(SkinData); return;
    case skin::SKC_GETSCALE: m.Result = SkinData->ScalePercent; return;
    case skin::SKC_SETUPDATING:
      SkinData->FUpdating = (m.WParam & 0xFFFF) == 1;
      break;
    default: break;
    }
    break;
  default: break;
  }
  CallPrevWndProc(m);
  if (m.Msg == WM_MOUSEWHEEL || m.Msg == fw::CM_MOUSEWHEEL) UpdateScrolls(!DontRepaint);
}

// ------------------------------------------------------------ TacBaseWnd

void TacBaseWnd::acWndProc(fw::TMessage& m) {
  if (SkinData->Skinned()) {
    switch (m.Msg) {
    case WM_SIZE:
    case WM_EXITSIZEMOVE: SkinData->BGChanged = true; break;
    case WM_SETCURSOR: CallPrevWndProc(m); return;
    case 0x2100: m.Result = 0; return;
    default: break;
    }
  }
  TacScrollWnd::acWndProc(m);
  if (Destroyed || !SkinData->Skinned()) return;
  switch (m.Msg) {
  case WM_SIZE:
  case WM_HSCROLL:
  case WM_VSCROLL: UpdateScrolls(true); break;
  case WM_ENABLE:
  case fw::CM_ENABLEDCHANGED:
    if (::IsWindowVisible(CtrlHandle)) ::SendMessageW(CtrlHandle, WM_NCPAINT, 1, 0);
    break;
  default: break;
  }
}

}  // namespace skinctrl
