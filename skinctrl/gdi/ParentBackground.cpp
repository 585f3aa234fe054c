#include "skinctrl/gdi/ParentBackground.h"

#include "skin/SkinCommand.h"
#include "skinctrl/gdi/DibBitmap.h"

namespace skinctrl {

namespace {

const skin::TsSkinManager* ManagerOr(const skin::TsSkinManager* manager) {
  return manager ? manager : skin::TsSkinManager::DefaultManager();
}

bool SkinActive(const skin::TsSkinManager* manager) { return manager != nullptr && manager->CommonSkinData.Active; }

// A skin command to a control, else to a plain window.
LRESULT SendToControl(fw::TControl* control, HWND window, std::uint16_t command, LPARAM lParam) {
  return control != nullptr ? SendSkinCommandToControl(control, command, lParam)
                            : skin::SendSkinCommand(window, command, lParam);
}

}  // namespace

LRESULT SendSkinCommandToControl(fw::TControl* control, std::uint16_t command, LPARAM lParam, std::uint16_t sub) {
  if (control == nullptr || control->Destroying()) return 0;
  if (control->IsWindowed()) {
    auto* windowed = static_cast<fw::TWinControl*>(control);
    if (windowed->HandleAllocated()) return skin::SendSkinCommand(windowed->HandleIfAllocated(), command, lParam, sub);
  }
  skin::SkinCommandDelivery delivery;
  return control->Perform(skin::WM_SKINCMD, skin::MakeSkinWParam(command, sub), lParam);
}

ColorSource ColorsOf(const skin::TsSkinManager* manager) {
  manager = ManagerOr(manager);
  return {SkinActive(manager) ? &manager->Palette : nullptr,
          [](int index) { return static_cast<TColor>(::GetSysColor(index)); }};
}

TColor ResolveSkinColor(TColor color, const skin::TsSkinManager* manager) {
  return ResolveSkinColor(color, ColorsOf(manager));
}

bool QueryParentBackground(TBackgroundRequest& request, fw::TControl* parentControl, HWND parentWindow,
                           bool pleaseDraw, const skin::TsSkinManager* manager) {
  if (parentControl != nullptr) {
    if (auto* windowed = dynamic_cast<fw::TWinControl*>(parentControl)) parentWindow = windowed->HandleIfAllocated();
  }
  if (parentControl == nullptr && parentWindow == nullptr) return false;
  request.Bmp = {};
  request.BgType = btNone;
  request.PleaseDraw = pleaseDraw;
  request.FillRect = {};
  SendToControl(parentControl, parentWindow, skin::SKC_GETBACKGROUND, reinterpret_cast<LPARAM>(&request));
  if (request.BgType != btNone) return true;

  if (pleaseDraw) {
    if (request.DrawDC == nullptr || parentWindow == nullptr) return false;
    // The parent paints itself into the DC, shifted so that the requester's
    // area lands on DrawRect.
    SavedDC saved(request.DrawDC);
    ::OffsetViewportOrgEx(request.DrawDC, -request.X, -request.Y, nullptr);
    RECT r = request.DrawRect;
    ::OffsetRect(&r, request.X, request.Y);
    ::IntersectClipRect(request.DrawDC, r.left, r.top, r.right, r.bottom);
    const WPARAM dc = reinterpret_cast<WPARAM>(request.DrawDC);
    if (parentControl != nullptr && dynamic_cast<fw::TWinControl*>(parentControl) == nullptr) {
      parentControl->Perform(WM_ERASEBKGND, dc, 0);
      parentControl->Perform(WM_PAINT, dc, 0);
    } else {
      ::SendMessageW(parentWindow, WM_ERASEBKGND, dc, 0);
      ::SendMessageW(parentWindow, WM_PAINT, dc, 0);
    }
    return true;
  }

  manager = ManagerOr(manager);
  request.BgType = btColor;
  if (parentControl != nullptr) {
    const auto answer = static_cast<TColor>(SendToControl(parentControl, parentWindow, skin::SKC_GETBGCOLOR, 0));
    request.Color = answer != 0 ? answer : ResolveSkinColor(parentControl->Color(), manager);
  } else {
    request.Color = SkinActive(manager) ? manager->GetGlobalColor() : static_cast<TColor>(::GetSysColor(COLOR_BTNFACE));
  }
  return true;
}

TCacheInfo BackgroundToCacheInfo(const TBackgroundRequest& request, const skin::TsSkinManager* manager) {
  if (request.BgType == btBitmap) return CacheInfoOfBitmap(request.Bmp, request.X, request.Y);
  TCacheInfo ci;
  ci.Bmp = request.Bmp;
  ci.X = request.X;
  ci.Y = request.Y;
  ci.FillColor = ResolveSkinColor(request.Color, manager);
  ci.FillRect = request.FillRect;
  ci.Ready = false;
  return ci;
}

bool PaintSkinControlOnParent(const TControlLook& look, fw::TControl* parentControl, HWND parentWindow,
                              TPoint clientOrigin, int tex1, int tex2, bool updateCorners, const ScanLines& bmp,
                              TPoint offset, TRect rect, int state, const skin::TsSkinManager* manager) {
  manager = ManagerOr(manager);
  if (manager == nullptr || bmp.Empty()) return true;
  const skin::SkinModel& model = manager->Model();
  if (ClipToBitmap(rect, bmp).IsEmpty() || !model.IsValidSkinIndex(look.SkinIndex)) return true;
  TBackgroundRequest request;
  QueryParentBackground(request, parentControl, parentWindow, false, manager);
  if (request.BgType == btNotReady) return false;
  TCacheInfo ci = BackgroundToCacheInfo(request, manager);
  ci.X += clientOrigin.X;
  ci.Y += clientOrigin.Y;
  PaintSkinLayersOnParent(&model, look, ci, tex1, tex2, updateCorners, bmp, offset, rect, state);
  return true;
}

}  // namespace skinctrl
