// The skin commands every skinned control answers alike.
#include "framework/Application.h"
#include "framework/StdCtrls.h"
#include "skin/SkinBroadcast.h"
#include "skin/sSkinManager.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skinctrl/state/ClassBrush.h"
#include "skinctrl/state/CommonData.h"
#include "skinctrl/state/CommonDataDetail.h"

namespace skinctrl {

using skin::TsGeneralData;
using skin::TsSkinManager;

namespace {

constexpr UINT RedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW;

bool IsOwnManager(const TsCommonData& data, LPARAM lParam) noexcept {
  return lParam != 0 && reinterpret_cast<TsSkinManager*>(lParam) == data.SkinManager();
}

void SkinChanged(TsCommonData& data) {
  AbortAnimation(data);
  ChooseDefaultSection(data);
  data.UpdateIndexes(true);
  ClearCache(data);
}

void SkinRemoved(TsCommonData& data, TsSkinManager* manager) {
  AbortAnimation(data);
  if (manager->Destroying() && data.FSkinManager == manager) data.FSkinManager = nullptr;
  data.BorderIndex = -1;
  data.SkinIndex = -1;
  data.FUpdating = true;
  ClearCache(data);
  const HWND wnd = OwnerWindow(data);
  if (wnd) RestoreSkinClassBrush(wnd);
  fw::TControl* owner = data.FOwnerControl;
  if (owner && IsEditLikeCode(data.COC)) {
    SetSkinColors(data, *owner, fw::clWindow, fw::clWindowText);
    if (wnd) ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  }
  if (fw::TWinControl* w = WindowedOwner(data)) {
    for (int i = 0; i < w->ControlCount(); ++i) {
      if (auto* label = dynamic_cast<fw::TLabel*>(w->Controls(i))) label->Font().SetColor(fw::clWindowText);
    }
  }
}

void Refresh(TsCommonData& data) {
  AbortAnimation(data);
  data.BGChanged = true;
  data.FUpdating = false;
  ApplySkinColors(data, true);
  if (IsFrameRefreshCode(data.COC)) RecalcFrame(OwnerWindow(data));
}

LRESULT GetUpdating(TsCommonData& data) {
  if (CheckUpdating(data)) return 1;
  if (!WindowedOwner(data) || data.FCustomColor) return 0;
  if (!data.FCacheBmp || data.FCacheBmp->Empty() || data.BGChanged) {
    data.SendToOwner(skin::SKC_PREPARECACHE);
    return !data.FCacheBmp || data.FCacheBmp->Empty() ? 1 : 0;
  }
  const SIZE size = OwnerSize(data);
  return data.FCacheBmp->Width != size.cx || data.FCacheBmp->Height != size.cy ? 1 : 0;
}

// A child's background depends on where this control lies when this control is
// itself see-through or paints a texture that is aligned to it.
bool BackgroundFollowsPosition(const TsCommonData& data) {
  const TsGeneralData* section = data.Section();
  return section && (section->Props[0].Transparency > 0 || (data.BGType & 0xF4) != 0);
}

void ParentMoved(TsCommonData& data, std::uint16_t sub) {
  data.BGChanged = data.BGChanged || data.RepaintIfMoved();
  AbortAnimation(data);
  const HWND wnd = OwnerWindow(data);
  if (wnd && sub == 1) ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  if (BackgroundFollowsPosition(data)) SendToChildren(data, skin::SKC_PARENTMOVED, 0, 1);
}

void QuerySectionBehind(TsCommonData& data, fw::TMessage& message) {
  auto& query = *reinterpret_cast<TacSectionBehindQuery*>(message.LParam);
  const HWND parent = OwnerParentWindow(data);
  const bool hasParent = parent || (data.FOwnerControl && data.FOwnerControl->Parent());
  if (hasParent && SectionSeeThrough(data.SkinManager()->Model(), data.SkinIndex, query.State)) {
    const RECT bounds = OwnerBounds(data);
    ::OffsetRect(&query.Rect, bounds.left, bounds.top);
    message.Result =
        data.FOwnerControl && data.FOwnerControl->Parent()
            ? SendSkinCommandToControl(data.FOwnerControl->Parent(), skin::SKC_QUERYSECTIONBEHIND, message.LParam)
            : skin::SendSkinCommand(parent, skin::SKC_QUERYSECTIONBEHIND, message.LParam);
    return;
  }
  query.SkinIndex = data.SkinIndex;
  message.Result = 1;
}

}  // namespace

bool RefuseUntrustedSkinCommand(fw::TMessage& message) {
  if (message.Msg != skin::WM_SKINCMD || !skin::SkinCommandCarriesPointer(skin::SkinCommandOf(message.WParam)))
    return false;
  if (skin::IsTrustedSkinCommand()) return false;
  message.Result = 0;
  return true;
}

bool HandleSkinCommand(fw::TMessage& message, TsCommonData& data) {
  if (RefuseUntrustedSkinCommand(message)) return true;
  const std::uint16_t command = skin::SkinCommandOf(message.WParam);
  const std::uint16_t sub = LOWORD(message.WParam);
  const LPARAM lParam = message.LParam;
  LRESULT& result = message.Result;
  switch (command) {
  case skin::SKC_SKINCHANGED:
    if (IsOwnManager(data, lParam)) SkinChanged(data);
    return true;
  case skin::SKC_SKINREMOVED:
    if (IsOwnManager(data, lParam) && data.Skinned()) SkinRemoved(data, reinterpret_cast<TsSkinManager*>(lParam));
    return false;
  case skin::SKC_REFRESH:
    if (IsOwnManager(data, lParam)) Refresh(data);
    return true;
  case skin::SKC_STOPUPDATING:
    if (const HWND wnd = OwnerWindow(data); wnd && data.FUpdating && !CheckUpdating(data, true)) {
      ::RedrawWindow(wnd, nullptr, nullptr, RedrawAll);
    }
    SendToChildren(data, skin::SKC_STOPUPDATING);
    return true;
  case skin::SKC_ISSKINNED: result = 1; return true;
  case skin::SKC_SETUPDATING: data.FUpdating = sub == 1; return true;
  case skin::SKC_GETUPDATING: result = GetUpdating(data); return true;
  case skin::SKC_GETHALFVISIBLE: result = data.HalfVisible ? 1 : 0; return true;
  case skin::SKC_SECTIONUPDATED:
    if (lParam && *reinterpret_cast<const std::string*>(lParam) == data.FSkinSection) data.Invalidate(false);
    return true;
  case skin::SKC_SETSECTION:
    if (!lParam) {
      result = 0;
      return true;
    }
    data.SetSkinSection(*reinterpret_cast<const std::string*>(lParam));
    result = 1;
    return true;
  case skin::SKC_STOPANIMATION: AbortAnimation(data); return true;
  case skin::SKC_BGCHANGED: data.BGChanged = true; return true;
  case skin::SKC_INVALIDATE: data.Invalidate(false); return true;
  case skin::SKC_REPAINTONMOVE: result = 1; return true;
  case skin::SKC_PARENTMOVED: ParentMoved(data, sub); return true;
  case skin::SKC_GETBGCOLOR: result = BackgroundColorForChildren(data); return true;
  case skin::SKC_SETHALFVISIBLE: data.HalfVisible = true; return true;
  case skin::SKC_PREPARECACHE: data.BGChanged = false; return true;
  case skin::SKC_GETSKINSTATE:
    if (lParam) reinterpret_cast<std::int32_t*>(lParam)[1] = data.SkinIndex;
    return true;
  case skin::SKC_CLEARCACHE:
    if (data.FCacheBmp) {
      SendToChildren(data, skin::SKC_CLEARCACHE);
      ClearCache(data);
    }
    return true;
  case skin::SKC_GETBACKGROUND:
    if (lParam) {
      const bool hot = data.FFocused || (data.FMouseAbove && !IsBackgroundWithoutHoverCode(data.COC));
      AnswerBackgroundRequest(data, *reinterpret_cast<TBackgroundRequest*>(lParam), hot ? 1 : 0);
    }
    return true;
  case skin::SKC_FONTCHANGED:
    if (IsOwnManager(data, lParam)) {
      data.BGChanged = true;
      SendToChildren(data, skin::SKC_FONTCHANGED, lParam);
    }
    return true;
  case skin::SKC_GETSKINDATA: result = reinterpret_cast<LRESULT>(&data); return true;
  case skin::SKC_SETPRINTDC:
    data.PrintDC = reinterpret_cast<HDC>(lParam);
    if (lParam) {
      data.CtrlSkinState |= ACS_PRINTING;
    } else {
      data.CtrlSkinState &= ~ACS_PRINTING;
    }
    return true;
  case skin::SKC_FRAMECHANGED:
    if (const HWND wnd = OwnerWindow(data)) {
      RecalcFrame(wnd);
      SendToChildren(data, skin::SKC_FRAMECHANGED);
    }
    return true;
  case skin::SKC_GETAPPLICATION: result = reinterpret_cast<LRESULT>(&fw::Application()); return true;
  case skin::SKC_QUERYSECTIONBEHIND:
    if (!lParam || !data.Skinned()) return false;
    QuerySectionBehind(data, message);
    return true;
  case skin::SKC_SETSCALE:
    data.ScalePercent = static_cast<int>(lParam);
    SendToChildren(data, skin::SKC_SETSCALE, lParam);
    return false;
  case skin::SKC_GETSCALE: result = data.ScalePercent; return true;
  case skin::SKC_PAINTOUTER:
    if (lParam) PaintOuterEffect(data, *reinterpret_cast<const TBackgroundRequest*>(lParam));
    return true;
  case skin::SKC_GETBOUNDS:
    if (lParam) *reinterpret_cast<RECT*>(lParam) = data.FOwnerControl || data.FSWHandle ? OwnerBounds(data) : RECT{};
    return true;
  default: return false;
  }
}

}  // namespace skinctrl
