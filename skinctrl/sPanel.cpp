#include "skinctrl/sPanel.h"

#include "framework/StdCtrls.h"
#include "skin/ConstData.h"
#include "skin/SkinBroadcast.h"
#include "skinctrl/ControlClasses.h"
#include "skinctrl/PixelMath.h"
#include "skinctrl/SkinImages.h"

namespace skinctrl {

using skin::MakeSkinWParam;
using skin::SkinCommandOf;
using skin::WM_SKINCMD;

TsPanel::TsPanel(fw::TComponent* owner)
    : fw::TPanel(owner), FCommonData(std::make_unique<TControlSkin>(*this, skin::COC_Panel)) {
  if (!Loading()) Loaded();
}

TsPanel::~TsPanel() {
  SetDestroying();
  // WM_DESTROY must still find the skin data.
  DestroyHandle();
}

void TsPanel::Loaded() {
  fw::TPanel::Loaded();
  FCommonData->Loaded();
  FOldBevel = BevelOuter();
}

void TsPanel::CreateHandleDone() {
  FCommonData->Attach(HandleIfAllocated());
  fw::TPanel::CreateHandleDone();
}

void TsPanel::DestroyWnd() {
  FCommonData->Detach(HandleIfAllocated());
  fw::TPanel::DestroyWnd();
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
  TControlSkin& data = *FCommonData;
  data.EnsureCacheBitmap();
  if (data.FCacheBmp.Empty()) return false;
  const ScanLines cache = data.FCacheBmp.Lines();
  const TControlLook look = data.Look();
  if (!PaintSkinControlOnParent(look, Parent(), nullptr, {0, 0}, -1, -1, true, cache, {Left(), Top()},
                                {0, 0, Width(), Height()}, 0, data.SkinManager())) {
    data.FUpdating = true;
    return false;
  }
  if (look.ColorTone != NoColor || look.HUEOffset != 0 || look.Saturation != 0) {
    if (look.ColorTone != NoColor) TransformPixels(cache, TonePixel, look.ColorTone, KeyColor);
    if (look.HUEOffset != 0) TransformPixels(cache, HuePixel, look.HUEOffset, KeyColor);
    if (look.Saturation != 0) TransformPixels(cache, SaturationPixel, SaturationWeight(look.Saturation), KeyColor);
    TBackgroundRequest request;
    QueryParentBackground(request, Parent(), nullptr, false, data.SkinManager());
    TCacheInfo ci = BackgroundToCacheInfo(request, data.SkinManager());
    ci.X += Left();
    ci.Y += Top();
    RestoreCorners(cache, data.Model(), data.SkinIndex, 0, ci, crAll);
  }
  WriteText(TextRect());
  if (OnPaint) {
    fw::TCanvas canvas(data.FCacheBmp.DC());
    canvas.Font().Assign(Font());
    OnPaint(this, canvas);
  }
  data.BGChanged = false;
  return true;
}

void TsPanel::WriteText(RECT r) {
  const std::wstring caption = Caption();
  HDC dc = FCommonData->FCacheBmp.DC();
  if (!ShowCaption() || caption.empty() || !dc) return;
  fw::SelectObjectScope font(dc, Font().Handle());
  UINT flags = DT_EXPANDTABS | DT_VCENTER;
  switch (Alignment()) {
  case fw::TAlignment::taLeftJustify: flags |= DT_LEFT; break;
  case fw::TAlignment::taRightJustify: flags |= DT_RIGHT; break;
  case fw::TAlignment::taCenter: flags |= DT_CENTER; break;
  }
  // Centred vertically over as many lines as the words need.
  RECT measure = r;
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measure, flags | DT_WORDBREAK | DT_CALCRECT);
  const int textHeight = measure.bottom - measure.top;
  r.top += (r.bottom - r.top - textHeight) / 2 + BorderWidth();
  r.bottom = r.top + textHeight;
  DrawControlText(*FCommonData, Font().Handle(), caption, Enabled(), 0, flags | DT_WORDBREAK, r);
}

void TsPanel::CopyCache(HDC dc, const RECT& clip) {
  const int saved = ::SaveDC(dc);
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
  FCommonData->CopyCache(dc, clip);
  ::RestoreDC(dc, saved);
  PaintControls(dc);
}

void TsPanel::PaintToDC(HDC dc, bool notify) {
  TControlSkin& data = *FCommonData;
  if (!data.Skinned() || !Showing()) return;
  RECT clip;
  const int kind = ::GetClipBox(dc, &clip);
  if (kind == ERROR) return;
  if (kind == NULLREGION) {
    data.FUpdating = true;
    return;
  }
  if (!data.CheckUpdating(false)) {
    const bool rebuild = data.HalfVisible || data.BGChanged || data.FCacheBmp.Empty() ||
                         data.FCacheBmp.Width() != Width() || data.FCacheBmp.Height() != Height();
    data.HalfVisible = false;
    if (rebuild && !PrepareCache() && data.BGChanged) return;
  } else {
    return;
  }
  CopyCache(dc, clip);
  if (notify) TellChildren(skin::SKC_STOPUPDATING);
}

void TsPanel::PaintWindow(HDC dc) {
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
    SendSkinCommandTo(child, command, lParam);
  }
}

bool TsPanel::HandleSkinned(fw::TMessage& m) {
  TControlSkin& data = *FCommonData;
  switch (m.Msg) {
  case WM_PAINT: {
    if (m.WParam) {
      PaintToDC(reinterpret_cast<HDC>(m.WParam), true);
    } else {
      fw::PaintDc dc(HandleIfAllocated());
      PaintToDC(dc.get(), true);
    }
    m.Result = 0;
    return true;
  }
  case WM_ERASEBKGND:
    // The paint that follows copies the cache; erasing first would flash.
    if (m.WParam && static_cast<LPARAM>(m.WParam) == m.LParam) {
      if (data.BGChanged) PrepareCache();
      if (!data.BGChanged) {
        RECT r = ClientRect();
        data.CopyCache(reinterpret_cast<HDC>(m.WParam), r);
      }
    }
    m.Result = 1;
    return true;
  case WM_SIZE:
    data.BGChanged = true;
    if (HandleAllocated() && ::IsWindowVisible(HandleIfAllocated())) {
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
  default:
    return false;
  }
}

void TsPanel::WndProc(fw::TMessage& m) {
  TControlSkin& data = *FCommonData;
  if (m.Msg == WM_SKINCMD) {
    const std::uint16_t command = SkinCommandOf(m.WParam);
    const bool forManager = reinterpret_cast<skin::TsSkinManager*>(m.LParam) == data.SkinManager();
    switch (command) {
    case skin::SKC_GETSKININDEX:
      m.Result = SectionForBevel();
      return;
    case skin::SKC_ISSKINNED:
      m.Result = 1;
      return;
    case skin::SKC_PREPARECACHE:
      if (!data.FUpdating && data.BGChanged && !PrepareCache()) data.FUpdating = true;
      return;
    case skin::SKC_STOPUPDATING:
      if (data.FUpdating && !data.CheckUpdating(true) && HandleAllocated()) {
        ::RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        TellChildren(skin::SKC_STOPUPDATING);
      }
      return;
    case skin::SKC_GETBACKGROUND: {
      data.HandleSkinCommand(m);
      auto* request = reinterpret_cast<TBackgroundRequest*>(m.LParam);
      if (!request || request->BgType == btColor || request->BgType == btNotReady) return;
      if (data.BGChanged && data.FCacheBmp.Width() != Width() && !data.FUpdating &&
          (!Parent() || !Parent()->HandleAllocated() || skin::IsSkinnedWindow(Parent()->HandleIfAllocated()))) {
        request->BgType = btNotReady;
        return;
      }
      if (ClientWidth() != Width() && request->BgType == btBitmap && !request->PleaseDraw) {
        int inset = BorderWidth();
        for (fw::TBevelCut bevel : {BevelInner(), BevelOuter()})
          if (bevel != fw::TBevelCut::bvNone) inset += BevelWidth();
        request->X += inset;
        request->Y += inset;
      }
      return;
    }
    case skin::SKC_SKINREMOVED:
      data.HandleSkinCommand(m);
      if (forManager) fw::TPanel::Invalidate();
      return;
    case skin::SKC_REFRESH:
      data.HandleSkinCommand(m);
      if (forManager && Visible() && !Loading() && HandleAllocated())
        ::RedrawWindow(HandleIfAllocated(), nullptr, nullptr,
                       RDW_FRAME | RDW_UPDATENOW | RDW_NOCHILDREN | RDW_ERASE | RDW_INVALIDATE);
      return;
    default:
      if (!data.HandleSkinCommand(m)) fw::TPanel::WndProc(m);
      return;
    }
  }
  // The bevel picks the section: a new bevel is noticed when the panel is
  // invalidated or painted.
  if ((m.Msg == fw::CM_INVALIDATE || m.Msg == WM_PAINT) && BevelOuter() != FOldBevel && !Loading()) {
    FOldBevel = BevelOuter();
    data.UpdateIndexes();
  }
  if (data.Skinned() && HandleSkinned(m)) return;
  fw::TPanel::WndProc(m);
  switch (m.Msg) {
  case WM_SETFONT:
    if (!Caption().empty()) data.Invalidate();
    break;
  case fw::CM_TEXTCHANGED:
  case fw::CM_ENABLEDCHANGED:
  case fw::CM_COLORCHANGED:
    data.Invalidate();
    break;
  default:
    break;
  }
}

}  // namespace skinctrl
