// Outer effects: a shadow or outline image a control casts around itself into
// its parent's cache, and the parent's repaint when the control moves.
#include "skin/SkinBroadcast.h"
#include "skin/sSkinManager.h"
#include "skinctrl/paint/SkinImages.h"
#include "skinctrl/state/CommonData.h"
#include "skinctrl/state/CommonDataDetail.h"

#include <algorithm>
#include <optional>

namespace skinctrl {

using skin::TsGeneralData;
using skin::TsSkinManager;

namespace {

struct TOuterEffect {
  const skin::TsMaskData* Image;
  TRect Offsets;  // how far the image reaches out of the control on each side
  int Opacity;
};

// The control's outer effect: its section's own image, else the skin's
// outer-effect record the section's mode names (1 the light outline, 2 the
// shadow). None unless shown always, allowed by the manager and drawable.
std::optional<TOuterEffect> OuterEffectOf(const TsCommonData& data) {
  const TsGeneralData* section = data.Section();
  if (!section || data.FOuterEffects->Visibility() != ovAlways || section->OuterMode < 1) return std::nullopt;
  const TsSkinManager* m = data.SkinManager();
  if (!m->Effects().AllowOuterEffects) return std::nullopt;
  TOuterEffect effect{nullptr, section->OuterOffset, section->OuterOpacity};
  int mask = section->OuterMask;
  if (mask < 0) {
    const skin::TacOutEffData* record = m->OuterEffect(section->OuterMode - 1);
    if (!record || record->Source == 0) return std::nullopt;
    mask = record->Mask;
    effect.Offsets = {record->OffsetL, record->OffsetT, record->OffsetR, record->OffsetB};
    effect.Opacity = record->Opacity;
  }
  if (!m->Model().IsValidImgIndex(mask)) return std::nullopt;
  effect.Image = &m->ma()[static_cast<std::size_t>(mask)];
  return effect;
}

// The control's bounds as it reports them, grown by the effect's offsets
// (an offset the skin leaves unset, -1, grows nothing).
RECT GrownBounds(TsCommonData& data, const TOuterEffect& effect) {
  RECT r{};
  data.SendToOwner(skin::SKC_GETBOUNDS, reinterpret_cast<LPARAM>(&r));
  r.left -= std::max(effect.Offsets.Left, 0);
  r.top -= std::max(effect.Offsets.Top, 0);
  r.right += std::max(effect.Offsets.Right, 0);
  r.bottom += std::max(effect.Offsets.Bottom, 0);
  return r;
}

}  // namespace

void PaintOuterEffect(TsCommonData& data, const TBackgroundRequest& request) {
  const auto effect = OuterEffectOf(data);
  if (!effect || request.Bmp.Empty()) return;
  const RECT r = GrownBounds(data, *effect);
  data.FOuterRect = r;
  DrawOuterImage(request.Bmp, {r.left + request.X, r.top + request.Y, r.right + request.X, r.bottom + request.Y},
                 &data.SkinManager()->Model(), *effect->Image, effect->Opacity);
}

RECT OuterEffectRect(TsCommonData& data) {
  const auto effect = OuterEffectOf(data);
  return effect ? GrownBounds(data, *effect) : RECT{};
}

void OuterEffectChanged(TsCommonData& data) {
  const RECT now = OuterEffectRect(data);
  RECT area = now;
  ::UnionRect(&area, &now, &data.FOuterRect);
  data.FOuterRect = now;
  if (::IsRectEmpty(&area)) return;
  // The effect lies in the parent's cache: the parent rebuilds it, and the
  // children over the area take their background from it anew.
  fw::TWinControl* parent = data.FOwnerControl ? data.FOwnerControl->Parent() : nullptr;
  const HWND parentWnd = OwnerParentWindow(data);
  if (parent) {
    SendSkinCommandToControl(parent, skin::SKC_BGCHANGED);
    for (int i = 0; i < parent->ControlCount(); ++i) {
      fw::TControl* child = parent->Controls(i);
      const RECT bounds = child->BoundsRect();
      RECT overlap{};
      if (::IntersectRect(&overlap, &bounds, &area)) SendSkinCommandToControl(child, skin::SKC_BGCHANGED);
    }
  } else if (parentWnd) {
    skin::SendSkinCommand(parentWnd, skin::SKC_BGCHANGED);
  }
  if (parentWnd) ::RedrawWindow(parentWnd, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TsCommonData::PaintOuterEffects(fw::TWinControl* ownerCtrl, TPoint offset) {
  if (!ownerCtrl || !Skinned() || !SkinManager()->Effects().AllowOuterEffects || !FCacheBmp || FCacheBmp->Empty())
    return;
  TBackgroundRequest request;
  request.Bmp = LinesOf(*FCacheBmp);
  request.X = offset.X;
  request.Y = offset.Y;
  request.BgType = btBitmap;
  for (int i = 0; i < ownerCtrl->ControlCount(); ++i) {
    fw::TControl* child = ownerCtrl->Controls(i);
    if (child->Visible() && child->Showing())
      SendSkinCommandToControl(child, skin::SKC_PAINTOUTER, reinterpret_cast<LPARAM>(&request));
  }
}

}  // namespace skinctrl
