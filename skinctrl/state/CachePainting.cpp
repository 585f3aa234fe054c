// A control's cache on screen, and as the background its children paint on.
#include "framework/Application.h"
#include "skin/sSkinManager.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/state/CommonData.h"
#include "skinctrl/state/CommonDataDetail.h"

#include <algorithm>

namespace skinctrl {

using skin::Bitmap32;
using skin::TsGeneralData;
using skin::TsSkinManager;

void CopyBitmapToDc(const Bitmap32& bitmap, HDC dc, const RECT& part, POINT to) {
  RECT r{std::max<LONG>(part.left, 0), std::max<LONG>(part.top, 0), std::min<LONG>(part.right, bitmap.Width),
         std::min<LONG>(part.bottom, bitmap.Height)};
  if (dc == nullptr || r.right <= r.left || r.bottom <= r.top) return;
  to.x += r.left - part.left;
  to.y += r.top - part.top;
  // The rows of the part are handed over as a top-down DIB of their own:
  // SetDIBitsToDevice counts its source row from the bottom of a DIB, which
  // Wine and Windows agree on only for the whole bitmap.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = bitmap.Width;
  info.bmiHeader.biHeight = -(r.bottom - r.top);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const std::uint32_t* rows = bitmap.Pixels.data() + static_cast<std::size_t>(r.top) * bitmap.Width;
  ::SetDIBitsToDevice(dc, to.x, to.y, static_cast<DWORD>(r.right - r.left), static_cast<DWORD>(r.bottom - r.top),
                      r.left, 0, 0, static_cast<UINT>(r.bottom - r.top), rows, &info, DIB_RGB_COLORS);
}

void CopyBitmapToDc(const Bitmap32& bitmap, HDC dc) {
  CopyBitmapToDc(bitmap, dc, RECT{0, 0, bitmap.Width, bitmap.Height}, POINT{0, 0});
}

namespace {

void AnswerColor(TBackgroundRequest& request, TColor color, const TsSkinManager* manager) {
  request.BgType = btColor;
  request.Color = color;
  if (request.PleaseDraw && request.DrawDC != nullptr) {
    // DC_BRUSH: a brush that belongs to the DC, nothing to create or free.
    const COLORREF rgb = static_cast<COLORREF>(ResolveSkinColor(color, manager)) & 0xFFFFFF;
    const COLORREF previous = ::SetDCBrushColor(request.DrawDC, rgb);
    ::FillRect(request.DrawDC, &request.DrawRect, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    ::SetDCBrushColor(request.DrawDC, previous);
  }
}

void AnswerCache(TsCommonData& data, TBackgroundRequest& request) {
  request.BgType = btBitmap;
  request.Bmp = LinesOf(*data.FCacheBmp);
  request.X = 0;
  request.Y = 0;
}

bool CacheEmpty(const TsCommonData& data) noexcept { return !data.FCacheBmp || data.FCacheBmp->Empty(); }

// Present, not empty, the owner's size and not marked changed.
bool CacheValid(const TsCommonData& data) noexcept {
  if (CacheEmpty(data) || data.BGChanged) return false;
  const SIZE size = OwnerSize(data);
  return data.FCacheBmp->Width == size.cx && data.FCacheBmp->Height == size.cy;
}

void PrepareCache(TsCommonData& data) { data.SendToOwner(skin::SKC_PREPARECACHE); }

// PleaseDraw: the cache, rebuilt first when out of date, is copied into the
// requester's DC. False when it cannot be had.
bool DrawFromCache(TsCommonData& data, TBackgroundRequest& request) {
  if (data.FCacheBmp && !CacheValid(data)) PrepareCache(data);
  if (CacheEmpty(data) || data.BGChanged) return false;
  const RECT& r = request.DrawRect;
  CopyBitmapToDc(*data.FCacheBmp, request.DrawDC,
                 RECT{r.left + request.X, r.top + request.Y, r.right + request.X, r.bottom + request.Y},
                 POINT{r.left, r.top});
  request.BgType = btBitmap;
  return true;
}

// A see-through container without a cache of its own passes the request on
// to its own parent and shifts the answer by its position there.
void ForwardToParent(TsCommonData& data, TBackgroundRequest& request) {
  fw::TControl* owner = data.FOwnerControl;
  fw::TWinControl* parentControl = owner ? owner->Parent() : nullptr;
  const HWND parentWindow = parentControl ? nullptr : OwnerParentWindow(data);
  TsSkinManager* manager = data.SkinManager();
  if (parentControl == nullptr && parentWindow == nullptr) {
    AnswerColor(request, manager->GetGlobalColor(), manager);
    return;
  }
  const RECT bounds = OwnerBounds(data);
  // A drawing request names the area in this control: the parent needs it
  // in its own coordinates.
  if (request.PleaseDraw) {
    request.X += bounds.left;
    request.Y += bounds.top;
  }
  QueryParentBackground(request, parentControl, parentWindow, request.PleaseDraw, manager);
  if (request.PleaseDraw || request.Bmp.Empty()) return;
  request.X += bounds.left;
  request.Y += bounds.top;
  request.FillRect.Left -= bounds.left;
  request.FillRect.Top -= bounds.top;
}

}  // namespace

void AnswerBackgroundRequest(TsCommonData& data, TBackgroundRequest& request, int state) {
  const TsGeneralData* section = data.Section();
  if (section != nullptr && request.PleaseDraw && request.DrawDC != nullptr && DrawFromCache(data, request)) return;
  if (section == nullptr || data.FCustomColor) {
    AnswerColor(request, OwnerColor(data), data.SkinManager());
    return;
  }
  TsSkinManager* manager = data.SkinManager();
  const TBackgroundPlan plan =
      PlanBackgroundAnswer(&manager->Model(), data.SkinIndex, state, manager->Effects().AllowOuterEffects);
  if (plan.PlainColor) {
    AnswerColor(request, StateBackgroundColor(data, state), manager);
    if (plan.FillRect != TRect{} && data.FCacheBmp) {
      request.FillRect = plan.FillRect;
      request.Bmp = LinesOf(*data.FCacheBmp);
      request.X = 0;
      request.Y = 0;
    }
    return;
  }
  if (plan.Transparency == 100 && !data.FCacheBmp) {
    ForwardToParent(data, request);
    return;
  }
  // A drawing request that the cache could not serve is left to the
  // requester, which then has this control paint itself into its DC.
  if (request.PleaseDraw) return;
  if (plan.Transparency == 0) {
    if (!CacheValid(data)) {
      ClearCache(data);
      PrepareCache(data);
    }
    if (CacheEmpty(data)) {
      request.BgType = btNotReady;
      return;
    }
    AnswerCache(data, request);
  } else if (plan.Transparency == 100) {
    if (data.BGChanged) PrepareCache(data);
    if (data.BGChanged) {
      AnswerColor(request, StateBackgroundColor(data, 0), manager);
      return;
    }
    AnswerCache(data, request);
  } else {
    if (!data.FCacheBmp) {
      AnswerColor(request, KeyColor, manager);
      return;
    }
    if (data.FCacheBmp->Empty()) PrepareCache(data);
    if (CacheEmpty(data)) {
      data.FUpdating = true;
      request.BgType = btNotReady;
      return;
    }
    AnswerCache(data, request);
  }
}

}  // namespace skinctrl
