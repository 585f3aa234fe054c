#include "skinctrl/controls/ControlPaint.h"

#include <algorithm>
#include <string>

#include "framework/Handles.h"
#include "skin/ConstData.h"
#include "skin/sSkinManager.h"
#include "skinctrl/gdi/ParentBackground.h"
#include "skinctrl/gdi/SkinTextGdi.h"

namespace skinctrl {

TControlLook LookOf(const TsCommonData& data) {
  TControlLook look;
  look.SkinIndex = data.SkinIndex;
  if (data.FCustomColor && data.FOwnerControl)
    look.CustomColor = ResolveSkinColor(data.FOwnerControl->Color(), data.SkinManager());
  look.ColorTone = data.FColorTone;
  look.HUEOffset = data.FHUEOffset;
  look.Saturation = data.FSaturation;
  return look;
}

ScanLines CacheLines(const TsCommonData& data) noexcept {
  return data.FCacheBmp ? LinesOf(*data.FCacheBmp) : ScanLines{};
}

void DrawControlText(const TsCommonData& data, HFONT font, std::wstring_view text, bool outline, int state,
                     UINT format, const RECT& rect) {
  const ScanLines cache = CacheLines(data);
  fw::TControl* owner = data.FOwnerControl;
  if (text.empty() || cache.Empty() || !owner) return;
  skin::TsSkinManager* manager = data.SkinManager();
  if (!data.Skinned()) {
    DrawPlainText(cache, font, text, rect, format, ResolveSkinColor(owner->Font().Color(), manager));
    return;
  }
  int index = data.SkinIndex;
  bool overOthers = false;
  for (int c = skin::ssMenuItem; c <= skin::ssButton; ++c)
    overOthers = overOthers || manager->ConstData.Sections[static_cast<std::size_t>(c)] == index;
  if (overOthers && owner->Parent()) {
    TacSectionBehindQuery query;
    query.State = state;
    query.Rect = {0, 0, owner->Width(), owner->Height()};
    SendSkinCommandToControl(owner, skin::SKC_QUERYSECTIONBEHIND, reinterpret_cast<LPARAM>(&query));
    if (!manager->Model().IsValidSkinIndex(query.SkinIndex)) {
      DrawPlainText(cache, font, text, rect, format, ResolveSkinColor(owner->Parent()->Font().Color(), manager));
      return;
    }
    index = query.SkinIndex;
  }
  TSkinTextRequest request;
  request.Model = &manager->Model();
  request.ConstData = &manager->ConstData;
  request.SkinIndex = index;
  request.State = std::clamp(state, 0, 2);
  request.UseOutline = outline;
  request.AllowGlow = true;
  request.Look = LookOf(data);
  request.Colors = ColorsOf(manager);
  DrawSkinText(cache, font, text, rect, format, request);
}

SIZE MeasureText(HFONT font, std::wstring_view text, int width, UINT format) {
  if (text.empty()) return {0, 0};
  fw::WindowDc screen(nullptr);
  fw::SelectObjectScope selected(screen.get(), font);
  std::wstring copy(text);  // DrawText may write into the text with DT_MODIFYSTRING
  RECT r{0, 0, std::max(width, 0), 0};
  ::DrawTextW(screen.get(), copy.data(), static_cast<int>(copy.size()), &r, format | DT_CALCRECT);
  return {r.right - r.left, r.bottom - r.top};
}

void CopyCacheToDc(const TsCommonData& data, HDC dc, const RECT& part) {
  if (data.FCacheBmp) CopyBitmapToDc(*data.FCacheBmp, dc, part, {part.left, part.top});
}

}  // namespace skinctrl
