#include "skinctrl/controls/sPanel.h"

#include "framework/StdCtrls.h"
#include "framework/Trace.h"
#include "skin/ConstData.h"
#include "skin/SkinBroadcast.h"
#include "skinctrl/controls/ControlPaint.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/paint/PixelMath.h"
#include "skinctrl/paint/SkinImages.h"

namespace skinctrl {

using skin::SkinCommandOf;
using skin::WM_SKINCMD;

TsPanel::TsPanel(fw::TComponent* owner)
    : fw::TPanel(owner), FCommonData(std::make_unique<TsCtrlSkinData>(this, COC_Panel)) {
  if (!Loading()) Loaded();
}

TsPanel::~TsPanel() {
  SetDestroying();
  // WM_DESTROY must still find the skin data.
  DestroyHandle();
}

void TsPanel::Loaded() {
  fw::TPanel::Loaded();
  FCommonData->Loaded(true);
  FOldBevel = BevelOuter();
}

int TsPanel::SectionForBevel() const {
  const skin::TsSkinManager* manager = FCommonData->SkinManager();
  if (!manager) return 0;
  int section = skin::ssPanel;
  switch (BevelOuter()) {
  case fw::TBevelCut::bvNone: section = skin::ssTransparent; break;
  case fw::TBevelCut::bvLowered: section = skin::ssPanelLow; break;
  case fw::TBevelCut::bvRaised: section = skin::ssPanel; break;
  case fw::TBevelCut::bvSpace: section = skin::ssGroupBox; break;
  }
  return manager->ConstData.Sections[static_cast<std::size_t>(section)] + 1;
}

RECT TsPanel::TextRect() const {
  RECT r = ClientRect();
  ::InflateRect(&r, -BorderWidth(), -BorderWidth());
  for (fw::TBevelCut bevel : {BevelInner(), BevelOuter()})
    if (bevel != fw::TBevelCut::bvNone) ::InflateRect(&r, -BevelWidth(), -BevelWidth());
  return r;
}

bool TsPanel::PrepareCache() {
  TsCtrlSkinData& data = *FCommonData;
  const ScanLines cache = LinesOf(EnsureCacheBitmap(data));
  if (cache.Empty()) return false;
  skin::TsSkinManager* manager = data.SkinManager();
  const TControlLook look = LookOf(data);
  if (!PaintSkinControlOnParent(look, Parent(), nullptr, {0, 0}, -1, -1, true, cache, {Left(), Top()},
                                {0, 0, Width(), Height()}, 0, manager)) {
    data.FUpdating = true;
    return false;
  }
  if (look.ColorTone != NoColor || look.HUEOffset != 0 || look.Saturation != 0) {
    if (look.ColorTone != NoColor) TransformPixels(cache, TonePixel, look.ColorTone, KeyColor);
    if (look.HUEOffset != 0) TransformPixels(cache, HuePixel, look.HUEOffset, KeyColor);
    if (look.Saturation != 0) TransformPixels(cache, SaturationPixel, SaturationWeight(look.Saturation), KeyColor);
    TBackgroundRequest request;
    QueryParentBackground(request, Parent(), nullptr, false, manager);
    TCacheInfo ci = BackgroundToCacheInfo(request, manager);
    ci.X += Left();
    ci.Y += Top();
    RestoreCorners(cache, &manager->Model(), data.SkinIndex, 0, ci, crAll);
  }
  // The shadows and outlines of the children lie in the panel's picture,
  // under its caption.
  data.PaintOuterEffects(this, {0, 0});
  WriteText(TextRect());
  if (OnPaint) PaintOnCache();
  data.BGChanged = false;
  return true;
}

void TsPanel::WriteText(RECT r) {
  const std::wstring caption = Caption();
  if (!ShowCaption() || caption.empty()) return;
  UINT flags = DT_EXPANDTABS | DT_VCENTER;
  switch (Alignment()) {
  case fw::TAlignment::taLeftJustify: flags |= DT_LEFT; break;
  case fw::TAlignment::taRightJustify: flags |= DT_RIGHT; break;
  case fw::TAlignment::taCenter: flags |= DT_CENTER; break;
  }
  // Centred vertically over as many lines as the words need.
  const int textHeight = MeasureText(Font().Handle(), caption, r.right - r.left, flags | DT_WORDBREAK).cy;
  r.top += (r.bottom - r.top - textHeight) / 2 + BorderWidth();
  r.bottom = r.top + textHeight;
  DrawControlText(*FCommonData, Font().Handle(), caption, Enabled(), 0, flags | DT_WORDBREAK, r);
}

void TsPanel::PaintOnCache() {
  // The handler draws with GDI: it gets a DIB section with the cache's
  // picture, which then goes back into the cache.
  const ScanLines cache = CacheLines(*FCommonData);
  TDibBitmap canvasBitmap(cache.Width, cache.Height);
  if (canvasBitmap.Empty()) return;
  const TRect all{0, 0, cache.Width, cache.Height};
  CopyRect(canvasBitmap.Lines(), all, cache, {0, 0});
  {
    fw::TCanvas canvas(canvasBitmap.DC());
    canvas.Font().Assign(Font());
    OnPaint(this, canvas);
  }
  CopyRect(cache, all, canvasBitmap.Lines(), {0, 0});
}

void TsPanel::CopyCache(HDC dc, const RECT& clip) {
  {
    const SavedDC saved(dc);
    ::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    // Only children that cover their whole rectangle are left out: a
    // transparent label shows the cache through its text, so it is painted
    // after the copy, never cut out of it.
    for (int i = 0; i < ControlCount(); ++i) {
      fw::TControl* child = Controls(i);
      if (child->IsWindowed() || !child->Visible()) continue;
      const auto* label = dynamic_cast<const fw::TLabel*>(child);
      if (label && label->Transparent()) continue;
      const RECT b = child->BoundsRect();
      ::ExcludeClipRect(dc, b.left, b.top, b.right, b.bottom);
    }
    CopyCacheToDc(*FCommonData, dc, clip);
  }
  PaintControls(dc);
}

void TsPanel::PaintToDC(HDC dc, bool notify) {
  TsCtrlSkinData& data = *FCommonData;
  if (!data.Skinned() || !Showing()) return;
  RECT clip;
  const int kind = ::GetClipBox(dc, &clip);
  if (kind == ERROR) return;
  if (kind == NULLREGION) {
    data.FUpdating = true;
    return;
  }
  if (CheckUpdating(data, false)) return;
  const skin::Bitmap32& cache = *data.FCacheBmp;
  const bool rebuild =
      data.HalfVisible || data.BGChanged || cache.Empty() || cache.Width != Width() || cache.Height != Height();
  data.HalfVisible = false;
  if (rebuild && !PrepareCache() && data.BGChanged) return;
  CopyCache(dc, clip);
  if (notify) TellChildren(skin::SKC_STOPUPDATING);
}

void TsPanel::PaintWindow(HDC dc) {
  fw::trace::Mark(fw::trace::TPoint::FormPaint);
  if (FCommonData->Skinned()) {
    PaintToDC(dc, true);
    return;
  }
  fw::TPanel::PaintWindow(dc);
  if (OnPaint) OnPaint(this, Canvas());
}

void TsPanel::TellChildren(std::uint16_t command, LPARAM lParam) {
  for (int i = 0; i < ControlCount(); ++i) {
    fw::TControl* child = Controls(i);
    if (child->IsWindowed() && !child->Showing()) continue;
    SendSkinCommandToControl(child, command, lParam);
  }
}

// The commands the panel answers itself; false for the common ones.
bool TsPanel::HandleSkinCommand(fw::TMessage& m) {
  TsCtrlSkinData& data = *FCommonData;
  switch (SkinCommandOf(m.WParam)) {
  case skin::SKC_GETSKININDEX: m.Result = SectionForBevel(); return true;
  case skin::SKC_ISSKINNED: m.Result = 1; return true;
  case skin::SKC_SKINREMOVED: {
    const bool own = reinterpret_cast<skin::TsSkinManager*>(m.LParam) == data.SkinManager();
    if (!skinctrl::HandleSkinCommand(m, data)) fw::TPanel::WndProc(m);
    // The plain panel paints itself again.
    if (own) fw::TPanel::Invalidate();
    return true;
  }
  case skin::SKC_PREPARECACHE:
    if (!data.FUpdating && data.BGChanged && !PrepareCache()) data.FUpdating = true;
    return true;
  case skin::SKC_STOPUPDATING:
    if (data.FUpdating && !CheckUpdating(data, true) && HandleAllocated()) {
      ::RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      TellChildren(skin::SKC_STOPUPDATING);
    }
    return true;
  case skin::SKC_GETBACKGROUND: {
    if (RefuseUntrustedSkinCommand(m)) return true;
    skinctrl::HandleSkinCommand(m, data);
    auto* request = reinterpret_cast<TBackgroundRequest*>(m.LParam);
    if (!request || request->BgType == btColor || request->BgType == btNotReady) return true;
    if (data.BGChanged && data.FCacheBmp->Width != Width() && !data.FUpdating &&
        (!Parent() || !Parent()->HandleAllocated() || skin::IsSkinnedWindow(Parent()->HandleIfAllocated()))) {
      request->BgType = btNotReady;
      return true;
    }
    // Children are placed in client coordinates: the answer is moved by the
    // frame the bevels and the border take.
    if (ClientWidth() != Width() && request->BgType == btBitmap && !request->PleaseDraw) {
      int inset = BorderWidth();
      for (fw::TBevelCut bevel : {BevelInner(), BevelOuter()})
        if (bevel != fw::TBevelCut::bvNone) inset += BevelWidth();
      request->X += inset;
      request->Y += inset;
    }
    return true;
  }
  default: return false;
  }
}

bool TsPanel::HandleSkinned(fw::TMessage& m) {
  TsCtrlSkinData& data = *FCommonData;
  switch (m.Msg) {
  case WM_PAINT: {
    const HWND wnd = HandleIfAllocated();
    if (m.WParam) {
      const HDC dc = reinterpret_cast<HDC>(m.WParam);
      if (!paintGuard_.Run(data.SkinManager(), wnd, [&] { PaintToDC(dc, true); })) PaintPlainLook(wnd, dc, false);
    } else {
      fw::PaintDc dc(wnd);
      if (!paintGuard_.Run(data.SkinManager(), wnd, [&] { PaintToDC(dc.get(), true); }))
        PaintPlainLook(wnd, dc.get(), false);
    }
    m.Result = 0;
    return true;
  }
  case WM_ERASEBKGND:
    // The paint that follows copies the cache; erasing first would flash.
    if (m.WParam && static_cast<LPARAM>(m.WParam) == m.LParam) {
      if (data.BGChanged) PrepareCache();
      if (!data.BGChanged) CopyCacheToDc(data, reinterpret_cast<HDC>(m.WParam), ClientRect());
    }
    m.Result = 1;
    return true;
  case WM_SIZE:
    data.BGChanged = true;
    if (HandleAllocated() && ::IsWindowVisible(HandleIfAllocated())) {
      HandleCommonMessage(m, data);
      data.FUpdating = true;
      fw::TPanel::WndProc(m);
      data.FUpdating = false;
      TellChildren(skin::SKC_STOPUPDATING);
      return true;
    }
    return false;
  case WM_WINDOWPOSCHANGING: {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
    const skin::TsGeneralData* section = data.Section();
    if (section && section->Props[0].Transparency > 0 && !(pos->flags & SWP_NOMOVE) &&
        (pos->x != Left() || pos->y != Top()))
      data.BGChanged = true;
    return false;
  }
  case WM_PRINT:
    data.FUpdating = false;
    data.HalfVisible = false;
    if (Showing() && m.WParam) {
      if (data.BGChanged) PrepareCache();
      PaintToDC(reinterpret_cast<HDC>(m.WParam), false);
    }
    return true;
  case fw::CM_VISIBLECHANGED:
    data.BGChanged = true;
    data.FUpdating = false;
    if (m.WParam) {
      PrepareCache();
      fw::TPanel::WndProc(m);
      TellChildren(skin::SKC_STOPUPDATING);
      return true;
    }
    return false;
  case fw::CM_SHOWINGCHANGED:
    if (Visible()) data.FUpdating = false;
    return false;
  default: return false;
  }
}

void TsPanel::WndProc(fw::TMessage& m) {
  TsCtrlSkinData& data = *FCommonData;
  if (m.Msg == WM_SKINCMD && HandleSkinCommand(m)) return;
  // The bevel picks the section: a new bevel is noticed when the panel is
  // invalidated or painted.
  if ((m.Msg == fw::CM_INVALIDATE || m.Msg == WM_PAINT) && BevelOuter() != FOldBevel && !Loading()) {
    FOldBevel = BevelOuter();
    data.UpdateIndexes();
  }
  if (data.Skinned() && HandleSkinned(m)) return;
  if (HandleCommonMessage(m, data)) return;
  fw::TPanel::WndProc(m);
  switch (m.Msg) {
  case WM_SETFONT:
  case fw::CM_FONTCHANGED:
    if (!Caption().empty()) data.Invalidate();
    break;
  case fw::CM_TEXTCHANGED:
  case fw::CM_ENABLEDCHANGED:
  case fw::CM_COLORCHANGED: data.Invalidate(); break;
  default: break;
  }
}

}  // namespace skinctrl
